#include "shell/HeadlessServer.h"

#include "config/ConfigDirectory.h"
#include "config/PersistantObjectException.h"
#include "config/RegistryException.h"
#include "config/RegistryStore.h"
#include "config/Settings.h"
#include "config/SettingsStorage.h"
#include "config/StoreLock.h"
#include "core/Event.h"
#include "core/Exceptions.h"
#include "core/SocketRegistry.h"
#include "core/Thread.h"
#include "delivery/DeliveryAnswers.h"
#include "library/NodeIndex.h"
#include "library/ServiceList.h"
#include "server/Dispatch.h"
#include "server/StreamServer.h"
#include "shell/CommandLine.h"
#include "shell/ConsoleIndexProgress.h"
#include "shell/ConsoleLog.h"
#include "shell/FirstRun.h"
#include "shell/IndexRebuild.h"
#include "shell/SignalWaiter.h"
#include "shell/StatusTicker.h"
#include "shell/StoredLists.h"
#include "web/UserList.h"
#include "web/WebSkins.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <sys/resource.h>
#include <unistd.h>

namespace tb {
namespace {

constexpr int32_t ShutdownWaitMilliseconds = 5000;

// Every connection holds a handle; allow as many as the system lets us.
void RaiseOpenFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// The running daemon: its store, lists, index and server.
class Daemon {
public:
    explicit Daemon(const CommandLine& options)
        : options_(options),
          log_(STDOUT_FILENO, quit_, isatty(STDOUT_FILENO) == 1, !getenv("JOURNAL_STREAM")) {}

    // Opens the store, loads everything and runs a first start if needed.
    void Load();
    int Run(SignalWaiter& signals);

private:
    void ApplyCommandLine();
    void BuildIndexNow();
    void Reload();
    void SaveUserChanges();
    void OnSignal(int signal);
    void OnListenFailure(int error);

    const CommandLine& options_;
    std::unique_ptr<StoreLock> storeLock_;
    std::atomic<int> exitCode_{0};
    Event quit_;
    Event wake_{Event::Mode::AutoReset};
    std::atomic<bool> reindexRequested_{false};
    ConsoleLog log_;
    // The store is used by this thread (reloads) and by connection threads
    // (a device's new address or entry is saved at once).
    std::mutex storeMutex_;
    std::unique_ptr<RegistryStore> store_; // guarded by storeMutex_ once the server runs
    Settings settings_;
    ServiceList services_;
    UserList users_;
    DeliveryAnswers answers_;
    NodeIndex index_{answers_};
};

void Daemon::Load() {
    String directory = ConfigDirectory(options_.configDir);
    storeLock_ = std::make_unique<StoreLock>(directory);
    store_ = RegistryStore::Open(directory);
    RegisterStoredTypes();
    try {
        LoadSettings(*store_, settings_);
    } catch (const IPAddressException&) {
        throw std::runtime_error("the stored listening address is not valid; set it with "
                                 "'tunebridge config set General/IPAddress A.B.C.D:PORT'");
    }
    FirstRunChoices choices{settings_.name, options_.share, options_.userId, options_.password};
    bool firstRun = RunFirstTimeSetup(*store_, choices, log_);
    if (!firstRun && (!options_.share.IsEmpty() || !options_.userId.IsEmpty()))
        log_.AddLine("Already set up: --share and --user are ignored; use 'tunebridge config'.");
    LoadServices(*store_, services_);
    LoadUsers(*store_, users_);
    CompileTemplates(users_, options_.dataDir, settings_.webSkinName);
    ApplyCommandLine();
}

void Daemon::ApplyCommandLine() {
    if (options_.bindAddress)
        settings_.localAddress =
            IPAddress(options_.bindAddress->Address(), settings_.localAddress.Port());
    if (options_.port)
        settings_.localAddress.SetPort(*options_.port);
}

void Daemon::OnSignal(int signal) {
    if (signal == SIGHUP) {
        reindexRequested_ = true;
    } else {
        log_.AddLine("Shutting down.");
        quit_.Set();
    }
    wake_.Set();
}

void Daemon::BuildIndexNow() {
    ConsoleIndexProgress progress(log_, quit_);
    RebuildIndex(index_, services_, settings_, log_, &progress);
}

// Shares, users, the index settings and the skin are edited in the store
// (by the config command), so a reindex first takes up what is stored now.
void Daemon::Reload() {
    std::lock_guard lock(storeMutex_);
    try {
        LoadMp3Settings(*store_, settings_);
    } catch (const GeneralException& e) {
        log_.AddLine(String("Cannot reload the index settings, keeping the previous ones: ") +
                     e.what());
    }
    try {
        LoadServices(*store_, services_);
    } catch (const GeneralException& e) {
        log_.AddLine(String("Cannot reload the shares, keeping the previous ones: ") + e.what());
    }
    try {
        LoadUsers(*store_, users_);
    } catch (const GeneralException& e) {
        log_.AddLine(String("Cannot reload the users, keeping the previous ones: ") + e.what());
    }
    try {
        LoadWebSkinName(*store_, settings_);
    } catch (const GeneralException& e) {
        log_.AddLine(String("Cannot reload the web skin name, keeping the previous one: ") +
                     e.what());
    }
    CompileTemplates(users_, options_.dataDir, settings_.webSkinName);
}

// Runs on connection threads. Changes are taken under the store's lock, so
// they reach the store in the order they happened.
void Daemon::SaveUserChanges() {
    std::lock_guard lock(storeMutex_);
    for (const auto& change : users_.TakeChanges()) {
        try {
            SaveUserChange(*store_, *change.entry, change.added);
        } catch (const GeneralException& e) {
            log_.AddLine(String("Cannot save the user list: ") + e.what());
        }
    }
}

// An address that is not this machine's will not become one by waiting;
// a daemon's supervisor should hear of it.
void Daemon::OnListenFailure(int error) {
    if (error != EADDRNOTAVAIL)
        return;
    std::fprintf(stderr, "tunebridge: %s is not an address of this machine\n",
                 settings_.localAddress.HostText().c_str());
    exitCode_ = 1;
    quit_.Set();
    wake_.Set();
}

int Daemon::Run(SignalWaiter& signals) {
    LiveSettings live(settings_);
    Dispatch handlers(ServerContext{live, index_, users_});
    StreamServer server(quit_, log_, live, handlers);
    server.SetListenFailureHandler([this](int error) { OnListenFailure(error); });
    StatusTicker ticker(quit_, users_);
    users_.SetChangeHandler([this] { SaveUserChanges(); });
    signals.Listen([this](int signal) { OnSignal(signal); });
    StartThread(server);
    StartThread(ticker);

    BuildIndexNow();
    while (!quit_.IsSet()) {
        wake_.Wait(-1);
        if (reindexRequested_.exchange(false) && !quit_.IsSet()) {
            Reload();
            BuildIndexNow();
        }
    }

    SocketRegistry::ShutdownAll();
    if (!WaitForThreads(ShutdownWaitMilliseconds)) {
        std::fprintf(stderr, "tunebridge: %d threads did not end in time\n", RunningThreadCount());
        std::fflush(stdout);
        std::_Exit(1);
    }
    // The handler uses this object, which ends soon after.
    signals.StopListening();
    return exitCode_;
}

} // namespace

int RunHeadless(const CommandLine& options) {
    SignalWaiter signals({SIGINT, SIGTERM, SIGHUP});
    RaiseOpenFileLimit();
    Daemon daemon(options);
    try {
        daemon.Load();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tunebridge: %s\n", e.what());
        return 1;
    }
    return daemon.Run(signals);
}

} // namespace tb
