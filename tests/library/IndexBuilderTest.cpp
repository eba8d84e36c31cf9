// Index builds over real folders: tree shape, numbering, category folders,
// cancelling, and what the build writes to the log.
#include "library/IndexBuilder.h"

#include "library/FolderNode.h"
#include "library/IndexProgress.h"
#include "library/Mp3TestFiles.h"
#include "library/NodeIndex.h"
#include "library/ServiceList.h"
#include "library/ShareService.h"
#include "library/SongNode.h"
#include "support/LineLog.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tb {
namespace {

std::string Tagged(const std::string& title, const std::string& artist, const std::string& year,
                   uint8_t genre) {
    test::Bytes tag = test::Id3v1Tag({title, artist, "Gold", year, "", -1, genre, ' '});
    return std::string(tag.begin(), tag.end());
}

const FolderNode* Child(const MediaNode* folder, const std::string& name) {
    for (MediaNode* child : static_cast<const FolderNode*>(folder)->Children())
        if (child->Name() == name.c_str())
            return static_cast<const FolderNode*>(child);
    return nullptr;
}

// The children's names, as "a|b|...".
std::string Names(const MediaNode* folder) {
    std::string names;
    for (MediaNode* child : static_cast<const FolderNode*>(folder)->Children())
        names += std::string(child->Name().View()) + "|";
    return names;
}

class CancelAfter : public IndexProgress {
public:
    explicit CancelAfter(int calls) : left_(calls) {}
    bool KeepGoing(Item) override { return --left_ > 0; }
    bool SetStatus(const String&) override { return true; }
    bool Begin() override { return true; }
    void End() override { ended = true; }
    bool ended = false;

private:
    int left_;
};

// The library's own tests build trees but never ask a node to answer.
class NoAnswers : public NodeAnswers {
    void ContentItem(FolderNode&, HttpRequest&, TextBuilder&) const override { Unused(); }
    void ContentItem(SongNode&, HttpRequest&, TextBuilder&) const override { Unused(); }
    void ContentItem(RandomStreamNode&, HttpRequest&, TextBuilder&) const override { Unused(); }
    HttpAnswer Browse(FolderNode&, HttpRequest&, int32_t, int32_t, const String&) const override {
        return Unused(), HttpAnswer{};
    }
    HttpAnswer Browse(RandomStreamNode&, HttpRequest&, int32_t, int32_t,
                      const String&) const override {
        return Unused(), HttpAnswer{};
    }
    void WebAction(FolderNode&, HttpRequest&, char) const override { Unused(); }
    void WebAction(SongNode&, HttpRequest&, char) const override { Unused(); }
    void Play(SongNode&, HttpRequest&) const override { Unused(); }
    static void Unused() { ADD_FAILURE() << "a library test asked a node to answer"; }
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
    NoAnswers answers;
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
    dir.Write("m/1.mp3", Tagged("One", "Abba", "1992", 17));
    dir.Write("m/2.mp3", Tagged("Two", "ABBA", "", 17));
    dir.Write("m/3.mp3", Tagged("Three", "Zappa", "1974", 255));
    dir.Write("m/4.mp3", "no tag at all");
    AddShare("M", dir / "m");
    options.genreFolder = options.albumFolder = options.artistFolder = options.yearFolder = true;
    EXPECT_EQ(Names(Root(*Build())), "M|"); // categories need preloading
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
    auto lines = log.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Building genre directory..."), lines.end());
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
    log.Clear();
    CancelAfter cancel(2);
    EXPECT_EQ(Build(&cancel), before);
    EXPECT_TRUE(cancel.ended);
    EXPECT_FALSE(index.ReindexInProgress());
    EXPECT_EQ(log.Lines().back(), "Created 6 nodes.");
    std::filesystem::remove(dir / ("m/" + lastName));
    EXPECT_EQ(Build()->Count(), 6);
    EXPECT_NE(index.Tree(), before);
    EXPECT_EQ(last->Name(), lastName.c_str()); // still readable through the held tree
}

} // namespace
} // namespace tb
