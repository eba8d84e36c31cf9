#include "ChildProcess.h"
#include "StoreFixture.h"
#include "TestObjects.h"
#include "config/PersistantList.h"
#include "config/PrototypeTable.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tb::test {
namespace {

constexpr int Rounds = 12;

// Lists of different lengths, so that saves both grow and shrink the list
// (by up to 120, which leaves older subkeys behind).
uint32_t SizeFor(uint32_t generation) {
    return 150 + (generation % 4) * 40;
}

std::vector<std::unique_ptr<PersistantObject>> ListFor(uint32_t generation) {
    std::vector<std::unique_ptr<PersistantObject>> list;
    for (uint32_t i = 0; i < SizeFor(generation); ++i)
        list.push_back(std::make_unique<TestUser>(String::Format("user-%u-%u", generation, i),
                                                  String(std::string(48, 'a' + i % 26)), generation,
                                                  i));
    return list;
}

void Report(int output, char kind, uint32_t generation) {
    char line[32];
    int length = snprintf(line, sizeof line, "%c %u\n", kind, generation);
    if (write(output, line, static_cast<size_t>(length)) < 0)
        _exit(3);
}

// The child: saves one generation after the other until it is killed,
// reporting "B g" before and "C g" after each save.
[[noreturn]] void SaveUntilKilled(const std::string& directory, uint32_t first, int output) {
    try {
        auto store = RegistryStore::Open(String(directory));
        Registry users(RootKeyPath);
        users.Open(*store, "Users", FullAccess, true);
        for (uint32_t generation = first;; ++generation) {
            auto list = ListFor(generation);
            Report(output, 'B', generation);
            SaveList(list, users);
            Report(output, 'C', generation);
        }
    } catch (...) {
        Report(output, 'E', 0);
    }
    _exit(1);
}

struct ChildLog {
    std::optional<uint32_t> begun;
    std::optional<uint32_t> committed;
    bool failed = false;
};

ChildLog Parse(const std::string& text) {
    ChildLog log;
    std::istringstream lines(text);
    char kind;
    uint32_t generation;
    while (lines >> kind >> generation) {
        if (kind == 'B')
            log.begun = generation;
        else if (kind == 'C')
            log.committed = generation;
        else
            log.failed = true;
    }
    return log;
}

// Reads until the child's first report line, so that the kill comes while
// it saves rather than while it starts.
std::string ReadFirstLine(int input) {
    std::string text;
    char c;
    while (text.find('\n') == std::string::npos && read(input, &c, 1) == 1)
        text += c;
    return text;
}

// Starts a child that saves lists, kills it after `delay` and returns its log.
ChildLog RunAndKill(const std::string& directory, uint32_t first, std::chrono::microseconds delay) {
    int fds[2];
    if (pipe(fds) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        SaveUntilKilled(directory, first, fds[1]);
    }
    close(fds[1]);
    if (child < 0) {
        // Never pass a failed fork's -1 to kill(): that would signal every process.
        close(fds[0]);
        ADD_FAILURE() << "fork failed";
        return {};
    }
    std::string text = ReadFirstLine(fds[0]);
    std::this_thread::sleep_for(delay);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    text += ReadToEnd(fds[0]);
    close(fds[0]);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << text;
    return Parse(text);
}

// The generation of the stored list; fails unless every object belongs to
// it, stands in its place, and the list has exactly that generation's length.
uint32_t LoadWholeGeneration(const std::string& directory) {
    auto store = RegistryStore::Open(String(directory));
    Registry users(RootKeyPath);
    users.Open(*store, "Users", FullAccess, true);
    std::vector<std::unique_ptr<PersistantObject>> list;
    LoadList(
        users, [&](std::unique_ptr<PersistantObject> object) { list.push_back(std::move(object)); },
        TestPrototypes());
    EXPECT_FALSE(list.empty());
    if (list.empty())
        return 0;
    uint32_t generation = dynamic_cast<TestUser&>(*list[0]).generation;
    EXPECT_EQ(list.size(), SizeFor(generation));
    for (size_t i = 0; i < list.size(); ++i) {
        auto& user = dynamic_cast<TestUser&>(*list[i]);
        EXPECT_EQ(user.generation, generation) << "object " << i;
        EXPECT_EQ(user.index, i);
        EXPECT_EQ(user.name, String::Format("user-%u-%zu", generation, i));
    }
    return generation;
}

TEST(SaveListCrashTest, AKilledSaveLeavesTheOldOrTheNewListWhole) {
    TempDir dir;
    {
        auto store = RegistryStore::Open(String(dir.Path()));
        Registry users(RootKeyPath);
        users.Open(*store, "Users", FullAccess, true);
        SaveList(ListFor(0), users);
    }
    unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMicroseconds(0, 250000);
    uint32_t stored = 0;
    int interrupted = 0;
    uint32_t saves = 0;
    for (int round = 1; round <= Rounds; ++round) {
        ChildLog log = RunAndKill(dir.Path(), static_cast<uint32_t>(round) * 100000,
                                  std::chrono::microseconds(delayMicroseconds(random)));
        ASSERT_FALSE(log.failed);
        ASSERT_TRUE(log.begun);
        uint32_t before = log.committed ? *log.committed : stored;
        uint32_t loaded = LoadWholeGeneration(dir.Path());
        EXPECT_TRUE(loaded == before || loaded == *log.begun)
            << "round " << round << ": loaded " << loaded << ", committed " << before << ", begun "
            << *log.begun;
        if (log.begun != log.committed && loaded == before)
            ++interrupted;
        if (log.committed)
            saves += *log.committed - static_cast<uint32_t>(round) * 100000 + 1;
        stored = loaded;
    }
    std::printf("%d of %d kills interrupted a save; %u saves completed\n", interrupted, Rounds,
                saves);
    // At least one kill must have hit a save in progress, or the test proved nothing.
    EXPECT_GT(interrupted, 0);
}

} // namespace
} // namespace tb::test
