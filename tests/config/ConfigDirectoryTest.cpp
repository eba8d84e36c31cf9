#include "config/ConfigDirectory.h"

#include "core/String.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>

namespace tb::test {
namespace {

// Sets the variables for one test and puts the old values back afterwards.
class ConfigDirectoryTest : public ::testing::Test {
protected:
    void Set(const char* name, const char* value) {
        if (!saved_.count(name)) {
            const char* old = getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    void SetUp() override {
        Set("TUNEBRIDGE_CONFIG_DIR", nullptr);
        Set("XDG_CONFIG_HOME", nullptr);
        Set("HOME", "/home/someone");
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST_F(ConfigDirectoryTest, TheCommandLineComesFirst) {
    Set("TUNEBRIDGE_CONFIG_DIR", "/env/dir");
    Set("XDG_CONFIG_HOME", "/xdg");
    EXPECT_EQ(ConfigDirectory("/given"), "/given");
}

TEST_F(ConfigDirectoryTest, ThenTheProgramsOwnVariable) {
    Set("TUNEBRIDGE_CONFIG_DIR", "/env/dir");
    Set("XDG_CONFIG_HOME", "/xdg");
    EXPECT_EQ(ConfigDirectory(""), "/env/dir");
}

TEST_F(ConfigDirectoryTest, ThenTheXdgConfigFolder) {
    Set("XDG_CONFIG_HOME", "/xdg");
    EXPECT_EQ(ConfigDirectory(""), "/xdg/tunebridge");
}

TEST_F(ConfigDirectoryTest, ThenTheHomeFolder) {
    EXPECT_EQ(ConfigDirectory(""), "/home/someone/.config/tunebridge");
}

TEST_F(ConfigDirectoryTest, EmptyVariablesCountAsUnset) {
    Set("TUNEBRIDGE_CONFIG_DIR", "");
    Set("XDG_CONFIG_HOME", "");
    EXPECT_EQ(ConfigDirectory(""), "/home/someone/.config/tunebridge");
}

TEST_F(ConfigDirectoryTest, ARelativeXdgFolderIsIgnored) {
    Set("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(ConfigDirectory(""), "/home/someone/.config/tunebridge");
}

TEST_F(ConfigDirectoryTest, WithoutHomeThePasswordDatabaseAnswers) {
    Set("HOME", nullptr);
    String directory = ConfigDirectory("");
    EXPECT_TRUE(directory.StartsWith("/"));
    EXPECT_TRUE(std::string(directory.View()).ends_with("/.config/tunebridge"));
}

} // namespace
} // namespace tb::test
