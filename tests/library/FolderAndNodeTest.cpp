// What nodes know of themselves: the folder metadata file, cover pictures
// and their answers, stream locators, the child sort and the first letter.
#include "core/Socket.h"
#include "library/ChildSort.h"
#include "library/FolderImages.h"
#include "library/FolderNode.h"
#include "library/MetadataFile.h"
#include "library/Mp3TestFiles.h"
#include "library/StreamLocator.h"
#include "server/HttpRequest.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tb {
namespace {

TEST(MetadataFileTest, KeysMatchWholeAtLineStartsAndValuesKeepTrailingSpaces) {
    MetadataFile file;
    file.SetText("MyAlbum=x\r\nAlbum x=1\n  Album = Gold  \r\nArtist\t=\tAbba\nComment=a = b\r"
                 "Album=Second\nSortOrder=12abc\nRecommended=yes\nA=True\nB=1\nC=no\nD=\nE=");
    const std::pair<const char*, const char*> strings[] = {
        {"Album", "Gold  "}, {"Artist", "Abba"}, {"Comment", "a = b"},
        {"album", ""},       {"Missing", ""},    {"E", ""},
    };
    for (const auto& [key, value] : strings)
        EXPECT_EQ(file.GetString(key), value) << key;
    EXPECT_EQ(file.GetInt("SortOrder", 0), 12);
    EXPECT_EQ(file.GetInt("Missing", 7), 7);
    const std::tuple<const char*, bool, bool> flags[] = {
        {"Recommended", false, true}, {"A", false, true}, {"B", true, false},
        {"C", true, false},           {"D", true, true},  {"Missing", true, true},
    };
    for (const auto& [key, fallback, value] : flags)
        EXPECT_EQ(file.GetBool(key, fallback), value) << key;
    test::TempDir dir;
    dir.Write("d/Tunebridge.ini", "Album=A");
    EXPECT_TRUE(file.Open((dir / "d").c_str(), "Tunebridge.ini"));
    EXPECT_EQ(file.GetString("Album"), "A");
    EXPECT_TRUE(file.Open((dir / "d/").c_str(), "Tunebridge.ini"));
    EXPECT_FALSE(file.Open((dir / "none").c_str(), "Tunebridge.ini"));
}

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
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

TEST_F(FolderPictureTest, PicturesAreFoundByNameOrNamedInTheMetadataFile) {
    dir.Write("Abba/Abba.jpg", "abba"); // the folder's own name comes before front
    dir.Write("Abba/front.jpg", "front");
    dir.Write("Abba/back.gif", "back");
    FolderMetadata m = Folder("Abba").RefreshMetadata();
    EXPECT_EQ(m.frontImage, (dir / "Abba/Abba.jpg").c_str());
    EXPECT_EQ(m.backImage, (dir / "Abba/back.gif").c_str());

    dir.Write("a/cover.png", "png");
    dir.Write("a/front.jpg", "front");
    dir.Write("a/Tunebridge.ini", "FrontImage=" + (dir / "a/cover.png") +
                                      "\nBackImage=/etc/passwd\nAlbum=Gold\n"
                                      "Recommended=True\nSortOrder=3\nComment=<b>raw</b>\n");
    auto folder = Folder("a");
    m = folder.RefreshMetadata();
    EXPECT_EQ(m.frontImage, (dir / "a/cover.png").c_str());
    EXPECT_EQ(m.backImage, ""); // not a picture name, and no back.jpg or back.gif
    EXPECT_EQ(m.album, "Gold");
    EXPECT_TRUE(m.recommended);
    EXPECT_EQ(m.sortOrder, 3);
    EXPECT_EQ(m.comment, "<b>raw</b>");
    // The back picture answer is the placeholder, not the named file.
    std::string answer = Serve(folder, 'B');
    EXPECT_NE(answer.find("Content-Type: image/gif\r\n"), std::string::npos);
    EXPECT_EQ(answer.find("root:"), std::string::npos);

    FolderNode virtualFolder("Rock", nullptr, nullptr, "", FolderNode::Ownership::NotOwning);
    EXPECT_EQ(virtualFolder.RefreshMetadata().frontImage, ""); // looks nowhere

    // A picture found stays until the metadata file says otherwise.
    dir.Write("f/front.gif", "1");
    auto found = Folder("f");
    EXPECT_EQ(found.RefreshMetadata().frontImage, (dir / "f/front.gif").c_str());
    unlink((dir / "f/front.gif").c_str());
    EXPECT_EQ(found.RefreshMetadata().frontImage, (dir / "f/front.gif").c_str());
    dir.Write("f/Tunebridge.ini", "Album=x");
    EXPECT_EQ(found.RefreshMetadata().frontImage, "");
}

TEST_F(FolderPictureTest, PictureAnswersCarryTheFileTagAndCloseTheFile) {
    std::string bytes(25000, 'j');
    dir.Write("b/front.jpg", bytes);
    auto folder = Folder("b");
    int descriptors = OpenDescriptors();
    std::string answer = Serve(folder, 'P');
    EXPECT_EQ(OpenDescriptors(), descriptors);
    // The tag is the file's last-write time as a 64-bit file time, "x", its size.
    struct stat info {};
    ASSERT_EQ(stat((dir / "b/front.jpg").c_str(), &info), 0);
    char tag[40];
    snprintf(tag, sizeof tag, "%016llxx25000",
             (static_cast<unsigned long long>(info.st_mtim.tv_sec) + 11644473600ULL) * 10000000ULL +
                 static_cast<unsigned long long>(info.st_mtim.tv_nsec) / 100);
    EXPECT_EQ(answer, Answer(25000, tag, "image/jpeg") + bytes);
    EXPECT_EQ(folder.ImageETag('P'), tag);

    dir.Write("c/x.JPG", "pic"); // an upper-case name is announced as a GIF
    dir.Write("c/Tunebridge.ini", "FrontImage=" + (dir / "c/x.JPG"));
    auto upper = Folder("c");
    EXPECT_NE(Serve(upper, 'P').find("Content-Type: image/gif\r\n\r\npic"), std::string::npos);

    dir.MakeDir("d");
    auto none = Folder("d");
    std::string placeholder(reinterpret_cast<const char*>(FolderImages::Placeholder), 49);
    EXPECT_EQ(Serve(none, 'P'), Answer(49, "0000000000000000x0", "image/gif") + placeholder);
    EXPECT_EQ(placeholder.substr(0, 6), "GIF89a");

    dir.MakeDir("e/front.jpg"); // exists, but is a folder: nothing is sent
    auto unreadable = Folder("e");
    EXPECT_EQ(Serve(unreadable, 'P'), "");
}

TEST(StreamLocatorTest, ReadsTheExactFormsOnlyAndWritesLowerCase) {
    auto plain = StreamLocator::Parse("0123456789abcdef.0000001a");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->unit, "0123456789abcdef");
    EXPECT_EQ(plain->nodeId, 26);
    EXPECT_EQ(plain->extra, 0xFFFFFFFFu);
    auto extra = StreamLocator::Parse("0123456789ABCDEF.0000001A.0000ff01");
    ASSERT_TRUE(extra);
    EXPECT_EQ(extra->unit, "0123456789ABCDEF");
    EXPECT_EQ(extra->nodeId, 26);
    EXPECT_EQ(extra->extra, 0xff01u);
    for (const char* bad :
         {"0123456789abcde.0000001a", "0123456789abcdef0.0000001a", "0123456789abcdef.0000001",
          "0123456789abcdef.0000001a0", "0123456789abcdeg.0000001a", "0123456789abcdef.0000001a.",
          "0123456789abcdef-0000001a", "0123456789abcdef.0000001a.0000001",
          "0123456789abcdef.0000001a.00000010x", "0123456789abcdef.+000001a", "", "."})
        EXPECT_FALSE(StreamLocator::Parse(bad)) << bad;
    StreamLocator locator;
    locator.nodeId = 26;
    EXPECT_EQ(locator.ToString(), "0000000000000000.0000001a");
    locator.unit = "0123456789abcdef";
    locator.nodeId = 0x7fffffff;
    EXPECT_EQ(locator.ToString(), "0123456789abcdef.7fffffff");
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
    std::string order;
    for (const FolderNode* folder : std::initializer_list<const FolderNode*>{&root, sub})
        for (auto* child : folder->Children())
            order += std::string(child->Name().View()) + "|";
    // "01 - B" compares as "B", after "a" and before "b-folder"; sub-folders too.
    EXPECT_EQ(order, "a|01 - B|b-folder|alpha|Zed|");
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

} // namespace
} // namespace tb
