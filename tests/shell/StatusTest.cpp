// What the headless server shows about its users: statuses that age once a
// second, and the passwords it makes.
#include "core/Event.h"
#include "core/Thread.h"
#include "shell/StatusTicker.h"
#include "web/RandomPassword.h"
#include "web/UserList.h"
#include "web/WebUser.h"

#include <gtest/gtest.h>
#include <thread>

namespace tb {
namespace {

TEST(StatusTest, AStatusGoesWhenItsCountdownRunsOutOneTickASecond) {
    UserList users;
    auto user = std::make_shared<WebUser>();
    user->id = "user";
    users.Add(user);
    users.SetStatus("user", "Playing", 2);
    users.Tick();
    EXPECT_EQ(users.ActivityOf(user).status, "Playing");
    users.Tick();
    EXPECT_EQ(users.ActivityOf(user).status, "");

    users.SetStatus("user", "Browsing", 1);
    Event quit;
    StatusTicker ticker(quit, users);
    StartThread(ticker);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(users.ActivityOf(user).status, "Browsing") << "a tick came before a second";
    quit.Set();
    EXPECT_TRUE(WaitForThreads(5000));
    // A reload (SIGHUP) keeps what the running server knows of an entry.
    auto reloaded = std::make_shared<WebUser>();
    reloaded->id = "user";
    users.Reload({reloaded});
    EXPECT_EQ(users.ActivityOf(reloaded).status, "Browsing");
}

// Twelve letters and digits, without those easily mistaken for others.
TEST(StatusTest, APasswordIsTwelveClearLettersAndDigits) {
    for (int i = 0; i < 300; ++i) {
        std::string password(RandomPassword().View());
        ASSERT_EQ(password.size(), 12u) << password;
        for (char c : password)
            ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(c)) &&
                        std::string("l1IOo0").find(c) == std::string::npos)
                << password;
    }
}

} // namespace
} // namespace tb
