#pragma once

#include "core/String.h"
#include "core/Thread.h"

#include <array>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

namespace tb {

class ActivityLog;
class Event;
class ServiceList;

// The cover crawler's thread: once a second it takes the next service;
// a share that asks for covers and was not crawled yet in this run is
// walked, and every album folder (one without subfolders, whose parent
// names the artist) that has no "front.jpg" (or "<folder>.jpg") is looked
// up on the cover sites in random order, first as named, then normalised.
// Sets `done` as it ends, once `quit` is set; every network step and the
// pause between albums end at once then. Only this thread calls Run; the
// service list is read under its lock.
class DizerOviziraObject : public Runnable {
public:
    static constexpr int SiteCount = 5;

    // `sites`: each cover site's base URL; an empty one is skipped.
    DizerOviziraObject(const Event& quit, Event& done, ActivityLog& log, ServiceList& services,
                       std::array<String, SiteCount> sites, int32_t timeoutMs = 30000);

    void Run() override;

private:
    void CrawlShare(size_t index);
    bool CrawlFolder(const String& folder, int depth);
    void SearchAlbum(const String& folder);
    bool FindCover(const String& artist, const String& album, const String& folder);

    const Event& quit_;
    Event& done_;
    ActivityLog& log_;
    ServiceList& services_;
    const std::array<String, SiteCount> sites_;
    const int32_t timeoutMs_;
    int32_t albums_ = 0;
    int32_t downloaded_ = 0;
    std::vector<String> crawled_;
    std::set<std::pair<uint64_t, uint64_t>> walking_; // folders being walked (device, inode)
};

} // namespace tb
