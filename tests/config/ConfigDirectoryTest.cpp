// Where the store lives: the command line, then the program's variable, the
// XDG folder and the home folder.
#include "config/ConfigDirectory.h"

#include "core/String.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace tb::test {
namespace {

// Sets a variable for one case and puts the old value back afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = getenv(name))
            old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(ConfigDirectoryTest, EachSourceIsTakenInItsTurn) {
    struct Case {
        const char* given;
        const char* own;
        const char* xdg;
        const char* home;
        const char* expected; // null: the password database's home, then .config/tunebridge
    };
    const Case cases[] = {
        {"/given", "/env/dir", "/xdg", "/home/someone", "/given"},
        {"", "/env/dir", "/xdg", "/home/someone", "/env/dir"},
        {"", nullptr, "/xdg", "/home/someone", "/xdg/tunebridge"},
        {"", nullptr, nullptr, "/home/someone", "/home/someone/.config/tunebridge"},
        {"", "", "", "/home/someone", "/home/someone/.config/tunebridge"},
        {"", nullptr, "relative/config", "/home/someone", "/home/someone/.config/tunebridge"},
        {"", nullptr, nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        ScopedVariable own("TUNEBRIDGE_CONFIG_DIR", c.own), xdg("XDG_CONFIG_HOME", c.xdg),
            home("HOME", c.home);
        std::string directory(ConfigDirectory(c.given).View());
        if (c.expected) {
            EXPECT_EQ(directory, c.expected);
        } else {
            EXPECT_EQ(directory.front(), '/');
            EXPECT_TRUE(directory.ends_with("/.config/tunebridge")) << directory;
        }
    }
}

} // namespace
} // namespace tb::test
