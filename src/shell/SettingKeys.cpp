#include "shell/SettingKeys.h"

#include "config/SettingsStorage.h"
#include "core/Exceptions.h"
#include "core/HttpUrl.h"
#include "netservices/EchoSite.h"

#include <algorithm>
#include <stdexcept>
#include <strings.h>

namespace tb {
namespace {

bool ParseFlag(const String& value) {
    if (value == "1")
        return true;
    if (value == "0")
        return false;
    throw std::invalid_argument("expected 0 or 1");
}

int32_t ParseNumber(const String& value, int32_t low, int32_t high) {
    char* end = nullptr;
    long number = strtol(value.c_str(), &end, 10);
    if (value.IsEmpty() || *end || number < low || number > high)
        throw std::invalid_argument("expected a number from " + std::to_string(low) + " to " +
                                    std::to_string(high));
    return static_cast<int32_t>(number);
}

IPAddress ParseAddress(const String& value) {
    try {
        return IPAddress::FromHostPort(value.c_str());
    } catch (const IPAddressException&) {
        throw std::invalid_argument("expected an IPv4 address and port, like 0.0.0.0:42961");
    }
}

String Flag(bool value) {
    return value ? "1" : "0";
}

String Address(const IPAddress& address) {
    return address.HostPortText();
}

template <bool Settings::*Field> SettingKey FlagKey(const char* name, const char* help) {
    return {name, help, [](const Settings& s) { return Flag(s.*Field); },
            [](Settings& s, const String& v) { s.*Field = ParseFlag(v); }};
}

SettingKey LimitKey(const SettingLimit& limit) {
    return {std::string("General/") + limit.name, limit.help,
            [&limit](const Settings& s) {
                return String::FromUnsigned(static_cast<uint32_t>(s.*limit.field));
            },
            [&limit](Settings& s, const String& v) {
                s.*limit.field = ParseNumber(v, limit.low, limit.high);
            },
            &limit};
}

std::vector<SettingKey> SetupKeys() {
    return {
        {"General/Name", "the server's public name", [](const Settings& s) { return s.name; },
         [](Settings& s, const String& v) {
             if (v.IsEmpty())
                 throw std::invalid_argument("the name must not be empty");
             s.name = v;
         }},
        {"General/IPAddress", "address and port to listen on (0.0.0.0 = every interface)",
         [](const Settings& s) { return Address(s.localAddress); },
         [](Settings& s, const String& v) { s.localAddress = ParseAddress(v); }},
        {"General/PublicIPAddress", "address and port the server is reached at from the Internet",
         [](const Settings& s) { return Address(s.publicAddress); },
         [](Settings& s, const String& v) { s.publicAddress = ParseAddress(v); }},
        FlagKey<&Settings::autoAuthorizeUnits>("General/AutoAuthorizeUnits",
                                               "admit new devices automatically"),
        FlagKey<&Settings::autoDetectUnits>("General/AutoDetectUnits",
                                            "kept for compatibility; no effect"),
        FlagKey<&Settings::logHttpRequests>("General/LogHttpRequests",
                                            "log every request received"),
        {"General/WebSkinName", "skin of the web pages",
         [](const Settings& s) { return s.webSkinName; },
         [](Settings& s, const String& v) {
             s.webSkinName = v.IsEmpty() ? String("(Standard)") : v;
         }},
        FlagKey<&Settings::preloadMp3Info>("MP3/PreloadMp3Info",
                                           "read every song's tags while indexing"),
        FlagKey<&Settings::createGenreFolder>("MP3/CreateGenreFolder", "build the Genre folder"),
        FlagKey<&Settings::createArtistFolder>("MP3/CreateArtistFolder", "build the Artist folder"),
        FlagKey<&Settings::createAlbumFolder>("MP3/CreateAlbumFolder", "build the Album folder"),
        FlagKey<&Settings::createYearFolder>("MP3/CreateYearFolder", "build the Year folder"),
    };
}

SettingKey EchoSiteKey(int index) {
    return {"General/" + std::string(EchoSiteValueName(index).View()),
            "address-echo site the setup's search asks: http://host[:port]/path MARKER",
            [index](const Settings& s) { return s.addressEchoSites[index]; },
            [index](Settings& s, const String& v) {
                ParseEchoSite(v); // throws std::invalid_argument for a bad text
                s.addressEchoSites[index] = v.Trim();
            },
            nullptr,
            SaveEchoSites};
}

// "http://host[:port][/prefix]" without a closing "/", or empty.
String CoverSiteUrl(const String& value) {
    String url = value.Trim();
    if (url.IsEmpty())
        return url;
    HttpUrl parts = SplitHttpUrl(url);
    if (!url.View().starts_with("http://") || parts.host.IsEmpty() || !PortOf(parts))
        throw std::invalid_argument("expected http://host[:port], or nothing to skip the site");
    while (url.View().ends_with("/"))
        url = String(url.View().substr(0, url.View().size() - 1));
    return url;
}

SettingKey CoverSiteKey(int index) {
    return {std::string(CoversKey) + "/" + std::string(CoverSiteValueName(index).View()),
            "base URL of a cover site the crawler asks (empty: skipped)",
            [index](const Settings& s) { return s.coverSites[index]; },
            [index](Settings& s, const String& v) { s.coverSites[index] = CoverSiteUrl(v); },
            nullptr,
            SaveCoverSites};
}

std::vector<SettingKey> MakeSettingKeys() {
    std::vector<SettingKey> keys = SetupKeys();
    // Inserted before the MP3 values, so that the listing keeps the store's order.
    auto mp3 = std::find_if(keys.begin(), keys.end(),
                            [](const SettingKey& key) { return key.name.starts_with("MP3/"); });
    std::vector<SettingKey> limits;
    for (const SettingLimit& limit : SettingLimits)
        limits.push_back(LimitKey(limit));
    for (int i = 0; i < Settings::EchoSiteCount; ++i)
        limits.push_back(EchoSiteKey(i));
    keys.insert(mp3, limits.begin(), limits.end());
    for (int i = 0; i < Settings::CoverSiteCount; ++i)
        keys.push_back(CoverSiteKey(i));
    return keys;
}

} // namespace

const std::vector<SettingKey>& SettingKeys() {
    static const std::vector<SettingKey> keys = MakeSettingKeys();
    return keys;
}

const SettingKey* FindSettingKey(const String& name) {
    for (const SettingKey& key : SettingKeys())
        if (strcasecmp(key.name.c_str(), name.c_str()) == 0)
            return &key;
    return nullptr;
}

bool EnforcePreloadForCategories(Settings& settings) {
    bool anyCategory = settings.createGenreFolder || settings.createArtistFolder ||
                       settings.createAlbumFolder || settings.createYearFolder;
    if (!anyCategory || settings.preloadMp3Info)
        return false;
    settings.preloadMp3Info = true;
    return true;
}

} // namespace tb
