// A browser against the real handlers: admission by Basic credentials, the
// short URL form, entity tags and 304, built-in and skin pictures, the
// folder page made from a skin that shows every value, and the answers for
// what does not exist.
#include "dispatch/DispatchTest.h"
#include "library/FolderNode.h"
#include "server/ProgramTime.h"
#include "web/WebSkins.h"

#include <filesystem>
#include <map>
#include <set>

namespace tb::test {
namespace {

using namespace std::chrono_literals;

std::string Base64(const std::string& bytes) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t n = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            n |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            n |= static_cast<uint8_t>(bytes[i + 2]);
        for (size_t k = 0; k < 4; ++k)
            out += i + k <= bytes.size() ? digits[n >> (18 - 6 * k) & 63] : '=';
    }
    return out;
}

// Shows every value of a page in lines "Name=value", items as "F:", "D:"
// and "H:" lines.
const char* const ProbeTemplate =
    "FolderLink=%FolderLink%\nFolderName=%FolderName%\nParentLink=%ParentLink%\n"
    "ParentName=%ParentName%\nGrandParentLink=%GrandParentLink%\n"
    "GrandParentName=%GrandParentName%\nShareLink=%ShareLink%\nShareName=%ShareName%\n"
    "HasFolderImage=%HasFolderImage%\nHasSongs=%HasSongs%\nHasFolders=%HasFolders%\n"
    "UserName=%UserName%\nHasFolderBackImage=%HasFolderBackImage%\n"
    "Version=%TunebridgeVersion%\nFolderAlbum=%FolderAlbum%\nFolderArtist=%FolderArtist%\n"
    "IsRecommended=%IsRecommended%\nFolderComment=%FolderComment%\n"
    "FolderCount=%FolderCount%\nFolderTime=%FolderTime%\n"
    "<!-- Start history section -->H:%HistoryItemLink%|%HistoryItemName%\n"
    "<!-- End history section -->"
    "<!-- Start file section -->F:%SongCount%|%FileItemLink%|%FileItemName%|%SongTitle%|"
    "%SongArtist%|%QSongArtist%|%SongAlbum%|%SongTrackNumber%|%SongYear%|%SongGenre%|"
    "%SongLength%|%SongBitRate%|%SongSamplingRate%|%SongMpegVersion%|%SongMpegLayer%\n"
    "<!-- End file section -->"
    "<!-- Start folder section -->D:%FolderItemLink%|%FolderItemName%\n"
    "<!-- End folder section -->";

// MPEG-1 layer III frames (128 kbit/s, 44.1 kHz) of silence: 16000 bytes a
// second, and a part of a second more, which the length leaves out.
std::string Audio(int seconds) {
    std::string frame = std::string("\xff\xfb\x90\x64", 4) + std::string(413, '\0');
    std::string bytes;
    while (bytes.size() < static_cast<size_t>(seconds) * 16000 + 8000)
        bytes += frame;
    return bytes;
}

// Share "Music" (the root's second child, after the global stream):
// "Rock <&>" with two songs, a metadata file, a front picture and the
// sub-folder "Live" holding one song.
class WebTest : public DispatchTest {
protected:
    void SetUp() override {
        AddShare("Music");
        s.music.Write("Music/Rock <&>/01 Caf\xe9.mp3",
                      Audio(65) + Id3v1("It's \"Me\"", "O'Neil \\", "Alb<um>", "2001", 3, 17));
        s.music.Write("Music/Rock <&>/02 Plain.mp3", Audio(600));
        s.music.Write("Music/Rock <&>/Live/01 Encore.mp3", Audio(7));
        s.music.Write("Music/Rock <&>/front.jpg", "not really a JPEG");
        s.music.Write("Music/Rock <&>/Tunebridge.ini",
                      "Comment=<b>Loud</b>\r\nRecommended=Yes\r\n");
        skins.Write("skins/Probe/Template.html", ProbeTemplate);
        skins.Write("skins/Probe/J1.jpg", "jpeg bytes");
        Build();
        user = AddUser("Ann <A>", "ann");
        AddUser("Colon", "col:on");
        CompileTemplates(s.users, skins.Path().c_str(), "Probe");
        Start();
    }
    static std::string Get(const std::string& path, const std::string& credentials = "ann:secret",
                           const std::string& more = "") {
        return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Basic " +
               Base64(credentials) + "\r\n" + more + "\r\n";
    }
    // One answer on a new connection, and whether the server then closed it.
    Answer Fetch(const std::string& request, bool* closed = nullptr) {
        LoopbackClient client(s.port);
        client.Send(request);
        Answer answer = Answer::Parse(client.ReadResponse());
        if (closed)
            *closed = client.WaitClosed(300ms);
        return answer;
    }
    // The "Name=value" lines and item lines of a probe page.
    static std::map<std::string, std::string> Values(const std::string& page) {
        std::map<std::string, std::string> values;
        size_t start = 0;
        for (size_t end; (end = page.find('\n', start)) != std::string::npos; start = end + 1) {
            std::string line = page.substr(start, end - start);
            size_t cut = line.find_first_of("=:");
            std::string key = line.substr(0, cut);
            values[key] +=
                (values.count(key) && line[cut] == ':' ? "\n" : "") + line.substr(cut + 1);
        }
        return values;
    }

    TempDir skins;
    UserList::Entry user;
};

TEST_F(WebTest, AFolderPageShowsEveryValueOfTheFolderItsItemsAndTheUser) {
    int32_t rock = IdOf("Rock <&>"), music = IdOf("Music"), live = IdOf("Live");
    int32_t cafe = IdOf("01 Caf\xe9.mp3"), plain = IdOf("02 Plain.mp3");
    Answer page = Fetch(Get("/" + std::to_string(rock)));
    ASSERT_TRUE(page.Complete()) << page.Describe();
    EXPECT_EQ(page.Value("ETag"), "\"" + std::string(s.index.IndexTime().TimeTag().View()) + "\"");
    EXPECT_EQ(page.Value("Content-Type"), "text/html");
    auto v = Values(page.body);
    const std::map<std::string, std::string> expected = {
        {"FolderLink", std::to_string(rock)},
        {"FolderName", "Rock &lt;&amp;&gt;"},
        {"ParentLink", std::to_string(music)},
        {"ParentName", "Music"},
        {"GrandParentLink", "0"},
        {"GrandParentName", "Tune Bridge"},
        {"ShareLink", "1"},
        {"ShareName", "Music"},
        {"HasFolderImage", "1"},
        {"HasSongs", "1"},
        {"HasFolders", "1"},
        {"UserName", "Ann &lt;A&gt;"},
        {"HasFolderBackImage", "0"},
        {"Version", "1.0.0.0"},
        {"FolderAlbum", "Rock &lt;&amp;&gt;"},
        {"FolderArtist", "Music"},
        {"IsRecommended", "1"},
        {"FolderComment", "<b>Loud</b>"},
        {"FolderCount", "2"},
        {"FolderTime", "11:05"},
        {"H", "0|Tune Bridge\n" + std::to_string(music) + "|Music\n" + std::to_string(rock) +
                  "|Rock &lt;&amp;&gt;"},
        {"F", "1|" + std::to_string(cafe) +
                  "|01 Caf\xc3\xa9.mp3|It's &quot;Me&quot;|O'Neil \\|"
                  "O\\'Neil \\\\|Alb&lt;um&gt;|3|2001|Rock|1:05|128|44100|1|III\n"
                  "2|" +
                  std::to_string(plain) + "|02 Plain.mp3|02 Plain.mp3|||||||10:00|128|44100|1|III"},
        {"D", std::to_string(live) + "|Live"},
    };
    EXPECT_EQ(v, expected);
    Answer again = Fetch(Get("/" + std::to_string(rock))); // the kept page
    EXPECT_TRUE(again.Complete()) << again.Describe();
    EXPECT_TRUE(again.body == page.body);
    // A page comes again from what is current: the metadata file, the skin.
    s.music.Write("Music/Rock <&>/Tunebridge.ini", "Comment=Quiet\r\n");
    EXPECT_EQ(Values(Fetch(Get("/" + std::to_string(rock))).body)["FolderComment"], "Quiet");
    CompileTemplates(s.users, skins.Path().c_str(), "(Standard)");
    EXPECT_EQ(Fetch(Get("/" + std::to_string(rock))).body.substr(0, 15), "<!DOCTYPE html>");
    CompileTemplates(s.users, skins.Path().c_str(), "Probe");
    // Two levels below the share, the share is still the one below the root.
    auto deeper = Values(Fetch(Get("/" + std::to_string(live))).body);
    EXPECT_EQ(deeper["ShareName"] + " " + deeper["GrandParentName"], "Music Music");
    EXPECT_EQ(s.users.ActivityOf(user).status, "Browsing");
    EXPECT_EQ(s.users.ActivityOf(user).countdown, 20);
    EXPECT_EQ(s.log.WaitForText("browsing"), "[Ann <A>]: browsing 'Rock <&>'");
}

TEST_F(WebTest, OnlyValidCredentialsOfAnAdmittedUserGetAnAnswer) {
    const std::string denied = "<html><head></head><body>Access denied!</body></html>";
    AddUser("Elsewhere", "far", 1, NetAddress("127.0.0.2"));
    AddUser("Barred", "barred", 0);
    const struct {
        const char* why;
        std::string request;
    } refused[] = {
        {"none", "GET / HTTP/1.1\r\nHost: x\r\n\r\n"},
        {"wrong password", Get("/", "ann:wrong")},
        {"not Base64", "GET / HTTP/1.1\r\nAuthorization: Basic ann:secret\r\n\r\n"},
        {"white space inside", "GET / HTTP/1.1\r\nAuthorization: Basic YW5u OnNlY3JldA==\r\n\r\n"},
        {"empty", "GET / HTTP/1.1\r\nAuthorization: Basic \r\n\r\n"},
        {"9000 bytes",
         "GET / HTTP/1.1\r\nAuthorization: Basic " + std::string(9000, 'Q') + "\r\n\r\n"},
        {"bound elsewhere", Get("/", "far:secret")},
        {"not permitted", Get("/", "barred:secret")},
        {"the part before the colon", Get("/", "col:on")},
    };
    for (const auto& r : refused) {
        bool closed = false;
        Answer answer = Fetch(r.request, &closed);
        EXPECT_EQ(answer.status, "HTTP/1.1 401 Not authorized") << r.why;
        EXPECT_EQ(answer.Value("WWW-Authenticate"), "BASIC realm=\"StreamServerWeb\"") << r.why;
        EXPECT_EQ(answer.body, denied) << r.why;
        EXPECT_TRUE(closed) << r.why;
    }
    // A password may hold a colon: the ID ends at the first one.
    EXPECT_EQ(Fetch(Get("/", "col:on:secret")).status, "HTTP/1.1 200 OK");
}

TEST_F(WebTest, UrlsNamePicturesNodesOrNothing) {
    const std::string program = std::string(ProgramTime().TimeTag().View());
    int32_t rock = IdOf("Rock <&>"), cafe = IdOf("01 Caf\xe9.mp3");
    auto notAvailable = [](const std::string& path) {
        return "<html><head></head><body><br>Page '" + path + "' not available</body></html>";
    };
    const struct {
        std::string path;
        const char* type;  // Content-Type, or null for the not-available page
        std::string start; // what the body starts with
        bool closed;
    } cases[] = {
        {"/R200", "image/gif", "GIF89a", false},
        {"/R123.gif", "image/gif", "GIF89a", false},
        {"/R999", nullptr, notAvailable("/R999"), true},
        // A picture number that is no picture is not a node's either.
        {"/R" + std::to_string(rock), nullptr, notAvailable("/R" + std::to_string(rock)), true},
        {"/J1", "image/jpg", "jpeg bytes", false},
        {"/J" + std::to_string(rock), "text/html", "FolderLink=" + std::to_string(rock), false},
        {"/G" + std::to_string(rock) + "/x", "text/html", "FolderLink=", false},
        {"/", "text/html", "FolderLink=0\n", false},
        {"/0", "text/html", "FolderLink=0\n", false},
        {"/X" + std::to_string(rock) + ".html", "text/html", "FolderLink=", false},
        {"/" + std::to_string(cafe), "audio/mpegurl",
         "#EXTM3U\r\n#EXTINF:-1, It's \"Me\"\r\nhttp://127.0.0.1/P" + std::to_string(cafe), false},
        {"/P" + std::to_string(rock), "image/jpeg", "not really a JPEG", false},
        {"/1234567", nullptr, notAvailable("/1234567"), true},
        {"/000000", "text/html", "FolderLink=0\n", false},
        {"/0000000", nullptr, notAvailable("/0000000"), true},
        {"/Z1234567", nullptr, notAvailable("/Z1234567"), true},
        {"/12a", nullptr, notAvailable("/12a"), true},
        {"/index.html", nullptr, notAvailable("/index.html"), true},
        {"/999999", nullptr, notAvailable("/999999"), true},
        {"/%3Cscript%3E&%22", nullptr, notAvailable("/&lt;script&gt;&amp;&quot;"), true},
        {"/a%20b+c", nullptr, notAvailable("/a b+c"), true},
        {"/%zz%4%4", nullptr, notAvailable("/%zz%4%4"), true},
        {"/" + std::string(4000, 'x'), nullptr, notAvailable("/" + std::string(1998, 'x')), true},
        {"/%00", nullptr, notAvailable(std::string("/\0", 2)), true},
    };
    for (const auto& c : cases) {
        bool closed = false;
        Answer answer = Fetch(Get(c.path), &closed);
        EXPECT_EQ(answer.status, "HTTP/1.1 200 OK") << c.path;
        EXPECT_EQ(answer.Value("Content-Type"), c.type ? c.type : "text/html") << c.path;
        EXPECT_EQ(answer.body.substr(0, c.start.size()), c.start) << c.path;
        if (!c.type) {
            EXPECT_EQ(answer.Value("ETag"), "\"" + program + "\"") << c.path;
        }
        EXPECT_EQ(closed, c.closed) << c.path;
    }
    s.index.SetReindexInProgress(true);
    EXPECT_EQ(Fetch(Get("/999999")).body,
              "<html><head></head><body><br>Reindex in progress, please wait!</body></html>");
}

// Playlists point back at the "P" URLs: a folder's in order with titles
// ("L"), shuffled ("M"), twenty songs from anywhere ("N"), and a song's own.
TEST_F(WebTest, FoldersAndSongsAnswerTheirPlaylists) {
    int32_t rock = IdOf("Rock <&>"), cafe = IdOf("01 Caf\xe9.mp3"), plain = IdOf("02 Plain.mp3");
    int32_t encore = IdOf("01 Encore.mp3");
    const std::string p = "http://127.0.0.1/P",
                      tag = std::string(s.index.IndexTime().TimeTag().View());
    auto head = [](size_t length, const std::string& etag, bool folder) {
        std::string type = "Content-Type: audio/mpegurl\r\n",
                    tagLine = "ETag: \"" + etag + "\"\r\n";
        return "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
               "Content-Length: " +
               std::to_string(length) + "\r\nContent-Disposition: inline; filename=song.m3u\r\n" +
               (folder ? type + tagLine : tagLine + type) + "\r\n";
    };
    const std::string list = "#EXTM3U\r\n#EXTINF:-1, It's \"Me\"\r\n" + p + std::to_string(cafe) +
                             "\r\n#EXTINF:-1, \r\n" + p + std::to_string(plain) + "\r\n";
    EXPECT_EQ(Fetch(Get("/L" + std::to_string(rock))).raw, head(list.size(), tag, true) + list);
    EXPECT_EQ(s.users.ActivityOf(user).status, "Play list");
    EXPECT_EQ(s.log.WaitForText("playing list"), "[Ann <A>]: playing list 'Rock <&>'");
    const std::string plainPath = s.music / "Music/Rock <&>/02 Plain.mp3";
    const std::string song = "#EXTM3U\r\n#EXTINF:-1, \r\n" + p + std::to_string(plain) + ".m3u\r\n";
    EXPECT_EQ(
        Fetch(Get("/" + std::to_string(plain) + ".m3u")).raw,
        head(song.size(),
             FileTimeTag(plainPath) + "x" + std::to_string(std::filesystem::file_size(plainPath)),
             false) +
            song);

    std::string shuffled = Fetch(Get("/M" + std::to_string(rock))).body;
    EXPECT_TRUE(shuffled == "#EXTM3U\r\n" + p + std::to_string(cafe) + "\r\n" + p +
                                std::to_string(plain) + "\r\n" ||
                shuffled == "#EXTM3U\r\n" + p + std::to_string(plain) + "\r\n" + p +
                                std::to_string(cafe) + "\r\n")
        << shuffled;
    EXPECT_EQ(s.users.ActivityOf(user).status, "Play folder random");
    std::string any = Fetch(Get("/N" + std::to_string(rock))).body;
    const std::set<std::string> songs = {"#EXTINF:-1, It's \"Me\"\r\n" + p + std::to_string(cafe),
                                         "#EXTINF:-1, \r\n" + p + std::to_string(plain),
                                         "#EXTINF:-1, \r\n" + p + std::to_string(encore)};
    int entries = 0;
    for (size_t at = any.find("#EXTINF"); at != std::string::npos;
         at = any.find("#EXTINF", at + 1), ++entries)
        EXPECT_TRUE(songs.count(any.substr(at, any.find("\r\n", any.find("\r\n", at) + 2) - at)))
            << any;
    EXPECT_EQ(entries, 20);
    EXPECT_EQ(s.log.WaitForText("any random"), "[Ann <A>]: playing any random '");
}

// A browser revalidates on one persistent connection: a current tag gets
// 304, with the tag, and the connection serves the next request.
TEST_F(WebTest, ACurrentTagGets304AndTheConnectionGoesOn) {
    const std::string program = std::string(ProgramTime().TimeTag().View());
    const std::string page = std::string(s.index.IndexTime().TimeTag().View());
    const std::string picture = FileTimeTag(skins / "skins/Probe/J1.jpg") + "x10";
    LoopbackClient client(s.port);
    const struct {
        std::string path, tag;
        const char* status;
    } steps[] = {
        {"/R200", program, "HTTP/1.1 304 Not modified"},
        {"/0", page, "HTTP/1.1 304 Not modified"},
        {"/J1", picture, "HTTP/1.1 304 Not modified"},
        {"/0", page + "0", "HTTP/1.1 200 OK"},
        {"/R200", "", "HTTP/1.1 200 OK"},
        // No node, no tag: even "?" is not current. (The page closes.)
        {"/999999", "?", "HTTP/1.1 200 OK"},
    };
    for (const auto& step : steps) {
        ASSERT_TRUE(
            client.Send(Get(step.path, "ann:secret",
                            step.tag.empty() ? "" : "If-None-Match: \"" + step.tag + "\"\r\n")));
        Answer answer = Answer::Parse(client.ReadResponse());
        EXPECT_EQ(answer.status, step.status) << step.path << " " << step.tag;
        if (answer.status.find("304") != std::string::npos) {
            EXPECT_EQ(answer.Value("ETag"), "\"" + step.tag + "\"");
            EXPECT_NE(answer.Value("Date").find(" GMT"), std::string::npos);
        }
    }
}

} // namespace
} // namespace tb::test
