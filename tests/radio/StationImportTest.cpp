// Playlist files read by the rules they were written for, and the names
// and descriptions stations get from them.
#include "radio/StationImport.h"

#include "radio/IniFile.h"

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
    RadioService::Fields missing = ImportPlsFile("/no/such/Gone.pls");
    EXPECT_EQ(missing.name, "Gone");
    EXPECT_TRUE(missing.urls[0].IsEmpty());
    EXPECT_FALSE(missing.quickAccess);
}

} // namespace
} // namespace tb
