#include "covers/CoverCrawler.h"

#include "core/ActivityLog.h"
#include "core/Event.h"
#include "core/Path.h"
#include "covers/CoverSearch.h"
#include "covers/NameNormalizer.h"
#include "library/ServiceList.h"
#include "library/ShareService.h"

#include <algorithm>
#include <dirent.h>
#include <numeric>
#include <random>
#include <strings.h>
#include <sys/stat.h>

namespace tb {
namespace {

constexpr int MaxDepth = 64;

struct FolderListing {
    std::vector<String> folders;
    bool hasCover = false;
};

// The subfolders (hidden ones left out, as the index leaves them) and
// whether a cover is there already: "front.jpg" or "<folder>.jpg".
FolderListing List(const String& folder) {
    FolderListing listing;
    String own = String(BaseName(folder.View())) + ".jpg";
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return listing;
    while (dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.')
            continue;
        struct stat info {};
        if (fstatat(dirfd(dir), name, &info, 0) != 0)
            continue;
        if (S_ISDIR(info.st_mode))
            listing.folders.push_back(JoinPath(folder, name));
        else if (own == name || String("front.jpg") == name)
            listing.hasCover = true;
    }
    closedir(dir);
    std::sort(listing.folders.begin(), listing.folders.end(),
              [](const String& a, const String& b) { return a.View() < b.View(); });
    return listing;
}

bool SameNoCase(const String& a, const String& b) {
    return a.Length() == b.Length() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

} // namespace

DizerOviziraObject::DizerOviziraObject(const Event& quit, Event& done, ActivityLog& log,
                                       ServiceList& services, std::array<String, SiteCount> sites,
                                       int32_t timeoutMs)
    : quit_(quit), done_(done), log_(log), services_(services), sites_(std::move(sites)),
      timeoutMs_(timeoutMs) {}

void DizerOviziraObject::Run() {
    for (size_t index = 0; !quit_.Wait(1000);) {
        size_t count;
        {
            ServiceList::Guard lock(services_);
            count = services_.Items().size();
        }
        if (index >= count) {
            index = 0;
            continue;
        }
        CrawlShare(index++);
    }
    done_.Set();
}

void DizerOviziraObject::CrawlShare(size_t index) {
    std::shared_ptr<ServiceItem> service;
    {
        ServiceList::Guard lock(services_);
        if (index < services_.Items().size())
            service = services_.Items()[index];
    }
    auto* share = dynamic_cast<ShareService*>(service.get());
    if (!share || !share->StartCrawler())
        return;
    String folder = share->Folder();
    if (std::any_of(crawled_.begin(), crawled_.end(),
                    [&](const String& done) { return SameNoCase(done, folder); }))
        return;
    crawled_.push_back(folder);
    log_.AddLine("Starting DizerOvizira on " + share->Name());
    CrawlFolder(folder, 0);
    log_.AddLine("DizerOvizira done with " + share->Name() + ". Downloaded " +
                 String::FromUnsigned(static_cast<uint32_t>(downloaded_)) + " of " +
                 String::FromUnsigned(static_cast<uint32_t>(albums_)) + " album covers.");
}

// False when the program is ending. A folder met again below itself (a
// link back up) is not walked twice.
bool DizerOviziraObject::CrawlFolder(const String& folder, int depth) {
    struct stat info {};
    if (depth > MaxDepth || stat(folder.c_str(), &info) != 0 ||
        !walking_.emplace(info.st_dev, info.st_ino).second)
        return true;
    FolderListing listing = List(folder);
    bool going = true;
    for (const String& sub : listing.folders)
        if (!(going = CrawlFolder(sub, depth + 1)))
            break;
    if (going && listing.folders.empty() && !listing.hasCover) {
        if (quit_.Wait(500))
            going = false;
        else
            SearchAlbum(folder);
    }
    walking_.erase({info.st_dev, info.st_ino});
    return going;
}

void DizerOviziraObject::SearchAlbum(const String& folder) {
    String album(BaseName(folder.View()));
    String artist(BaseName(ParentPath(folder.View())));
    ++albums_;
    if (FindCover(artist, album, folder))
        return;
    String cleanArtist = NormalizeArtist(artist);
    String cleanAlbum = NormalizeAlbum(album, cleanArtist);
    if (!SameNoCase(cleanArtist, artist) || !SameNoCase(cleanAlbum, album))
        FindCover(cleanArtist, cleanAlbum, folder);
}

bool DizerOviziraObject::FindCover(const String& artist, const String& album,
                                   const String& folder) {
    log_.AddLine("Searching cover for " + artist + " / " + album);
    std::array<int, SiteCount> order{};
    std::iota(order.begin(), order.end(), 0);
    std::minstd_rand random(std::random_device{}());
    for (int pass = 0; pass < 3; ++pass)
        for (int k = 0; k < SiteCount; ++k)
            std::swap(order[k], order[random() % SiteCount]);
    for (int site : order) {
        if (sites_[site].IsEmpty() || quit_.IsSet())
            continue;
        CoverSearch search(quit_, sites_[site], timeoutMs_);
        if (SearchCoverSite(site, search, artist, album, folder)) {
            ++downloaded_;
            log_.AddLine("Downloading cover for " + artist + " / " + album);
            return true;
        }
    }
    return false;
}

} // namespace tb
