// The first start's desktop entries: Exec quoting as the desktop entry
// format defines it, and entries that replace older ones whole.
#include "shell/DesktopShortcuts.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tb {
namespace {

TEST(DesktopShortcutsTest, QuotesExecArgumentsForBothEscapingLevels) {
    const struct {
        const char* argument;
        const char* written; // as the file holds it
    } cases[] = {
        {"/usr/bin/tunebridge", "/usr/bin/tunebridge"},
        {"/home/me/My Music", "\"/home/me/My Music\""},
        {"100%", "100%%"},
        {"a\"b", "\"a\\\\\"b\""},
        {"C:\\x", "\"C:\\\\\\\\x\""},
        {"$HOME", "\"\\\\$HOME\""},
        {"", "\"\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuoteExecArgument(c.argument), String(c.written)) << c.argument;
}

TEST(DesktopShortcutsTest, EntriesReplaceOlderOnesAndCanBeLaunched) {
    test::TempDir desktop;
    desktop.Write("TunebridgeWeb.desktop", std::string(100000, 'x'));
    mode_t umaskBefore = umask(077); // the desktop runs only executable launchers
    WriteWebShortcut(desktop.Path().c_str(), 8080, "Den\nwebb");
    WriteProgramShortcut(
        desktop.Path().c_str(),
        {"/opt/tb/tunebridge", {"--config-dir", "/srv/my store"}, desktop.Path().c_str(), "Den"});
    umask(umaskBefore);
    std::string web = test::ReadFileBytes(desktop / "TunebridgeWeb.desktop");
    EXPECT_NE(web.find("\nURL=http://127.0.0.1:8080/\n"), std::string::npos) << web;
    EXPECT_NE(web.find("\nComment=Den webb\n"), std::string::npos) << web;
    EXPECT_EQ(web.find('x'), std::string::npos);
    std::string program = test::ReadFileBytes(desktop / "Tunebridge.desktop");
    EXPECT_NE(program.find("\nExec=/opt/tb/tunebridge --config-dir \"/srv/my store\"\n"),
              std::string::npos)
        << program;
    for (const char* name : {"Tunebridge.desktop", "TunebridgeWeb.desktop"}) {
        struct stat info {};
        ASSERT_EQ(stat((desktop / name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0755u) << name;
    }
}

} // namespace
} // namespace tb
