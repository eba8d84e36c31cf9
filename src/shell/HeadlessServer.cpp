#include "shell/HeadlessServer.h"

#include "config/RegistryStore.h"
#include "config/SettingsStorage.h"
#include "core/Event.h"
#include "core/Exceptions.h"
#include "core/Thread.h"
#include "covers/CoverCrawler.h"
#include "shell/CommandLine.h"
#include "shell/ConsoleIndexProgress.h"
#include "shell/ConsoleLog.h"
#include "shell/FirstRun.h"
#include "shell/ServerHost.h"
#include "shell/SignalWaiter.h"
#include "shell/StatusTicker.h"
#include "shell/StoredLists.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

// The running daemon: the server host with its console log and signals.
class Daemon {
public:
    explicit Daemon(const CommandLine& options)
        : options_(options),
          log_(STDOUT_FILENO, quit_, isatty(STDOUT_FILENO) == 1, !getenv("JOURNAL_STREAM")),
          host_(options, quit_, log_) {}

    // Opens the store, loads everything and runs a first start if needed.
    void Load();
    int Run(SignalWaiter& signals);

private:
    void BuildIndexNow();
    void Reload();
    void OnSignal(int signal);
    void OnListenFailure(int error);

    const CommandLine& options_;
    std::atomic<int> exitCode_{0};
    Event quit_;
    Event wake_{Event::Mode::AutoReset};
    std::atomic<bool> reindexRequested_{false};
    ConsoleLog log_;
    ServerHost host_;
};

void Daemon::Load() {
    host_.LockStore();
    host_.OpenStore();
    FirstRunChoices choices{host_.CurrentSettings().name, options_.share, options_.userId,
                            options_.password};
    bool firstRun = RunFirstTimeSetup(host_.Store(), choices, log_);
    if (!firstRun && (!options_.share.IsEmpty() || !options_.userId.IsEmpty()))
        log_.AddLine("Already set up: --share and --user are ignored; use 'tunebridge config'.");
    host_.LoadLists();
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
    host_.BuildIndex(&progress);
}

// Shares, users, the index settings and the skin are edited in the store
// (by the config command), so a reindex first takes up what is stored now.
void Daemon::Reload() {
    std::lock_guard lock(host_.StoreMutex());
    RegistryStore& store = host_.Store();
    Settings& settings = host_.CurrentSettings();
    try {
        LoadMp3Settings(store, settings);
    } catch (const GeneralException& e) {
        log_.AddLine(String("Cannot reload the index settings, keeping the previous ones: ") +
                     e.what());
    }
    try {
        LoadServices(store, host_.Services());
    } catch (const GeneralException& e) {
        log_.AddLine(String("Cannot reload the shares, keeping the previous ones: ") + e.what());
    }
    try {
        LoadUsers(store, host_.Users());
    } catch (const GeneralException& e) {
        log_.AddLine(String("Cannot reload the users, keeping the previous ones: ") + e.what());
    }
    try {
        LoadWebSkinName(store, settings);
    } catch (const GeneralException& e) {
        log_.AddLine(String("Cannot reload the web skin name, keeping the previous one: ") +
                     e.what());
    }
    host_.CompileUserTemplates();
}

// An address that is not this machine's will not become one by waiting;
// a daemon's supervisor should hear of it.
void Daemon::OnListenFailure(int error) {
    if (error != EADDRNOTAVAIL)
        return;
    std::fprintf(stderr, "tunebridge: %s is not an address of this machine\n",
                 host_.CurrentSettings().localAddress.HostText().c_str());
    exitCode_ = 1;
    quit_.Set();
    wake_.Set();
}

int Daemon::Run(SignalWaiter& signals) {
    StatusTicker ticker(quit_, host_.Users());
    Event crawlerDone;
    DizerOviziraObject crawler(quit_, crawlerDone, log_, host_.Services(),
                               host_.CurrentSettings().coverSites);
    signals.Listen([this](int signal) { OnSignal(signal); });
    host_.Start([this](int error) { OnListenFailure(error); });
    StartThread(ticker);
    StartThread(crawler);

    BuildIndexNow();
    while (!quit_.IsSet()) {
        wake_.Wait(-1);
        if (reindexRequested_.exchange(false) && !quit_.IsSet()) {
            Reload();
            BuildIndexNow();
        }
    }

    if (!host_.Stop(ShutdownWaitMilliseconds)) {
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
