// The folder metadata file, cover picture search and picture answers.
#include "core/Socket.h"
#include "library/FolderImages.h"
#include "library/FolderNode.h"
#include "library/MetadataFile.h"
#include "server/HttpRequest.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tb {
namespace {

MetadataFile FromText(const char* text) {
    MetadataFile file;
    file.SetText(text);
    return file;
}

TEST(MetadataFileTest, KeysMatchAtLineStartsAndValuesKeepTrailingSpaces) {
    auto file =
        FromText("MyAlbum=x\r\n  Album = Gold  \r\nArtist\t=\tAbba\nComment=a = b\rAlbum=Second");
    EXPECT_EQ(file.GetString("Album"), "Gold  ");
    EXPECT_EQ(file.GetString("Artist"), "Abba");
    EXPECT_EQ(file.GetString("Comment"), "a = b");
    EXPECT_EQ(file.GetString("album"), "");
    EXPECT_EQ(file.GetString("Missing"), "");
    EXPECT_EQ(FromText("MyAlbum=x").GetString("Album"), "");
    EXPECT_EQ(FromText("Album x=1\nAlbum=2").GetString("Album"), "2");
    EXPECT_EQ(FromText("Album=").GetString("Album"), "");
}

TEST(MetadataFileTest, NumbersAndFlags) {
    auto file = FromText("SortOrder=12abc\nRecommended=yes\nA=True\nB=1\nC=no\nD=\n");
    EXPECT_EQ(file.GetInt("SortOrder", 0), 12);
    EXPECT_EQ(file.GetInt("Missing", 7), 7);
    EXPECT_TRUE(file.GetBool("Recommended", false));
    EXPECT_TRUE(file.GetBool("A", false));
    EXPECT_FALSE(file.GetBool("B", true));
    EXPECT_FALSE(file.GetBool("C", true));
    EXPECT_TRUE(file.GetBool("D", true));
}

TEST(MetadataFileTest, OpenJoinsDirectoryAndReportsMissingFiles) {
    test::TempDir dir;
    dir.Write("d/Tunebridge.ini", "Album=A");
    MetadataFile file;
    EXPECT_TRUE(file.Open((dir / "d").c_str(), "Tunebridge.ini"));
    EXPECT_EQ(file.GetString("Album"), "A");
    EXPECT_TRUE(file.Open((dir / "d/").c_str(), "Tunebridge.ini"));
    EXPECT_FALSE(file.Open((dir / "none").c_str(), "Tunebridge.ini"));
}

class FolderPictureTest : public ::testing::Test {
protected:
    FolderNode Folder(const std::string& relative) {
        return FolderNode("f", nullptr, nullptr, (dir / relative).c_str(),
                          FolderNode::Ownership::Owning);
    }
    // What ServeImage writes to a socket.
    std::string Serve(FolderNode& folder, char action) {
        int fds[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        std::string received;
        std::thread reader([&] {
            char buffer[4096];
            for (ssize_t n; (n = read(fds[1], buffer, sizeof buffer)) > 0;)
                received.append(buffer, static_cast<size_t>(n));
        });
        {
            Socket socket(fds[0], 0);
            HttpRequest request;
            request.socket = &socket;
            folder.ServeImage(request, action);
        }
        reader.join();
        close(fds[1]);
        return received;
    }

    test::TempDir dir;
};

TEST_F(FolderPictureTest, FolderNamedPictureComesBeforeFront) {
    dir.Write("Music/Abba/Abba.jpg", "abba");
    dir.Write("Music/Abba/front.jpg", "front");
    dir.Write("Music/Abba/back.gif", "back");
    auto folder = Folder("Music/Abba");
    FolderMetadata m = folder.RefreshMetadata();
    EXPECT_EQ(m.frontImage, (dir / "Music/Abba/Abba.jpg").c_str());
    EXPECT_EQ(m.backImage, (dir / "Music/Abba/back.gif").c_str());
}

TEST_F(FolderPictureTest, MetadataFileNamesPicturesButOnlyPictureFiles) {
    dir.Write("a/cover.png", "png");
    dir.Write("a/front.jpg", "front");
    dir.Write("a/Tunebridge.ini", "FrontImage=" + (dir / "a/cover.png") +
                                      "\nBackImage=/etc/passwd\nAlbum=Gold\n"
                                      "Recommended=True\nSortOrder=3\nComment=<b>raw</b>\n");
    auto folder = Folder("a");
    FolderMetadata m = folder.RefreshMetadata();
    EXPECT_EQ(m.frontImage, (dir / "a/cover.png").c_str());
    EXPECT_EQ(m.backImage, ""); // not a picture name, and no back.jpg/back.gif
    EXPECT_EQ(m.album, "Gold");
    EXPECT_TRUE(m.recommended);
    EXPECT_EQ(m.sortOrder, 3);
    EXPECT_EQ(m.comment, "<b>raw</b>");
    // The back picture answer is the placeholder, not the named file.
    std::string answer = Serve(folder, 'B');
    EXPECT_NE(answer.find("Content-Type: image/gif\r\n"), std::string::npos);
    EXPECT_EQ(answer.find("root:"), std::string::npos);
}

TEST_F(FolderPictureTest, PictureWithoutMetadataFileIsSentWithFileTag) {
    std::string bytes(25000, 'j');
    dir.Write("b/front.jpg", bytes);
    auto folder = Folder("b");
    std::string answer = Serve(folder, 'P');
    // The tag is the file's last-write time as a 64-bit file time, "x", its size.
    struct stat info {};
    ASSERT_EQ(stat((dir / "b/front.jpg").c_str(), &info), 0);
    unsigned long long fileTime =
        (static_cast<unsigned long long>(info.st_mtim.tv_sec) + 11644473600ULL) * 10000000ULL +
        static_cast<unsigned long long>(info.st_mtim.tv_nsec) / 100;
    char tag[40];
    snprintf(tag, sizeof tag, "%016llxx25000", fileTime);
    EXPECT_EQ(answer, "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
                      "Content-Length:25000\r\nETag: \"" +
                          std::string(tag) +
                          "\"\r\n"
                          "Content-Type: image/jpeg\r\n\r\n" +
                          bytes);
    EXPECT_EQ(folder.ImageETag('P'), tag);
}

TEST_F(FolderPictureTest, UpperCaseJpgIsAnnouncedAsGif) {
    dir.Write("c/x.JPG", "pic");
    dir.Write("c/Tunebridge.ini", "FrontImage=" + (dir / "c/x.JPG"));
    auto folder = Folder("c");
    EXPECT_NE(Serve(folder, 'P').find("Content-Type: image/gif\r\n\r\npic"), std::string::npos);
}

TEST_F(FolderPictureTest, NoPictureGivesThePlaceholderAndZeroTag) {
    dir.MakeDir("d");
    auto folder = Folder("d");
    std::string answer = Serve(folder, 'P');
    std::string placeholder(reinterpret_cast<const char*>(FolderImages::Placeholder), 49);
    EXPECT_EQ(answer, "HTTP/1.1 200 OK\r\nAccept-Ranges: bytes\r\nCache-Control: private\r\n"
                      "Content-Length:49\r\nETag: \"0000000000000000x0\"\r\n"
                      "Content-Type: image/gif\r\n\r\n" +
                          placeholder);
    EXPECT_EQ(placeholder.substr(0, 6), "GIF89a");
    EXPECT_EQ(static_cast<unsigned char>(placeholder.back()), 0x3b);
}

TEST_F(FolderPictureTest, PictureThatCannotBeReadSendsNothing) {
    dir.MakeDir("e/front.jpg"); // exists, but is a folder
    auto folder = Folder("e");
    EXPECT_EQ(Serve(folder, 'P'), "");
}

TEST_F(FolderPictureTest, FoundPicturesStayUntilTheFileSaysOtherwise) {
    dir.Write("f/front.gif", "1");
    auto folder = Folder("f");
    EXPECT_EQ(folder.RefreshMetadata().frontImage, (dir / "f/front.gif").c_str());
    unlink((dir / "f/front.gif").c_str());
    EXPECT_EQ(folder.RefreshMetadata().frontImage, (dir / "f/front.gif").c_str());
    dir.Write("f/Tunebridge.ini", "Album=x");
    EXPECT_EQ(folder.RefreshMetadata().frontImage, "");
}

TEST_F(FolderPictureTest, VirtualFoldersLookNowhere) {
    FolderNode virtualFolder("Rock", nullptr, nullptr, "", FolderNode::Ownership::NotOwning);
    FolderMetadata m = virtualFolder.RefreshMetadata();
    EXPECT_EQ(m.frontImage, "");
    EXPECT_EQ(m.album, "");
}

} // namespace
} // namespace tb
