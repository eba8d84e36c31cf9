// Index builds over real folders: tree shape, numbering, category folders,
// cancelling, and what the build writes to the log.
#include "library/IndexBuilder.h"

#include "library/FolderNode.h"
#include "library/IndexProgress.h"
#include "library/LibraryFixtures.h"
#include "library/NodeIndex.h"
#include "library/ServiceList.h"
#include "library/ShareService.h"
#include "library/SongNode.h"
#include "support/LineLog.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tb {
namespace {

using test::Id3v1Tail;

const FolderNode* RootOf(const NodeTree& tree) {
    return static_cast<const FolderNode*>(tree.Get(1));
}

const RandomStreamNode* StreamOf(const NodeTree& tree) {
    return static_cast<const RandomStreamNode*>(tree.Get(2));
}

std::vector<std::string> ChildNames(const MediaNode* node) {
    std::vector<std::string> names;
    for (MediaNode* child : static_cast<const FolderNode*>(node)->Children())
        names.emplace_back(child->Name().View());
    return names;
}

const FolderNode* Child(const MediaNode* folder, const std::string& name) {
    for (MediaNode* child : static_cast<const FolderNode*>(folder)->Children())
        if (child->Name() == name.c_str())
            return static_cast<const FolderNode*>(child);
    return nullptr;
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
    void Build(IndexProgress* progress = nullptr) {
        BuildIndex(index, services, options, log, progress);
    }
    std::shared_ptr<const NodeTree> Tree() { return index.Tree(); }

    test::TempDir dir;
    NoAnswers answers;
    NodeIndex index{answers};
    ServiceList services;
    IndexOptions options;
    test::LineLog log;
};

TEST_F(IndexBuilderTest, EmptyConfigurationGivesRootAndGlobalStream) {
    Build();
    auto tree = Tree();
    ASSERT_EQ(tree->Count(), 2);
    EXPECT_EQ(tree->Get(1), RootOf(*tree));
    EXPECT_EQ(RootOf(*tree)->Name(), "Tune Bridge");
    EXPECT_TRUE(RootOf(*tree)->Children().IsEmpty());
    auto* stream = tree->Get(2);
    EXPECT_EQ(stream, StreamOf(*tree));
    EXPECT_EQ(stream->Name(), "[Random stream]");
    EXPECT_TRUE(StreamOf(*tree)->Songs().IsEmpty());
    EXPECT_EQ(tree->Get(0), nullptr);
    EXPECT_EQ(tree->Get(3), nullptr);
    EXPECT_EQ(tree->Get(-1), nullptr);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "Building shared file index...", "Building radio station index...",
                               "Creating node index...", "Created 2 nodes."}));
}

TEST_F(IndexBuilderTest, ShareFoldersComeBeforeSongsAndHiddenEntriesAreSkipped) {
    dir.Write("music/b.MP3", "x");
    dir.Write("music/sub/one.mp3", "x");
    dir.Write("music/.hidden/two.mp3", "x");
    dir.Write("music/.dot.mp3", "x");
    dir.Write("music/notes.txt", "x");
    dir.Write("music/a.mp3x", "x");
    dir.MakeDir("music/empty");
    dir.MakeDir("music/folder.mp3");
    AddShare("Music", dir / "music");
    Build();
    auto tree = Tree();
    const FolderNode* top = Child(RootOf(*tree), "Music");
    ASSERT_NE(top, nullptr);
    auto names = ChildNames(top);
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0], "[Random stream]");
    // Sub-folders (in listing order) first, then the one song.
    std::vector<std::string> folders(names.begin() + 1, names.begin() + 4);
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders, (std::vector<std::string>{"empty", "folder.mp3", "sub"}));
    EXPECT_EQ(names[4], "b.MP3");
    auto* song = static_cast<const SongNode*>(top->Children().At(4));
    EXPECT_EQ(song->Path(), (dir / "music/b.MP3").c_str());
    EXPECT_EQ(song->Parent(), top);
    // The share's own random stream holds its two songs; the global one too.
    auto* shareStream = static_cast<const RandomStreamNode*>(top->Children().At(0));
    EXPECT_EQ(shareStream->Songs().Count(), 2);
    EXPECT_EQ(StreamOf(*tree)->Songs().Count(), 2);
}

TEST_F(IndexBuilderTest, NodesAreNumberedDepthFirstWithGlobalStreamSecond) {
    dir.Write("a/x/1.mp3", "x");
    dir.Write("a/2.mp3", "x");
    dir.Write("b/3.mp3", "x");
    AddShare("Beta", dir / "b");
    AddShare("alpha", dir / "a");
    Build();
    auto tree = Tree();
    std::vector<std::string> order;
    for (int wire = 1; wire <= tree->Count(); ++wire) {
        EXPECT_EQ(tree->Get(wire)->WireId(), wire);
        order.emplace_back(tree->Get(wire)->Name().View());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"Tune Bridge", "[Random stream]", "alpha",
                                               "[Random stream]", "x", "1.mp3", "2.mp3", "Beta",
                                               "[Random stream]", "3.mp3"}));
    EXPECT_EQ(log.Lines().back(), "Created 10 nodes.");
}

TEST_F(IndexBuilderTest, CategoryFoldersFileSongsByFirstSpellingAndSort) {
    dir.Write("m/1.mp3", Id3v1Tail("One", "Abba", "Gold", "1992", 17));
    dir.Write("m/2.mp3", Id3v1Tail("Two", "ABBA", "Gold", "", 17));
    dir.Write("m/3.mp3", Id3v1Tail("Three", "Zappa", "Apostrophe", "1974", 255));
    dir.Write("m/4.mp3", "no tag at all");
    AddShare("M", dir / "m");
    options.preloadMp3Info = true;
    options.genreFolder = options.albumFolder = options.artistFolder = options.yearFolder = true;
    Build();
    auto tree = Tree();
    auto root = ChildNames(RootOf(*tree));
    EXPECT_EQ(root, (std::vector<std::string>{"M", "Genre", "Album", "Artist", "Year"}));

    // "Abba" and "ABBA" share one folder, named as the song listed first.
    auto listed = ChildNames(Child(RootOf(*tree), "M"));
    bool oneFirst = std::find(listed.begin(), listed.end(), "1.mp3") <
                    std::find(listed.begin(), listed.end(), "2.mp3");
    std::string abba = oneFirst ? "Abba" : "ABBA";
    const FolderNode* artist = Child(RootOf(*tree), "Artist");
    EXPECT_EQ(ChildNames(artist), (std::vector<std::string>{"(unspecified)", abba, "Zappa"}));
    EXPECT_EQ(ChildNames(Child(artist, abba)), (std::vector<std::string>{"1.mp3", "2.mp3"}));
    EXPECT_EQ(ChildNames(Child(RootOf(*tree), "Year")),
              (std::vector<std::string>{"(unspecified)", "1974", "1992"}));
    EXPECT_EQ(ChildNames(Child(Child(RootOf(*tree), "Year"), "(unspecified)")),
              (std::vector<std::string>{"2.mp3", "4.mp3"}));
    EXPECT_EQ(ChildNames(Child(RootOf(*tree), "Genre")),
              (std::vector<std::string>{"(unspecified)", "Rock", "Unknown"}));

    // A song filed under value folders keeps its one ID; value folders get IDs.
    const MediaNode* song = Child(artist, abba)->Children().At(0);
    EXPECT_EQ(tree->Get(song->WireId()), song);
    EXPECT_EQ(song->Parent(), Child(RootOf(*tree), "M"));
    EXPECT_EQ(tree->Get(Child(artist, abba)->WireId()), Child(artist, abba));
    EXPECT_EQ(StreamOf(*tree)->Songs().Count(), 4);
    auto lines = log.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Building genre directory..."), lines.end());
}

TEST_F(IndexBuilderTest, CategoriesNeedPreloading) {
    dir.Write("m/1.mp3", Id3v1Tail("One", "Abba", "Gold", "1992", 17));
    AddShare("M", dir / "m");
    options.genreFolder = options.yearFolder = true;
    Build();
    EXPECT_EQ(ChildNames(RootOf(*Tree())), (std::vector<std::string>{"M"}));
}

TEST_F(IndexBuilderTest, CancelKeepsThePreviousTree) {
    dir.Write("m/1.mp3", "x");
    dir.Write("m/2.mp3", "x");
    AddShare("M", dir / "m");
    Build();
    auto before = Tree();
    ASSERT_EQ(before->Count(), 6);
    dir.Write("m/3.mp3", "x");
    log.Clear();
    CancelAfter cancel(2);
    Build(&cancel);
    EXPECT_TRUE(cancel.ended);
    EXPECT_EQ(Tree(), before);
    EXPECT_FALSE(index.ReindexInProgress());
    EXPECT_EQ(log.Lines().back(), "Created 6 nodes.");
    Build();
    EXPECT_EQ(Tree()->Count(), 7);
}

TEST_F(IndexBuilderTest, SymbolicLinkLoopsEndAndLinkedFoldersAreFollowed) {
    dir.Write("m/a/1.mp3", "x");
    dir.Write("elsewhere/2.mp3", "x");
    ASSERT_EQ(symlink((dir / "m").c_str(), (dir / "m/a/loop").c_str()), 0);
    ASSERT_EQ(symlink((dir / "elsewhere").c_str(), (dir / "m/linked").c_str()), 0);
    ASSERT_EQ(symlink((dir / "nowhere").c_str(), (dir / "m/broken.mp3").c_str()), 0);
    AddShare("M", dir / "m");
    Build();
    auto tree = Tree();
    EXPECT_EQ(StreamOf(*tree)->Songs().Count(), 2);
    EXPECT_EQ(ChildNames(Child(Child(RootOf(*tree), "M"), "a")),
              (std::vector<std::string>{"1.mp3"}));
}

TEST_F(IndexBuilderTest, MissingOrUnreadableShareFolderIsAnEmptyFolder) {
    AddShare("Gone", dir / "does-not-exist");
    Build();
    auto tree = Tree();
    EXPECT_EQ(ChildNames(Child(RootOf(*tree), "Gone")),
              (std::vector<std::string>{"[Random stream]"}));
}

TEST_F(IndexBuilderTest, AnswersHoldingTheOldTreeKeepItsNodesAlive) {
    dir.Write("m/1.mp3", "x");
    AddShare("M", dir / "m");
    Build();
    auto held = Tree();
    const MediaNode* song = held->Get(held->Count());
    std::filesystem::remove(dir / "m/1.mp3");
    Build();
    EXPECT_NE(Tree(), held);
    EXPECT_EQ(song->Name(), "1.mp3"); // still readable through the held tree
    EXPECT_EQ(Tree()->Count(), 4);
}

} // namespace
} // namespace tb
