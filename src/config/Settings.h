#pragma once

#include "core/IPAddress.h"
#include "core/String.h"

#include <cstdint>
#include <mutex>

namespace tb {

// The process-wide configuration values with their defaults. Names follow
// the stored value names of the "General" and "MP3" keys.
struct Settings {
    static constexpr uint16_t DefaultPort = 42961;

    // General
    String name = "Tune Bridge";
    IPAddress localAddress{0, DefaultPort};
    IPAddress publicAddress{0, DefaultPort};
    bool autoAuthorizeUnits = true;
    bool autoDetectUnits = true;
    bool logHttpRequests = false;
    String webSkinName = "(Standard)";
    bool showedCloseNote = false;
    // Bounds on connections: at most this many served at once, and a
    // connection that sends no complete request for this long is closed.
    int32_t maxConnections = 1024;
    int32_t idleTimeoutSeconds = 120;

    // MP3
    bool preloadMp3Info = false;
    bool createGenreFolder = false;
    bool createArtistFolder = false;
    bool createAlbumFolder = false;
    bool createYearFolder = false;
};

// Settings shared between the thread that changes them (start-up, setup,
// the command line) and the threads that read them. Readers take a copy;
// a writer replaces the whole record. Thread-safe.
class LiveSettings {
public:
    LiveSettings() = default;
    explicit LiveSettings(const Settings& initial) : values_(initial) {}

    Settings Get() const {
        std::lock_guard lock(mutex_);
        return values_;
    }
    void Set(const Settings& values) {
        std::lock_guard lock(mutex_);
        values_ = values;
    }
    template <typename Change> void Update(Change change) {
        std::lock_guard lock(mutex_);
        change(values_);
    }

private:
    mutable std::mutex mutex_;
    Settings values_; // guarded by mutex_
};

} // namespace tb
