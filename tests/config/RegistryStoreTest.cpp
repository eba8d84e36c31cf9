#include "ChildProcess.h"
#include "StoreFixture.h"
#include "support/RequireTool.h"

#include <chrono>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tb::test {
namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Overwrite(const std::string& path, size_t offset, const std::string& bytes) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string RandomBytes(size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

// Writes one value and reads it back through a new store object.
void ExpectStoreWorks(const String& directory) {
    {
        auto store = RegistryStore::Open(directory);
        Registry key(RootKeyPath);
        key.Open(*store, "General", FullAccess, true);
        key.SetString("Name", "check");
    }
    auto store = RegistryStore::Open(directory);
    Registry key(RootKeyPath);
    ASSERT_TRUE(key.OpenExisting(*store, "General", FullAccess, false));
    String name;
    EXPECT_TRUE(key.GetString("Name", name, true));
    EXPECT_EQ(name, "check");
}

// Opens the store as the unprivileged test user and reports the code of the
// RegistryException and its text ("none" when it opened).
std::pair<int32_t, std::string> OpenAsUnprivileged(const std::string& directory) {
    ChildOutcome outcome = RunUnprivileged([&](std::string& message) {
        try {
            RegistryStore::Open(String(directory));
            message = "none";
        } catch (const RegistryException& e) {
            message = std::to_string(e.Code()) + " " + e.what();
        }
        return 0;
    });
    EXPECT_EQ(outcome.exitCode, 0) << outcome.message;
    size_t space = outcome.message.find(' ');
    if (space == std::string::npos)
        return {0, outcome.message};
    return {std::stoi(outcome.message.substr(0, space)), outcome.message.substr(space + 1)};
}

void GiveToUnprivileged(const std::string& path) {
    ASSERT_EQ(chown(path.c_str(), static_cast<uid_t>(UnprivilegedUid()),
                    static_cast<gid_t>(UnprivilegedUid())),
              0);
}

class RegistryStoreTest : public StoreFixture {};

TEST_F(RegistryStoreTest, CreatesMissingFoldersAndTheFileForTheOwnerOnly) {
    std::string nested = dir / "a/b";
    auto other = RegistryStore::Open(String(nested));
    EXPECT_EQ(ModeOf(dir / "a"), 0700u);
    EXPECT_EQ(ModeOf(nested), 0700u);
    EXPECT_EQ(ModeOf(nested + "/registry.db"), 0600u);
    EXPECT_EQ(other->FilePath(), String(nested + "/registry.db"));
}

TEST_F(RegistryStoreTest, LeavesTheModeOfAnExistingFolderAlone) {
    std::string existing = dir.MakeDir("shared");
    chmod(existing.c_str(), 0755);
    RegistryStore::Open(String(existing));
    EXPECT_EQ(ModeOf(existing), 0755u);
    EXPECT_EQ(ModeOf(existing + "/registry.db"), 0600u);
}

TEST_F(RegistryStoreTest, TakesAwayOtherPeoplesAccessToAnExistingFile) {
    store.reset();
    chmod(StoreFile().c_str(), 0644);
    Reopen();
    EXPECT_EQ(ModeOf(std::string(StoreFile().View())), 0600u);
}

TEST_F(RegistryStoreTest, UsesWriteAheadLoggingWithPrivateJournalFiles) {
    ConfigKey("General")->SetString("Name", "x");
    std::string header = ReadBytes(std::string(StoreFile().View())).substr(0, 20);
    ASSERT_EQ(header.size(), 20u);
    EXPECT_EQ(header.substr(0, 16), std::string("SQLite format 3\0", 16));
    // File format read and write versions 2 mean write-ahead logging.
    EXPECT_EQ(header[18], 2);
    EXPECT_EQ(header[19], 2);
    EXPECT_EQ(ModeOf(dir / "registry.db-wal"), 0600u);
}

TEST_F(RegistryStoreTest, KeepsDataAcrossReopening) {
    ConfigKey("General")->SetNumber("Installed", 1);
    Reopen();
    uint32_t installed = 0;
    EXPECT_TRUE(ConfigKey("General")->GetNumber("Installed", installed, true));
    EXPECT_EQ(installed, 1u);
}

TEST_F(RegistryStoreTest, AcceptsAnEmptyFileAsANewStore) {
    store.reset();
    std::string folder = dir.MakeDir("empty");
    dir.Write("empty/registry.db", "");
    ExpectStoreWorks(String(folder));
}

TEST_F(RegistryStoreTest, ReportsAFileOfGarbageAsCorrupt) {
    std::string folder = dir.MakeDir("garbage");
    dir.Write("garbage/registry.db", RandomBytes(8192, 1));
    RegistryException e = CatchRegistryException([&] { RegistryStore::Open(String(folder)); });
    EXPECT_EQ(e.Code(), RegistryException::Corrupt);
    EXPECT_EQ(e.Name(), String(folder + "/registry.db"));
    EXPECT_NE(std::string(e.what()).find("damaged"), std::string::npos) << e.what();
}

TEST_F(RegistryStoreTest, ReportsATextFileAsCorrupt) {
    std::string folder = dir.MakeDir("text");
    dir.Write("text/registry.db", "[General]\nName=Tune Bridge\n");
    RegistryException e = CatchRegistryException([&] { RegistryStore::Open(String(folder)); });
    EXPECT_EQ(e.Code(), RegistryException::Corrupt);
}

TEST_F(RegistryStoreTest, ReportsDamagedPagesAsCorrupt) {
    auto users = ConfigKey("Users");
    for (int i = 0; i < 200; ++i)
        users->CreateSubKey(String::FromUnsigned(static_cast<uint32_t>(i)))
            ->SetString("Name", String::Format("user number %d with a longish name", i));
    store.reset();
    std::string file(StoreFile().View());
    ASSERT_GT(ReadBytes(file).size(), 4u * 4096);
    Overwrite(file, 4096, RandomBytes(3 * 4096, 2));
    RegistryException e = CatchRegistryException([&] { Reopen(); });
    EXPECT_EQ(e.Code(), RegistryException::Corrupt) << e.what();
}

TEST_F(RegistryStoreTest, RefusesADatabaseOfAnotherProgram) {
    TB_REQUIRE_TOOL(system("command -v sqlite3 >/dev/null 2>&1") == 0, "the sqlite3 command");
    std::string folder = dir.MakeDir("foreign");
    std::string command =
        "sqlite3 " + folder + "/registry.db 'CREATE TABLE songs(title TEXT)' 2>/dev/null";
    ASSERT_EQ(system(command.c_str()), 0);
    RegistryException e = CatchRegistryException([&] { RegistryStore::Open(String(folder)); });
    EXPECT_EQ(e.Code(), RegistryException::Corrupt);
    EXPECT_NE(std::string(e.what()).find("another program"), std::string::npos) << e.what();
}

TEST_F(RegistryStoreTest, RefusesAFolderPathThatIsAFile) {
    std::string file = dir.Write("plain", "x");
    RegistryException e = CatchRegistryException([&] { RegistryStore::Open(String(file)); });
    EXPECT_EQ(e.Code(), RegistryException::PathNotFound);
    EXPECT_NE(std::string(e.what()).find("not a folder"), std::string::npos) << e.what();
}

TEST_F(RegistryStoreTest, RefusesAnEmptyFolderName) {
    EXPECT_EQ(CatchRegistryException([] { RegistryStore::Open(""); }).Code(),
              RegistryException::PathNotFound);
}

TEST_F(RegistryStoreTest, RefusesAReadOnlyStoreFile) {
    store.reset();
    GiveToUnprivileged(dir.Path());
    GiveToUnprivileged(std::string(StoreFile().View()));
    chmod(StoreFile().c_str(), 0400);
    auto [code, text] = OpenAsUnprivileged(dir.Path());
    EXPECT_EQ(code, RegistryException::AccessDenied) << text;
    EXPECT_NE(text.find("cannot be opened for writing"), std::string::npos) << text;
}

TEST_F(RegistryStoreTest, RefusesAReadOnlyFolderWithoutAStore) {
    std::string folder = dir.MakeDir("locked");
    GiveToUnprivileged(dir.Path());
    GiveToUnprivileged(folder);
    chmod(folder.c_str(), 0500);
    auto [code, text] = OpenAsUnprivileged(folder);
    EXPECT_EQ(code, RegistryException::AccessDenied) << text;
    EXPECT_NE(text.find("cannot be written"), std::string::npos) << text;
}

TEST_F(RegistryStoreTest, RefusesAReadOnlyFolderAroundAWritableStore) {
    store.reset();
    GiveToUnprivileged(dir.Path());
    GiveToUnprivileged(std::string(StoreFile().View()));
    chmod(dir.Path().c_str(), 0500);
    auto [code, text] = OpenAsUnprivileged(dir.Path());
    chmod(dir.Path().c_str(), 0700);
    EXPECT_EQ(code, RegistryException::AccessDenied) << text;
}

TEST_F(RegistryStoreTest, RefusesAFolderItCannotCreate) {
    std::string parent = dir.MakeDir("closed");
    GiveToUnprivileged(dir.Path());
    chmod(parent.c_str(), 0500);
    GiveToUnprivileged(parent);
    auto [code, text] = OpenAsUnprivileged(parent + "/inner");
    EXPECT_EQ(code, RegistryException::AccessDenied) << text;
}

TEST_F(RegistryStoreTest, CommittedTransactionKeepsItsWrites) {
    auto general = ConfigKey("General");
    {
        RegistryStore::Transaction transaction(*store);
        general->SetString("Name", "a");
        general->SetNumber("Installed", 1);
        transaction.Commit();
    }
    Reopen();
    String name;
    EXPECT_TRUE(ConfigKey("General")->GetString("Name", name, true));
    EXPECT_EQ(name, "a");
}

TEST_F(RegistryStoreTest, TransactionWithoutCommitLeavesNothing) {
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
}

TEST_F(RegistryStoreTest, InnerTransactionRollsBackAlone) {
    auto general = ConfigKey("General");
    {
        RegistryStore::Transaction outer(*store);
        general->SetNumber("Outer", 1);
        {
            RegistryStore::Transaction inner(*store);
            general->SetNumber("Inner", 1);
        }
        outer.Commit();
    }
    uint32_t number = 0;
    EXPECT_TRUE(general->GetNumber("Outer", number));
    EXPECT_FALSE(general->GetNumber("Inner", number));
}

TEST_F(RegistryStoreTest, OuterRollbackUndoesCommittedInnerTransaction) {
    auto general = ConfigKey("General");
    {
        RegistryStore::Transaction outer(*store);
        RegistryStore::Transaction inner(*store);
        general->SetNumber("Inner", 1);
        inner.Commit();
    }
    uint32_t number = 0;
    EXPECT_FALSE(general->GetNumber("Inner", number));
}

TEST_F(RegistryStoreTest, TwoStoresOnOneFileSeeEachOthersWrites) {
    auto second = RegistryStore::Open(Directory());
    ConfigKey("General")->SetString("Name", "from the first");
    Registry general(RootKeyPath);
    ASSERT_TRUE(general.OpenExisting(*second, "General", FullAccess, false));
    String name;
    EXPECT_TRUE(general.GetString("Name", name, true));
    EXPECT_EQ(name, "from the first");
    general.SetString("Name", "from the second");
    EXPECT_TRUE(ConfigKey("General")->GetString("Name", name, true));
    EXPECT_EQ(name, "from the second");
}

TEST_F(RegistryStoreTest, AWriterGivesUpAfterTheBusyTimeout) {
    auto general = ConfigKey("General");
    auto impatient = RegistryStore::Open(Directory(), std::chrono::milliseconds(50));
    Registry other(RootKeyPath);
    other.Open(*impatient, "General", FullAccess, true);
    RegistryStore::Transaction holding(*store);
    general->SetNumber("Held", 1);
    RegistryException e = CatchRegistryException([&] { other.SetNumber("Blocked", 1); });
    EXPECT_EQ(e.Code(), RegistryException::NotOpen);
    EXPECT_NE(std::string(e.what()).find("locked"), std::string::npos) << e.what();
    // Reading is not blocked by the writer.
    uint32_t number = 0;
    EXPECT_FALSE(other.GetNumber("Held", number));
}

TEST_F(RegistryStoreTest, AWriterWaitsForAnotherWriterToFinish) {
    auto general = ConfigKey("General");
    auto patient = RegistryStore::Open(Directory());
    Registry other(RootKeyPath);
    other.Open(*patient, "General", FullAccess, true);
    auto holding = std::make_unique<RegistryStore::Transaction>(*store);
    general->SetNumber("First", 1);
    std::thread finisher([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        holding->Commit();
    });
    auto start = std::chrono::steady_clock::now();
    other.SetNumber("Second", 2);
    auto waited = std::chrono::steady_clock::now() - start;
    finisher.join();
    holding.reset();
    EXPECT_GE(waited, std::chrono::milliseconds(100));
    uint32_t number = 0;
    EXPECT_TRUE(general->GetNumber("First", number));
    EXPECT_TRUE(general->GetNumber("Second", number));
}

} // namespace
} // namespace tb::test
