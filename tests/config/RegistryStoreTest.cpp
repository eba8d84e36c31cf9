// The store file: its folder and modes, files it must refuse, transactions,
// and two processes on one file.
#include "StoreFixture.h"

#include <chrono>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tb::test {
namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

std::string RandomBytes(size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

// Root may write anything, so a child gives up root before it tries.
constexpr uid_t Nobody = 65534;

uid_t Unprivileged() {
    return geteuid() == 0 ? Nobody : geteuid();
}

// Opens the store as the unprivileged user in a child; the code of the
// RegistryException and its text ("0 none" when it opened).
std::pair<int32_t, std::string> OpenAsUnprivileged(const std::string& directory) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    pid_t child = fork();
    if (child == 0) {
        std::string message = "0 none";
        if (geteuid() == 0 && (setgid(Nobody) != 0 || setuid(Nobody) != 0))
            message = "-1 cannot give up root";
        try {
            RegistryStore::Open(String(directory));
        } catch (const RegistryException& e) {
            message = std::to_string(e.Code()) + " " + e.what();
        }
        _exit(write(fds[1], message.data(), message.size()) < 0);
    }
    close(fds[1]);
    std::string message;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    waitpid(child, nullptr, 0);
    size_t space = message.find(' ');
    return {std::stoi(message.substr(0, space)), message.substr(space + 1)};
}

void GiveToUnprivileged(const std::string& path) {
    ASSERT_EQ(chown(path.c_str(), Unprivileged(), Unprivileged()), 0);
}

class RegistryStoreTest : public StoreFixture {};

TEST_F(RegistryStoreTest, FolderAndFilesAreTheOwnersAndTheLogIsWriteAhead) {
    std::string nested = dir / "a/b";
    RegistryStore::Open(String(nested));
    EXPECT_EQ(ModeOf(dir / "a"), 0700u);
    EXPECT_EQ(ModeOf(nested), 0700u);
    EXPECT_EQ(ModeOf(nested + "/registry.db"), 0600u);
    // An existing folder keeps its mode; an existing file loses others' access.
    std::string shared = dir.MakeDir("shared");
    chmod(shared.c_str(), 0755);
    dir.Write("shared/registry.db", "");
    chmod((shared + "/registry.db").c_str(), 0644);
    RegistryStore::Open(String(shared));
    EXPECT_EQ(ModeOf(shared), 0755u);
    EXPECT_EQ(ModeOf(shared + "/registry.db"), 0600u);

    ConfigKey("General")->SetString("Name", "x");
    std::ifstream file(StoreFile(), std::ios::binary);
    char header[20] = {};
    file.read(header, sizeof header);
    EXPECT_EQ(std::string(header, 16), std::string("SQLite format 3\0", 16));
    // File format versions 2 mean write-ahead logging.
    EXPECT_EQ(header[18], 2);
    EXPECT_EQ(header[19], 2);
    EXPECT_EQ(ModeOf(dir / "registry.db-wal"), 0600u);
}

TEST_F(RegistryStoreTest, FilesThatAreNoStoreOfOursAreCorrupt) {
    auto users = ConfigKey("Users");
    for (int i = 0; i < 200; ++i)
        users->CreateSubKey(String::FromUnsigned(static_cast<uint32_t>(i)))
            ->SetString("Name", String::Format("user number %d with a longish name", i));
    users.reset();
    store.reset();
    std::string damaged;
    {
        std::ifstream in(StoreFile(), std::ios::binary);
        damaged.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_GT(damaged.size(), 4u * 4096);
    damaged.replace(4096, 3 * 4096, RandomBytes(3 * 4096, 2));
    const std::pair<std::string, std::string> files[] = {
        {"garbage", RandomBytes(8192, 1)},
        {"text", "[General]\nName=Tune Bridge\n"},
        {"damaged", damaged},
        {"foreign", ""},
        {"newer", ""},
    };
    for (const auto& [name, bytes] : files) {
        std::string folder = dir.MakeDir(name);
        dir.Write(name + "/registry.db", bytes);
        if (name == "foreign")
            ExecuteSql(folder + "/registry.db", "CREATE TABLE songs(title TEXT)");
        if (name == "newer") { // ours, but written by a later version
            RegistryStore::Open(String(folder));
            ExecuteSql(folder + "/registry.db", "PRAGMA user_version = 2");
        }
        RegistryException e = CatchRegistryException([&] { RegistryStore::Open(String(folder)); });
        EXPECT_EQ(e.Code(), RegistryException::Corrupt) << name << ": " << e.what();
        EXPECT_EQ(e.Name(), String(folder + "/registry.db"));
    }
    // An empty file is a new store.
    std::string empty = dir.MakeDir("empty");
    dir.Write("empty/registry.db", "");
    auto fresh = RegistryStore::Open(String(empty));
    Registry key(RootKeyPath);
    EXPECT_TRUE(key.Open(*fresh, "General", FullAccess, false));
}

TEST_F(RegistryStoreTest, FoldersThatCannotHoldAStoreAreRefusedWithTheReason) {
    std::string file = dir.Write("plain", "x");
    RegistryException notFolder =
        CatchRegistryException([&] { RegistryStore::Open(String(file)); });
    EXPECT_EQ(notFolder.Code(), RegistryException::PathNotFound);
    EXPECT_NE(std::string(notFolder.what()).find("not a folder"), std::string::npos);
    EXPECT_EQ(CatchRegistryException([] { RegistryStore::Open(""); }).Code(),
              RegistryException::PathNotFound);

    // What the unprivileged user may not write: a read-only store file, a
    // read-only folder with or without a store, a folder it cannot create.
    store.reset();
    GiveToUnprivileged(dir.Path());
    GiveToUnprivileged(StoreFile());
    chmod(StoreFile().c_str(), 0400);
    auto [fileCode, fileText] = OpenAsUnprivileged(dir.Path());
    EXPECT_EQ(fileCode, RegistryException::AccessDenied) << fileText;
    EXPECT_NE(fileText.find("cannot be opened for writing"), std::string::npos) << fileText;
    chmod(StoreFile().c_str(), 0600);
    chmod(dir.Path().c_str(), 0500);
    EXPECT_EQ(OpenAsUnprivileged(dir.Path()).first, RegistryException::AccessDenied);
    auto [folderCode, folderText] = OpenAsUnprivileged(dir.Path() + "/inner");
    EXPECT_EQ(folderCode, RegistryException::AccessDenied) << folderText;
    chmod(dir.Path().c_str(), 0700);
    std::string locked = dir.MakeDir("locked");
    GiveToUnprivileged(locked);
    chmod(locked.c_str(), 0500);
    auto [lockedCode, lockedText] = OpenAsUnprivileged(locked);
    EXPECT_EQ(lockedCode, RegistryException::AccessDenied) << lockedText;
    EXPECT_NE(lockedText.find("cannot be written"), std::string::npos) << lockedText;
}

TEST_F(RegistryStoreTest, TransactionsCommitOrUndoAllAndNest) {
    auto general = ConfigKey("General");
    general->SetString("Name", "before");
    {
        RegistryStore::Transaction transaction(*store);
        general->SetString("Name", "after");
        general->CreateSubKey("Extra");
    }
    String name;
    general->GetString("Name", name, true);
    EXPECT_EQ(name, "before");
    EXPECT_FALSE(general->SubKeyExists("Extra"));
    {
        RegistryStore::Transaction outer(*store);
        general->SetNumber("Outer", 1);
        {
            RegistryStore::Transaction inner(*store); // rolled back alone
            general->SetNumber("Inner", 1);
        }
        {
            RegistryStore::Transaction inner(*store);
            general->SetNumber("Committed", 1);
            inner.Commit();
        }
        outer.Commit();
    }
    {
        RegistryStore::Transaction outer(*store); // undoes its committed inner one
        RegistryStore::Transaction inner(*store);
        general->SetNumber("Undone", 1);
        inner.Commit();
    }
    general.reset();
    Reopen();
    uint32_t number = 0;
    EXPECT_TRUE(ConfigKey("General")->GetNumber("Outer", number));
    EXPECT_TRUE(ConfigKey("General")->GetNumber("Committed", number));
    EXPECT_FALSE(ConfigKey("General")->GetNumber("Inner", number));
    EXPECT_FALSE(ConfigKey("General")->GetNumber("Undone", number));
}

TEST_F(RegistryStoreTest, AWriterWaitsForAnotherUpToTheBusyTimeout) {
    auto general = ConfigKey("General");
    auto impatient = RegistryStore::Open(Directory(), std::chrono::milliseconds(50));
    auto patient = RegistryStore::Open(Directory());
    Registry hasty(RootKeyPath), waiting(RootKeyPath);
    hasty.Open(*impatient, "General", FullAccess, true);
    waiting.Open(*patient, "General", FullAccess, true);
    auto holding = std::make_unique<RegistryStore::Transaction>(*store);
    general->SetNumber("First", 1);
    RegistryException e = CatchRegistryException([&] { hasty.SetNumber("Blocked", 1); });
    EXPECT_EQ(e.Code(), RegistryException::NotOpen);
    EXPECT_NE(std::string(e.what()).find("locked"), std::string::npos) << e.what();
    uint32_t number = 0;
    EXPECT_FALSE(hasty.GetNumber("First", number)); // readers see the last commit

    std::thread finisher([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        holding->Commit();
    });
    auto start = std::chrono::steady_clock::now();
    waiting.SetNumber("Second", 2);
    auto waited = std::chrono::steady_clock::now() - start;
    finisher.join();
    holding.reset();
    EXPECT_GE(waited, std::chrono::milliseconds(100));
    EXPECT_TRUE(general->GetNumber("First", number));
    EXPECT_TRUE(general->GetNumber("Second", number));
}

} // namespace
} // namespace tb::test
