// What nodes know of themselves (the folder metadata, cover pictures and
// their answers, stream locators, the child sort and the first letter)
// and index builds over real folders: tree shape, numbering, category
// folders, cancelling, and the build's log.
#include "core/Socket.h"
#include "library/ChildSort.h"
#include "library/FolderImages.h"
#include "library/FolderNode.h"
#include "library/IndexBuilder.h"
#include "library/IndexProgress.h"
#include "library/NodeIndex.h"
#include "library/ServiceList.h"
#include "library/ShareService.h"
#include "library/SongNode.h"
#include "library/StreamLocator.h"
#include "server/HttpRequest.h"
#include "server/ResponseHeaders.h"
#include "support/LineLog.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tb {

namespace {

// The children's names, as "a|b|...".
std::string Names(const MediaNode* folder) {
    std::string names;
    for (MediaNode* child : static_cast<const FolderNode*>(folder)->Children())
        names += std::string(child->Name().View()) + "|";
    return names;
}

class FolderPictureTest : public ::testing::Test {
protected:
    FolderNode Folder(const std::string& relative) {
        return FolderNode("f", nullptr, nullptr, (dir / relative).c_str(),
                          FolderNode::Ownership::Owning);
    }
    // What ServeImage writes to a socket; answers here fit its buffer.
    std::string Serve(FolderNode& folder, char action) {
        int fds[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        {
            Socket socket(fds[0], 0);
            HttpRequest request;
            request.socket = &socket;
            folder.ServeImage(request, action);
        }
        std::string received;
        char buffer[4096];
        for (ssize_t n; (n = read(fds[1], buffer, sizeof buffer)) > 0;)
            received.append(buffer, static_cast<size_t>(n));
        close(fds[1]);
        return received;
    }
    static std::string Answer(size_t length, const std::string& tag, const char* type) {
        return "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
               "Content-Length:" +
               std::to_string(length) + "\r\nETag: \"" + tag + "\"\r\nContent-Type: " + type +
               "\r\n\r\n";
    }

    test::TempDir dir;
};

TEST_F(FolderPictureTest, TheMetadataFileNamesPicturesButNoOtherFile) {
    dir.Write("a/cover.png", "png");
    dir.Write("a/front.jpg", "front");
    dir.Write("a/Tunebridge.ini", "FrontImage=" + (dir / "a/cover.png") +
                                      "\nBackImage=/etc/passwd\nAlbum=Gold\n"
                                      "Recommended=True\nSortOrder=3\nComment=<b>raw</b>\n");
    auto folder = Folder("a");
    FolderMetadata m = folder.RefreshMetadata();
    EXPECT_EQ(m.frontImage, (dir / "a/cover.png").c_str());
    EXPECT_EQ(m.backImage, ""); // not a picture name, and no back.jpg or back.gif
    EXPECT_EQ(m.album, "Gold");
    EXPECT_TRUE(m.recommended);
    EXPECT_EQ(m.sortOrder, 3);
    EXPECT_EQ(m.comment, "<b>raw</b>");
    // The back picture answer is the placeholder, not the named file.
    std::string placeholder(reinterpret_cast<const char*>(FolderImages::Placeholder), 49);
    EXPECT_EQ(Serve(folder, 'B'), Answer(49, "0000000000000000x0", "image/gif") + placeholder);
}

TEST_F(FolderPictureTest, PicturesFoundByNameCarryTheFileTagAndTheFileIsClosed) {
    std::string bytes(25000, 'j');
    dir.Write("b/front.jpg", bytes);
    auto folder = Folder("b");
    auto descriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    auto before = descriptors();
    std::string answer = Serve(folder, 'P');
    EXPECT_EQ(descriptors(), before);
    // The tag is the file's, as the response headers' tests pin it down.
    std::string tag(FileETag((dir / "b/front.jpg").c_str()).View());
    EXPECT_EQ(answer, Answer(25000, tag, "image/jpeg") + bytes);
    EXPECT_EQ(folder.ImageETag('P'), tag.c_str());

    // Exists, but is a folder: the placeholder goes out, so that the browser
    // does not wait for an answer.
    dir.MakeDir("e/front.jpg");
    auto unreadable = Folder("e");
    std::string placeholder = Serve(unreadable, 'P');
    EXPECT_EQ(placeholder.substr(placeholder.find("Content-Type")),
              "Content-Type: image/gif\r\n\r\n" +
                  std::string(reinterpret_cast<const char*>(FolderImages::Placeholder),
                              sizeof FolderImages::Placeholder));
}

TEST(StreamLocatorTest, ReadsTheExactFormsOnlyAndWritesLowerCase) {
    auto plain = StreamLocator::Parse("0123456789abcdef.0000001a");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->ToString(), "0123456789abcdef.0000001a");
    EXPECT_EQ(plain->extra, StreamLocator::NoExtra);
    auto extra = StreamLocator::Parse("0123456789ABCDEF.0000001A.0000ff01");
    ASSERT_TRUE(extra);
    EXPECT_EQ(extra->ToString(), "0123456789ABCDEF.0000001a"); // the node ID in lower case
    EXPECT_EQ(extra->extra, 0xff01u);
    for (const char* bad :
         {"0123456789abcde.0000001a", "0123456789abcdef0.0000001a", "0123456789abcdef.0000001",
          "0123456789abcdef.0000001a0", "0123456789abcdeg.0000001a", "0123456789abcdef.0000001a.",
          "0123456789abcdef-0000001a", "0123456789abcdef.0000001a.0000001",
          "0123456789abcdef.0000001a.00000010x", "0123456789abcdef.+000001a", "", "."})
        EXPECT_FALSE(StreamLocator::Parse(bad)) << bad;
    EXPECT_EQ((StreamLocator{"0123456789abcdef", 0x7fffffff}).ToString(),
              "0123456789abcdef.7fffffff");
}

TEST(ChildSortTest, SortsIgnoringCaseAndTrackPrefixesBeforeADash) {
    const std::pair<const char*, const char*> prefixes[] = {
        {"01 - Intro", "Intro"}, {"01-Intro", "Intro"}, {"01 Intro", "01 Intro"},
        {"2Pac", "2Pac"},        {"12  -   ", ""},      {"-1 x", "-1 x"},
    };
    for (const auto& [name, sorted] : prefixes)
        EXPECT_STREQ(SkipTrackPrefix(name), sorted) << name;
    FolderNode root("root", nullptr, nullptr, "", FolderNode::Ownership::Owning);
    auto* sub = new FolderNode("b-folder", &root, nullptr, "", FolderNode::Ownership::Owning);
    sub->AddChild(new FolderNode("Zed", sub, nullptr, "", FolderNode::Ownership::Owning));
    sub->AddChild(new FolderNode("alpha", sub, nullptr, "", FolderNode::Ownership::Owning));
    root.AddChild(new FolderNode("01 - B", &root, nullptr, "", FolderNode::Ownership::Owning));
    root.AddChild(sub);
    root.AddChild(new FolderNode("a", &root, nullptr, "", FolderNode::Ownership::Owning));
    SortChildren(root);
    // "01 - B" compares as "B", after "a" and before "b-folder"; sub-folders too.
    EXPECT_EQ(Names(&root) + Names(sub), "a|01 - B|b-folder|alpha|Zed|");
}

TEST(MediaNodeTest, StartsAtOrAfterComparesUpperCasedFirstCharacters) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"monkey", "M", true},    {"monkey", "a", true}, {"monkey", "n", false},
        {"monkey", "", true},     {"", "A", false},      {"", "", true},
        {"\xC4pple", "A", false}, // bytes above 127 count as negative, before the letters
    };
    for (const auto& [name, letter, after] : cases) {
        FolderNode node(name, nullptr, nullptr, "", FolderNode::Ownership::Owning);
        EXPECT_EQ(node.StartsAtOrAfter(letter), after) << name << " " << letter;
    }
}

// A song file that holds only an ID3v1 tag (album "Gold"), padded with spaces.
std::string Tagged(std::string artist, std::string year, char genre) {
    artist.resize(30, ' ');
    year.resize(4, ' ');
    return "TAG" + std::string(30, ' ') + artist + "Gold" + std::string(26, ' ') + year +
           std::string(30, '\0') + genre;
}

const FolderNode* Child(const MediaNode* folder, const std::string& name) {
    for (MediaNode* child : static_cast<const FolderNode*>(folder)->Children())
        if (child->Name() == name.c_str())
            return static_cast<const FolderNode*>(child);
    return nullptr;
}

struct CancelAfter : IndexProgress {
    explicit CancelAfter(int calls) : left(calls) {}
    bool KeepGoing(Item) override { return --left > 0; }
    bool SetStatus(const String&) override { return true; }
    bool Begin() override { return true; }
    void End() override { ended = true; }
    int left;
    bool ended = false;
};

// The library's own tests build trees but never ask a node to answer: held
// strictly, any call fails the test.
struct NoAnswers : NodeAnswers {
    MOCK_METHOD(void, ContentItem, (FolderNode&, HttpRequest&, TextBuilder&), (const, override));
    MOCK_METHOD(void, ContentItem, (SongNode&, HttpRequest&, TextBuilder&), (const, override));
    MOCK_METHOD(void, ContentItem, (RandomStreamNode&, HttpRequest&, TextBuilder&),
                (const, override));
    MOCK_METHOD(HttpAnswer, Browse, (FolderNode&, HttpRequest&, int32_t, int32_t, const String&),
                (const, override));
    MOCK_METHOD(HttpAnswer, Browse,
                (RandomStreamNode&, HttpRequest&, int32_t, int32_t, const String&),
                (const, override));
    MOCK_METHOD(void, WebAction, (FolderNode&, HttpRequest&, char), (const, override));
    MOCK_METHOD(void, WebAction, (SongNode&, HttpRequest&, char), (const, override));
    MOCK_METHOD(void, WebAction, (RandomStreamNode&, HttpRequest&, char), (const, override));
    MOCK_METHOD(void, Play, (SongNode&, HttpRequest&), (const, override));
};

class IndexBuilderTest : public ::testing::Test {
protected:
    void AddShare(const std::string& name, const std::string& folder) {
        services.Items().push_back(
            std::make_shared<ShareService>(name.c_str(), "", folder.c_str(), false));
        services.Sort();
    }
    std::shared_ptr<const NodeTree> Build(IndexProgress* progress = nullptr) {
        BuildIndex(index, services, options, log, progress);
        return index.Tree();
    }
    static const FolderNode* Root(const NodeTree& tree) {
        return static_cast<const FolderNode*>(tree.Get(1));
    }
    static int32_t StreamSongs(const NodeTree& tree) {
        return static_cast<const RandomStreamNode*>(tree.Get(2))->Songs().Count();
    }

    test::TempDir dir;
    ::testing::StrictMock<NoAnswers> answers;
    NodeIndex index{answers};
    ServiceList services;
    IndexOptions options;
    test::LineLog log;
};

TEST_F(IndexBuilderTest, FoldersComeBeforeSongsHiddenEntriesAreSkippedAndLinksFollowed) {
    for (const char* file : {"music/b.MP3", "music/sub/one.mp3", "music/.hidden/two.mp3",
                             "music/.dot.mp3", "music/notes.txt", "music/a.mp3x"})
        dir.Write(file, "x");
    dir.MakeDir("music/empty");
    dir.MakeDir("music/folder.mp3");
    dir.Write("elsewhere/3.mp3", "x");
    ASSERT_EQ(symlink((dir / "music").c_str(), (dir / "music/sub/loop").c_str()), 0);
    ASSERT_EQ(symlink((dir / "elsewhere").c_str(), (dir / "music/linked").c_str()), 0);
    ASSERT_EQ(symlink((dir / "nowhere").c_str(), (dir / "music/broken.mp3").c_str()), 0);
    AddShare("Music", dir / "music");
    auto tree = Build();
    const FolderNode* top = Child(Root(*tree), "Music");
    ASSERT_NE(top, nullptr);
    ASSERT_EQ(top->Children().Count(), 6);
    // The share's random stream, sub-folders in listing order, then the song.
    EXPECT_EQ(top->Children().At(0)->Name(), "[Random stream]");
    std::vector<std::string> folders;
    for (int i = 1; i < 5; ++i)
        folders.emplace_back(top->Children().At(i)->Name().View());
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders, (std::vector<std::string>{"empty", "folder.mp3", "linked", "sub"}));
    auto* song = static_cast<const SongNode*>(top->Children().At(5));
    EXPECT_EQ(song->Name(), "b.MP3");
    EXPECT_EQ(song->Path(), (dir / "music/b.MP3").c_str());
    EXPECT_EQ(song->Parent(), top);
    EXPECT_EQ(Names(Child(top, "sub")), "one.mp3|"); // the loop ends
    // The share's own random stream holds its songs; the global one too.
    EXPECT_EQ(static_cast<const RandomStreamNode*>(top->Children().At(0))->Songs().Count(), 3);
    EXPECT_EQ(StreamSongs(*tree), 3);
}

TEST_F(IndexBuilderTest, NodesAreNumberedDepthFirstWithGlobalStreamSecondAndTheBuildLogged) {
    EXPECT_EQ(Build()->Count(), 2); // the root and the global stream alone
    dir.Write("a/x/1.mp3", "x");
    dir.Write("a/2.mp3", "x");
    dir.Write("b/3.mp3", "x");
    AddShare("Beta", dir / "b");
    AddShare("alpha", dir / "a");
    AddShare("Gone", dir / "does-not-exist"); // an empty folder, and a line in the log
    log.Clear();
    auto tree = Build();
    std::string order;
    for (int wire = 1; wire <= tree->Count(); ++wire) {
        ASSERT_NE(tree->Get(wire), nullptr) << wire;
        EXPECT_EQ(tree->Get(wire)->WireId(), wire);
        order += std::string(tree->Get(wire)->Name().View()) + "|";
    }
    EXPECT_EQ(order, "Tune Bridge|[Random stream]|alpha|[Random stream]|x|1.mp3|2.mp3|Beta|"
                     "[Random stream]|3.mp3|Gone|[Random stream]|");
    for (int32_t wireId : {0, -1, tree->Count() + 1})
        EXPECT_EQ(tree->Get(wireId), nullptr) << wireId;
    EXPECT_EQ(StreamSongs(*tree), 3);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "Building shared file index...",
                               "Share 'Gone': cannot read the folder '" + (dir / "does-not-exist") +
                                   "' (No such file or directory).",
                               "Building radio station index...", "Creating node index...",
                               "Created 12 nodes."}));
}

TEST_F(IndexBuilderTest, CategoryFoldersFileSongsByFirstSpellingAndSort) {
    dir.Write("m/1.mp3", Tagged("Abba", "1992", 17));
    dir.Write("m/2.mp3", Tagged("ABBA", "", 17));
    dir.Write("m/3.mp3", Tagged("Zappa", "1974", '\xFF'));
    dir.Write("m/4.mp3", "no tag at all");
    AddShare("M", dir / "m");
    options.genreFolder = options.albumFolder = options.artistFolder = options.yearFolder = true;
    options.preloadMp3Info = true;
    auto tree = Build();
    const FolderNode* root = Root(*tree);
    EXPECT_EQ(Names(root), "M|Genre|Album|Artist|Year|");
    // "Abba" and "ABBA" share one folder, named as the song listed first.
    std::string listed = Names(Child(root, "M"));
    std::string abba = listed.find("1.mp3") < listed.find("2.mp3") ? "Abba" : "ABBA";
    const FolderNode* artist = Child(root, "Artist");
    EXPECT_EQ(Names(artist), "(unspecified)|" + abba + "|Zappa|");
    EXPECT_EQ(Names(Child(artist, abba)), "1.mp3|2.mp3|");
    EXPECT_EQ(Names(Child(root, "Album")), "(unspecified)|Gold|");
    EXPECT_EQ(Names(Child(root, "Year")), "(unspecified)|1974|1992|");
    EXPECT_EQ(Names(Child(Child(root, "Year"), "(unspecified)")), "2.mp3|4.mp3|");
    EXPECT_EQ(Names(Child(root, "Genre")), "(unspecified)|Rock|Unknown|");
    // A song filed under value folders keeps its one ID; value folders get IDs.
    const MediaNode* song = Child(artist, abba)->Children().At(0);
    EXPECT_EQ(tree->Get(song->WireId()), song);
    EXPECT_EQ(song->Parent(), Child(root, "M"));
    EXPECT_EQ(tree->Get(Child(artist, abba)->WireId()), Child(artist, abba));
    EXPECT_EQ(StreamSongs(*tree), 4);
}

TEST_F(IndexBuilderTest, ACancelledBuildKeepsThePreviousTreeWhichAnswersMayHold) {
    dir.Write("m/1.mp3", "x");
    dir.Write("m/2.mp3", "x");
    AddShare("M", dir / "m");
    auto before = Build();
    ASSERT_EQ(before->Count(), 6);
    const MediaNode* last = before->Get(6);
    ASSERT_NE(last, nullptr);
    const std::string lastName(last->Name().View());
    dir.Write("m/3.mp3", "x");
    CancelAfter cancel(2);
    EXPECT_EQ(Build(&cancel), before);
    EXPECT_TRUE(cancel.ended);
    EXPECT_FALSE(index.ReindexInProgress());
    std::filesystem::remove(dir / ("m/" + lastName));
    EXPECT_EQ(Build()->Count(), 6);
    EXPECT_NE(index.Tree(), before);
    EXPECT_EQ(last->Name(), lastName.c_str()); // still readable through the held tree
}

} // namespace
} // namespace tb
