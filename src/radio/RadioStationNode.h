#pragma once

#include "library/MediaNode.h"

namespace tb {

// One server URL of a radio station, as devices and browsers see it: a
// playable node whose stream is the station relayed through this server,
// or, when routed directly, the station's own URL handed to the player.
class RadioStationNode : public MediaNode {
public:
    struct Station {
        String url;
        String stationName;
        String genre;
        String provider;
        bool routeDirectly = false;
    };

    RadioStationNode(String name, MediaNode* parent, Station station)
        : MediaNode(std::move(name), parent), station_(std::move(station)) {}

    bool IsPlayable() const override { return true; }
    bool IsFolder() const override { return false; }
    bool IsSong() const override { return false; }
    void ContentItem(HttpRequest& request, TextBuilder& listing) override;
    // A pls of the station's own URL, whatever the letter.
    void WebAction(HttpRequest& request, char action) override;
    // Tunes in and relays the station to the client.
    void Play(HttpRequest& request) override;
    // A new tag at every call: a station's answer is never current.
    String GetETag(HttpRequest& request, char action) override;

    const Station& Values() const noexcept { return station_; }

private:
    Station station_;
};

} // namespace tb
