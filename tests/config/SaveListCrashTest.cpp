// A list save killed at a random moment leaves the old list or the new one,
// whole: never a mix, never a shorter list.
#include "StoreFixture.h"
#include "config/PersistantList.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tb::test {
namespace {

// Lengths that both grow and shrink the list.
uint32_t SizeFor(uint32_t generation) {
    return 150 + (generation % 4) * 40;
}

std::vector<std::unique_ptr<PersistantObject>> ListFor(uint32_t generation) {
    std::vector<std::unique_ptr<PersistantObject>> list;
    for (uint32_t i = 0; i < SizeFor(generation); ++i)
        list.push_back(
            std::make_unique<TestUser>(String::Format("user-%u-%u", generation, i), generation));
    return list;
}

std::unique_ptr<Registry> Users(RegistryStore& store) {
    auto users = std::make_unique<Registry>(RootKeyPath);
    users->Open(store, "Users", FullAccess, true);
    return users;
}

// The generation of the stored list; fails unless every object belongs to
// it, stands in its place, and the list has exactly that generation's length.
uint32_t LoadWholeGeneration(const std::string& directory) {
    auto store = RegistryStore::Open(String(directory));
    std::vector<TestUser> list;
    LoadList(
        *Users(*store),
        [&](std::unique_ptr<PersistantObject> object) {
            list.push_back(dynamic_cast<TestUser&>(*object));
        },
        TestPrototypes());
    uint32_t generation = list.empty() ? 0 : list[0].generation;
    EXPECT_EQ(list.size(), SizeFor(generation));
    for (size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i].name, String::Format("user-%u-%zu", generation, i)) << i;
    return generation;
}

TEST(SaveListCrashTest, AKilledSaveLeavesTheOldOrTheNewListWhole) {
    TempDir dir;
    SaveList(ListFor(0), *Users(*RegistryStore::Open(String(dir.Path()))));
    unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    int interrupted = 0;
    for (uint32_t round = 1; round <= 12; ++round) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        uint32_t first = round * 100000;
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) { // saves generation after generation, reporting each, until killed
            auto store = RegistryStore::Open(String(dir.Path()));
            auto users = Users(*store);
            for (uint32_t generation = first;; ++generation) {
                SaveList(ListFor(generation), *users);
                if (write(fds[1], &generation, sizeof generation) < 0)
                    _exit(3);
            }
        }
        close(fds[1]);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 250000));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        std::string saved;
        char buffer[4096];
        for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
            saved.append(buffer, static_cast<size_t>(n));
        close(fds[0]);
        // The last generation reported was saved; the one after it may or may not be.
        uint32_t last = 0;
        if (saved.size() >= 4)
            memcpy(&last, saved.data() + saved.size() / 4 * 4 - 4, 4);
        uint32_t loaded = LoadWholeGeneration(dir.Path());
        if (last == 0) {
            EXPECT_TRUE(loaded < first || loaded == first) << "round " << round;
        } else {
            EXPECT_TRUE(loaded == last || loaded == last + 1) << "round " << round;
        }
        interrupted += loaded == last || (last == 0 && loaded < first);
    }
    // Some kill must have hit a save in progress, or the test proved nothing.
    EXPECT_GT(interrupted, 0);
}

} // namespace
} // namespace tb::test
