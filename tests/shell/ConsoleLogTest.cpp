// The headless log: lines stamped with the local time, and an output that
// nobody reads never holding up the threads that log.
#include "shell/ConsoleLog.h"

#include "core/Event.h"
#include "core/FileDescriptor.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace tb {
namespace {

using namespace std::chrono_literals;

struct Pipe {
    Pipe() {
        int fds[2];
        EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0);
        read.Reset(fds[0]);
        write.Reset(fds[1]);
    }
    // Everything written until the write end closes.
    std::string ReadAll() {
        std::string text;
        char buffer[65536];
        for (ssize_t n; (n = ::read(read.Get(), buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<size_t>(n));
        return text;
    }
    FileDescriptor read, write;
};

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(ConsoleLogTest, LinesAreStampedWithTheLocalTimeOnlyWhenAsked) {
    Pipe pipe;
    Event quit;
    {
        ConsoleLog stamped(pipe.write.Get(), quit, false, true);
        stamped.AddLine("one\r\ntwo");
    }
    {
        ConsoleLog plain(pipe.write.Get(), quit, false, false);
        plain.Notify("Title", "text\r\nmore");
        quit.Set();
        plain.AddLine("after quitting");
    }
    pipe.write.Reset();
    EXPECT_THAT(SplitLines(pipe.ReadAll()),
                testing::ElementsAre(testing::MatchesRegex("20[0-9][0-9]-[01][0-9]-[0-3][0-9]T"
                                                           "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] one"),
                                     "two", "Title: text more"));
}

// 64 KiB fill a pipe; far more lines than that are logged while nobody
// reads. Logging must go on at once; what could not wait is counted.
TEST(ConsoleLogTest, AnOutputNobodyReadsNeverHoldsUpLogging) {
    constexpr int Lines = 3 * ConsoleLog::QueuedLines;
    Pipe pipe;
    Event quit;
    std::future<std::string> output;
    {
        ConsoleLog log(pipe.write.Get(), quit, false, false);
        auto logging = std::async(std::launch::async, [&] {
            for (int i = 0; i < Lines; ++i)
                log.AddLine(String::Format("line %06d of a log that nobody reads", i));
        });
        bool finished = logging.wait_for(10s) == std::future_status::ready;
        EXPECT_TRUE(finished) << "logging waited for the output";
        output = std::async(std::launch::async, [&] { return pipe.ReadAll(); });
        logging.wait();
    }
    pipe.write.Reset();
    // Lines come in order, each whole; where lines had to go, a note says
    // how many, right after the lines queued before them.
    int next = 0, notes = 0;
    for (const std::string& line : SplitLines(output.get())) {
        int number = 0, dropped = 0;
        if (sscanf(line.c_str(), "line %d of a log that nobody reads", &number) == 1) {
            ASSERT_EQ(number, next) << line;
            next = number + 1;
        } else {
            ASSERT_EQ(sscanf(line.c_str(),
                             "(%d log lines were dropped: the log output was not read)", &dropped),
                      1)
                << line;
            next += dropped;
            ++notes;
        }
    }
    EXPECT_EQ(next, Lines);
    EXPECT_GT(notes, 0);
}

} // namespace
} // namespace tb
