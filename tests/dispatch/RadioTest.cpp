// Radio stations through the real handlers: the nodes an index build makes
// of them, what devices and browsers are told, and the relay against
// stations played by the test on loopback (redirects, a station's own
// metaint, titles, silence, loops).
#include "core/ServerSocket.h"
#include "core/Socket.h"
#include "dispatch/DispatchTest.h"
#include "radio/RadioService.h"
#include "support/ChangeSettings.h"
#include "support/ScriptedServer.h"

#include <cstring>
#include <mutex>
#include <thread>

namespace tb::test {
namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;

using Station = ScriptedServer;

// A metadata block: its length byte, the text, zero bytes up to 16s.
std::string Block(const std::string& text) {
    size_t units = (text.size() + 15) / 16;
    return std::string(1, static_cast<char>(units)) + text +
           std::string(units * 16 - text.size(), '\0');
}

// Station "Jazz FM" (provider "Provider") with URLs in slots 0 and 2, and
// "Quick" with quick access and routed directly. Web user "Ann".
class RadioTest : public DispatchTest {
protected:
    void AddStation(RadioService::Fields fields) {
        ServiceList::Guard lock(s.services);
        s.services.Items().push_back(std::make_shared<RadioService>(std::move(fields)));
    }
    // Jazz FM's URLs go into slots 0, 2 and 5.
    void BuildWith(const std::vector<std::string>& urls) {
        RadioService::Fields jazz{"Jazz FM", "Smooth", {}, "Jazz", "Provider"};
        for (size_t i = 0; i < urls.size(); ++i)
            jazz.urls[std::array{0, 2, 5}[i]] = urls[i].c_str();
        AddStation(jazz);
        RadioService::Fields quick{"Quick", "", {}, "Talk", "Net"};
        quick.urls[0] = "http://quick.example:8000/q";
        quick.quickAccess = quick.routeDirectly = true;
        AddStation(quick);
        Build();
        AddUser("Ann", "ann");
        ChangeSettings(s.settings, [](Settings& v) { v.stationTimeoutSeconds = 1; });
        Start();
        Device().Browse(1, 0, 1); // admitted
    }
    // What a device gets when it plays the node: the answer, read to its end.
    Answer Play(const std::string& node) {
        DeviceSimulator& device = Device();
        return device.Stream(device.StreamUrl(IdOf(node) + 1));
    }
    static constexpr const char* Header203 =
        "HTTP/1.1 203 Partial Content\r\nAccept-Ranges: bytes\r\nServer: xs/1.0\r\n"
        "Date: Thu, 21 Nov 2002 20:40:27 GMT\r\nContent-type: audio/mpeg\r\nETag: ";
};

TEST_F(RadioTest, StationsBecomeNodesThatDevicesAndBrowsersAreToldAbout) {
    BuildWith({"http://a.example/one", "http://b.example:81/two"});
    DeviceSimulator& device = Device();
    DevicePage radio = device.Browse(IdOf("Radio") + 1, 0, 10);
    EXPECT_EQ(Outline(radio), "[Jazz FM]*#" + std::to_string(IdOf("Jazz FM") + 1) + ", Quick#" +
                                  std::to_string(IdOf("Quick") + 1) + ", | 2 0 2");
    DevicePage jazz = device.Browse(IdOf("Jazz FM") + 1, 0, 10);
    ASSERT_TRUE(jazz.data) << jazz.error;
    ASSERT_EQ(jazz.data->items.size(), 2u);
    EXPECT_EQ(jazz.data->items[0].name, "Jazz FM (0)");
    EXPECT_EQ(jazz.data->items[1].name, "Jazz FM (2)");
    // Relayed through this server, or the station itself when routed directly.
    EXPECT_EQ(jazz.data->items[1].url, device.StreamUrl(IdOf("Jazz FM (2)") + 1));
    EXPECT_EQ(jazz.data->items[1].title + "|" + jazz.data->items[1].artist + "|" +
                  jazz.data->items[1].genre,
              "Jazz FM|Jazz|Provider");
    EXPECT_EQ(radio.data->items[1].url, "http://quick.example:8000/q");

    // A browser: the folder's pls of every URL, tagged with the index time.
    size_t before = s.log.Count();
    LoopbackClient browser(s.port);
    browser.Send(BrowserGet("/L" + std::to_string(IdOf("Jazz FM"))));
    Answer folder = Answer::Parse(browser.ReadResponse());
    const std::string body = "[playlist]\r\nnumberofentries=2\r\n"
                             "File1=http://a.example/one\r\nTitle1=Jazz FM\r\nLength1=-1\r\n"
                             "File2=http://b.example:81/two\r\nTitle2=Jazz FM\r\nLength2=-1\r\n";
    EXPECT_EQ(folder.status + "\r\n" + folder.head,
              "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
              "Content-Length:" +
                  std::to_string(body.size()) +
                  "\r\nContent-Disposition: inline; filename=song.pls\r\nETag: \"" +
                  std::string(s.index.IndexTime().HttpDateText().View()) +
                  "\"\r\nContent-Type: audio/x-scpls\r\n\r\n");
    EXPECT_EQ(folder.body, body);
    EXPECT_THAT(s.log.LinesFrom(before), ElementsAre("[Ann]: tuning in to 'Provider: Jazz FM'"));
    EXPECT_EQ(s.users.ActivityOf(s.users.FindById("ann")).status, "Tuning in");
    // A node: its own URL, whatever the letter, never answered with 304.
    browser.Send(BrowserGet("/Z" + std::to_string(IdOf("Quick"))));
    Answer node = Answer::Parse(browser.ReadResponse());
    EXPECT_EQ(node.body, "[playlist]\r\nnumberofentries=1\r\nFile1=http://quick.example:8000/q"
                         "\r\nTitle1=Quick\r\nLength1=-1\r\n");
    browser.Send(BrowserGet("/P" + std::to_string(IdOf("Quick")),
                            "If-None-Match: " + node.Value("ETag") + "\r\n"));
    EXPECT_EQ(Answer::Parse(browser.ReadResponse()).status, "HTTP/1.1 200 OK");
}

// Redirected once, then an ICY station with its own interval: the device
// gets the audio alone; a title is logged when it changes; metadata
// without a title is logged whole.
TEST_F(RadioTest, TheRelayFollowsARedirectAndPassesTheAudioWithoutMetadata) {
    const std::string a(16, 'a'), b(16, 'b'), c(16, 'c'), d(16, 'd');
    Station live([&](int) {
        return "ICY 200 OK\r\nicy-metaint:16\r\n\r\n" + a + Block("StreamTitle='Jazz On';") + b +
               Block("StreamTitle='Jazz On';") + c + Block("StreamUrl='x';") + d +
               std::string(1, '\0') + a;
    });
    Station redirector(
        [&](int) { return "HTTP/1.0 302 Found\r\nLocation: " + live.Url("/stream") + "\r\n\r\n"; });
    BuildWith({redirector.Url()});
    size_t before = s.log.Count();
    Answer relayed = Play("Jazz FM (0)");
    EXPECT_EQ((relayed.status + "\r\n" + relayed.head).substr(0, std::strlen(Header203)),
              Header203);
    EXPECT_EQ(relayed.body, a + b + c + d + a);
    EXPECT_THAT(s.log.LinesFrom(before),
                ElementsAre("[Unit cdef]: tuning in to 'Jazz FM (0): Jazz FM'",
                            "[Unit cdef]: redirected to " + live.Url("/stream"),
                            "[Unit cdef]: listening to 'Jazz On'",
                            "[Unit cdef]: listening to 'StreamUrl='x';'"));
    EXPECT_THAT(live.Requests(),
                ElementsAre("GET /stream HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\n"
                            "Range: bytes=0-\r\nConnection: close\r\nicy-metadata: 1\r\n\r\n"));
}

// A station that redirects to itself is left after five hops; one that
// goes silent after its header is left after the station time-out (1 s);
// a host that does not resolve ends the request at once. The client gets
// no answer, the header alone, and nothing.
TEST_F(RadioTest, LoopsSilenceAndUnknownHostsEndTheRelay) {
    std::unique_ptr<Station> loop;
    loop = std::make_unique<Station>(
        [&](int) { return "HTTP/1.1 302 Moved\r\nLocation: " + loop->Url() + "\r\n\r\n"; });
    Station silent([](int) { return std::string("HTTP/1.0 200 OK\r\n\r\nfirst"); }, true);
    BuildWith({loop->Url(), silent.Url(), "http://no-such-host.invalid/"});
    size_t before = s.log.Count();
    EXPECT_EQ(Play("Jazz FM (0)").raw, "");
    EXPECT_EQ(loop->Requests().size(), 6u);
    std::vector<std::string> lines = s.log.LinesFrom(before);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines.back(),
              "[Unit cdef]: not redirected to " + loop->Url() + ": too many redirects");

    auto start = std::chrono::steady_clock::now();
    Answer quiet = Play("Jazz FM (2)");
    EXPECT_EQ(quiet.body, "first");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

    EXPECT_EQ(Play("Jazz FM (5)").raw, "");
}

} // namespace
} // namespace tb::test
