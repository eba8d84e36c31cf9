#pragma once

#include "core/IPAddress.h"
#include "core/String.h"

#include <array>
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
    // Bounds on connections: at most this many served at once, a
    // connection that sends no complete request for this long is closed,
    // and so is one whose client takes nothing for this long.
    int32_t maxConnections = 1024;
    int32_t idleTimeoutSeconds = 120;
    int32_t sendTimeoutSeconds = 60;
    // Devices admitted automatically, at most (entries with a device
    // identity); further unknown devices are refused.
    int32_t maxAutoUnits = 32;
    // A radio station that sends nothing for this long ends its relay.
    int32_t stationTimeoutSeconds = 30;
    // The public address-echo sites the setup's search asks, each
    // "http://host[:port]/path MARKER" (the marker after the first space,
    // with \r, \n, \s and \\ escapes); an empty one is skipped. The
    // defaults answer over plain HTTP with the address right after their
    // answer's header, or after "Current IP Address: ".
    static constexpr int EchoSiteCount = 5;
    std::array<String, EchoSiteCount> addressEchoSites = {
        "http://checkip.amazonaws.com/ \\r\\n\\r\\n",
        "http://api.ipify.org/ \\r\\n\\r\\n",
        "http://icanhazip.com/ \\r\\n\\r\\n",
        "http://checkip.dyndns.org/ Current IP Address:\\s",
        "http://ifconfig.me/ip \\r\\n\\r\\n",
    };

    // Covers: the base URLs ("http://host[:port]") of the five cover
    // sites the crawler asks; an empty one is skipped.
    static constexpr int CoverSiteCount = 5;
    std::array<String, CoverSiteCount> coverSites;

    // MP3
    bool preloadMp3Info = false;
    bool createGenreFolder = false;
    bool createArtistFolder = false;
    bool createAlbumFolder = false;
    bool createYearFolder = false;
};

// The numbers above that are kept in "General" beside the setup's values,
// with the range a stored or given value must fall in; a stored value
// outside it is ignored.
struct SettingLimit {
    const char* name; // the value's name in "General"
    int32_t Settings::*field;
    int32_t low;
    int32_t high;
    const char* help;
};
inline constexpr SettingLimit SettingLimits[] = {
    {"MaxConnections", &Settings::maxConnections, 1, 65535, "connections served at once"},
    {"IdleTimeoutSeconds", &Settings::idleTimeoutSeconds, 1, 86400,
     "seconds a connection may wait before sending a request"},
    {"SendTimeoutSeconds", &Settings::sendTimeoutSeconds, 1, 86400,
     "seconds a client may take nothing before its connection ends"},
    {"MaxAutoUnits", &Settings::maxAutoUnits, 0, 100000, "devices admitted automatically, at most"},
    {"StationTimeoutSeconds", &Settings::stationTimeoutSeconds, 1, 86400,
     "seconds a radio station may send nothing before its relay ends"},
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

private:
    mutable std::mutex mutex_;
    Settings values_; // guarded by mutex_
};

} // namespace tb
