// The public address search against echo sites played on loopback, and
// the reading of site texts and answers.
#include "netservices/PublicAddress.h"

#include "core/IPAddress.h"
#include "support/ScriptedServer.h"

#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace tb::test {
namespace {

uint32_t Address(const char* dotted) {
    return IPAddress::FromHost(dotted).Address();
}

TEST(EchoSiteTest, ReadsUrlAndEscapedMarker) {
    auto site = ParseEchoSite("  http://echo.example:8080/ip?x=1 Your IP:\\s\\r\\n\\\\ ");
    ASSERT_TRUE(site);
    EXPECT_EQ(site->host, String("echo.example"));
    EXPECT_EQ(site->port, 8080);
    EXPECT_EQ(site->path, String("/ip?x=1"));
    EXPECT_EQ(site->marker, String("Your IP: \r\n\\"));
    EXPECT_FALSE(ParseEchoSite("   "));
    for (const char* bad :
         {"ftp://x/ m", "http:// m", "http://x:0/ m", "http://x:99999/", "http://x/ bad\\q"})
        EXPECT_THROW(ParseEchoSite(bad), std::invalid_argument) << bad;
}

TEST(EchoSiteTest, TakesTheDigitsAndDotsRightAfterTheMarker) {
    const struct {
        const char* answer;
        const char* marker;
        const char* address; // null: none
    } cases[] = {
        {"HTTP/1.1 200 OK\r\n\r\n<body>203.0.113.7</body>", "<body>", "203.0.113.7"},
        {"HTTP/1.1 200 OK\r\n\r\n203.0.113.7\n", "\r\n\r\n", "203.0.113.7"},
        {"<body> 203.0.113.7", "<body>", nullptr},    // a space is no digit
        {"<BODY>203.0.113.7", "<body>", nullptr},     // case counts
        {"<body>", "<body>", nullptr},                // nothing follows
        {"<body>203.0.113.700", "<body>", nullptr},   // not an address
        {"<body>x<body>10.0.0.1", "<body>", nullptr}, // the first marker counts
    };
    for (const auto& c : cases) {
        auto found = AddressAfterMarker(c.answer, c.marker);
        if (c.address) {
            ASSERT_TRUE(found) << c.answer;
            EXPECT_EQ(*found, Address(c.address)) << c.answer;
        } else {
            EXPECT_FALSE(found) << c.answer;
        }
    }
}

// Records the steps; answers false from the `cancelAt`-th status call on.
struct Progress : AddressSearchProgress {
    int cancelAt = -1;
    int begins = 0, ends = 0;
    std::vector<std::pair<int, int>> steps;
    bool Begin() override { return ++begins > 0; }
    bool End() override { return ++ends > 0; }
    bool Status(int step, int number) override {
        steps.emplace_back(step, number);
        return cancelAt < 0 || static_cast<int>(steps.size()) <= cancelAt;
    }
};

EchoSite Site(const ScriptedServer& server, const char* marker) {
    return {"127.0.0.1", server.Port(), "/ip", marker};
}

TEST(PublicAddressTest, OneFailingSiteDoesNotEndTheSearch) {
    ScriptedServer spaced([](int) { return std::string("HTTP/1.0 200 OK\r\n\r\n<b> 10.1.1.1"); });
    ScriptedServer good(
        [](int) { return std::string("HTTP/1.0 200 OK\r\nServer: x\r\n\r\n<b>203.0.113.7</b>"); });
    std::vector<EchoSite> sites = {Site(spaced, "<b>"),
                                   {"no-such-host.invalid", 80, "/", "<b>"},
                                   {"127.0.0.1", 1, "/", "<b>"},
                                   Site(good, "<b>")};
    Progress progress;
    EXPECT_EQ(DetectPublicAddress(sites, &progress, 2000), Address("203.0.113.7"));
    EXPECT_EQ(progress.begins, 1);
    EXPECT_EQ(progress.ends, 1);
    ASSERT_EQ(good.Requests().size(), 1u);
    EXPECT_EQ(good.Requests()[0],
              "GET /ip HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\nConnection: close\r\n\r\n");
}

TEST(PublicAddressTest, NothingFoundOrCancelledGivesNoAddress) {
    ScriptedServer spaced([](int) { return std::string("HTTP/1.0 200 OK\r\n\r\n<b> 10.1.1.1"); });
    Progress unreachable;
    std::vector<EchoSite> dead = {{"127.0.0.1", 1, "/", "<b>"}, Site(spaced, "<b>")};
    EXPECT_EQ(DetectPublicAddress(dead, &unreachable, 2000), 0u);
    EXPECT_EQ(unreachable.ends, 1);
    Progress cancelled;
    cancelled.cancelAt = 0;
    EXPECT_EQ(DetectPublicAddress({Site(spaced, "<b>")}, &cancelled, 2000), 0u);
    EXPECT_EQ(cancelled.steps, (std::vector<std::pair<int, int>>{{0, 0}}));
    EXPECT_EQ(spaced.Requests().size(), 1u); // only the first search asked
}

} // namespace
} // namespace tb::test
