// Playlist files read by the rules they were written for, and the names
// and descriptions stations get from them.
#include "radio/StationImport.h"

#include "radio/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <string>

namespace tb {
namespace {

TEST(IniFileTest, SectionsAndKeysMatchInAnyCaseAndTheFirstWins) {
    const std::string text = "; a comment=no\r\n[other]\nFile1=wrong\n[ PlayList ]\r\n"
                             "  file1 =  http://a/1  \r\nFILE1=second\nTitle1=\"Quoted\"\n"
                             "Title2='x\nbare line\nLong=" +
                             std::string(5000, 'v') + "\n[playlist]\nFile2=later section\n";
    IniFile ini = IniFile::Parse(text);
    const struct {
        const char *section, *key;
        std::string value;
    } cases[] = {
        {"playlist", "File1", "http://a/1"},
        {"PLAYLIST", "file1", "http://a/1"},
        {"playlist", "Title1", "Quoted"},
        {"playlist", "Title2", "'x"},
        {"playlist", "Long", std::string(2998, 'v')},
        {"playlist", "File2", "later section"},
        {"other", "file1", "wrong"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::string(ini.Get(c.section, c.key).value_or("(none)").View()), c.value)
            << c.section << "/" << c.key;
    for (const char* key : {"bare line", "; a comment", "File3"})
        EXPECT_FALSE(ini.Get("playlist", key)) << key;
    EXPECT_FALSE(IniFile::Parse(std::string("\0\xff[\n=\n", 6)).Get("playlist", "File1"));
}

TEST(StationImportTest, NamesAndDescriptionsComeFromTheFileAndItsFirstTitle) {
    const std::pair<const char*, const char*> titles[] = {
        {"/radio/Jazz FM.pls", "Jazz FM"},
        {"Jazz.FM.pls", "Jazz.FM"},
        {"/x/NoDot", "NoDot"},
        {"/x/.pls", ""},
    };
    for (const auto& [path, title] : titles)
        EXPECT_EQ(FileTitle(path), title) << path;
    const std::pair<const char*, const char*> prefixes[] = {
        {"(#1 - 231/5000) Jazz FM", "Jazz FM"},
        {"   Plain  ", "Plain  "},
        {"(unclosed", "(unclosed"},
        {"()", "()"},
        {"  (x)  y", "y"},
        {"", ""},
    };
    for (const auto& [text, stripped] : prefixes)
        EXPECT_EQ(StripTitlePrefix(text), stripped) << text;
}

// What a station takes from a playlist: its URLs (a missing one reads "?",
// at most eight), quick access with exactly one entry, the first title.
TEST(StationImportTest, PlaylistsGiveTheirFirstEightUrlsWhateverTheyHold) {
    test::TempDir folder;
    const struct {
        std::string text;
        const char* urls;
        bool quick;
        const char* description;
    } cases[] = {
        {"", "", false, ""},
        {"[playlist]\nnumberofentries=-1\nFile1=http://a/\n", "", false, ""},
        {std::string("\0\xff\xfe[playlist]\x01=\n", 11), "", false, ""},
        {"[playlist]\nNumberOfEntries=1\nFile1=http://a/\nTitle1=(#3 - 1/9) A\n", "http://a/", true,
         "A"},
        {"[playlist]\nnumberofentries=3\nFile2=http://b/\n", "? http://b/ ?", false, "?"},
        {"[playlist]\nnumberofentries=12\nFile8=8\nFile9=9\n", "? ? ? ? ? ? ? 8", false, "?"},
    };
    for (const auto& c : cases) {
        RadioService::Fields station = ImportPlsFile(folder.Write("List.pls", c.text).c_str());
        std::string urls;
        for (const String& url : station.urls)
            if (!url.IsEmpty())
                urls += (urls.empty() ? "" : " ") + std::string(url.View());
        EXPECT_EQ(urls, c.urls) << c.text;
        EXPECT_EQ(station.quickAccess, c.quick) << c.text;
        EXPECT_EQ(station.description, c.description) << c.text;
        EXPECT_EQ(station.name, "List");
    }
    RadioService::Fields missing = ImportPlsFile("/no/such/Gone.pls");
    EXPECT_EQ(missing.name, "Gone");
    EXPECT_TRUE(missing.urls[0].IsEmpty());
}

} // namespace
} // namespace tb
