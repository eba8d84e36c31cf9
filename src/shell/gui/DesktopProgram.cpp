#include "shell/gui/DesktopProgram.h"

#include "config/StoreLock.h"
#include "core/Event.h"
#include "core/SocketRegistry.h"
#include "core/Thread.h"
#include "core/Version.h"
#include "covers/CoverCrawler.h"
#include "shell/CommandLine.h"
#include "shell/ConsoleLog.h"
#include "shell/ServerHost.h"
#include "shell/SignalWaiter.h"
#include "shell/gui/DesktopFirstRun.h"
#include "shell/gui/DisplayText.h"
#include "shell/gui/IndexProgressDialog.h"
#include "shell/gui/InstanceChannel.h"
#include "shell/gui/MainWindow.h"
#include "shell/gui/TrayIcon.h"
#include "shell/gui/WindowLog.h"

#include <QApplication>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tb {
namespace {

constexpr int CrawlerWaitMilliseconds = 30000;
constexpr int ThreadWaitMilliseconds = 5000;
constexpr int ShowRequestMilliseconds = 5000;
constexpr const char* Version = "Tune Bridge " TUNEBRIDGE_VERSION_TEXT;

class DesktopProgram {
public:
    explicit DesktopProgram(const CommandLine& options)
        : log_(quit_, ConsoleForDesktop(quit_)), host_(options, quit_, log_),
          channel_(host_.ConfigFolder()) {}

    int Run();
    // "Unload & exit", also on SIGINT and SIGTERM (a session that ends).
    void Exit();
    // "&Reindex", also on SIGHUP, as for the headless server.
    void Reindex();

private:
    bool Open();
    void ShowTray();
    int ShutDown();

    Event quit_;
    // Set by the cover crawler's thread as it ends.
    Event crawlerDone_;
    WindowLog log_;
    ServerHost host_;
    InstanceChannel channel_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<DizerOviziraObject> crawler_; // its thread ends before the program
    IndexProgressDialog* building_ = nullptr;
    bool exiting_ = false;
};

void Fail(const QString& text) {
    std::fprintf(stderr, "tunebridge: %s\n", text.toLocal8Bit().constData());
    QMessageBox::critical(nullptr, "Tune Bridge", text);
}

// The store's lock decides; the loser asks the winner to show itself.
bool DesktopProgram::Open() {
    try {
        host_.LockStore();
    } catch (const StoreLock::Busy&) {
        bool shown = channel_.AskToShow(ShowRequestMilliseconds);
        std::fprintf(stderr, "tunebridge: already running%s\n",
                     shown ? "; its window was brought up" : "");
        return false;
    } catch (const std::exception& e) {
        Fail(e.what());
        return false;
    }
    channel_.Listen();
    try {
        host_.OpenStore();
    } catch (const std::exception& e) {
        Fail(e.what());
        return false;
    }
    return true;
}

void DesktopProgram::ShowTray() {
    tray_ = std::make_unique<TrayIcon>(ProgramIcon(), Version, nullptr);
    QObject::connect(tray_.get(), &TrayIcon::configureChosen, window_.get(), &MainWindow::Restore);
    QObject::connect(tray_.get(), &TrayIcon::windowWanted, window_.get(), &MainWindow::Restore);
    QObject::connect(tray_.get(), &TrayIcon::reindexChosen, [this] { Reindex(); });
    QObject::connect(tray_.get(), &TrayIcon::exitChosen, [this] { Exit(); });
    QObject::connect(
        &log_, &WindowLog::notified, tray_.get(),
        [this](const QString& title, const QString& text) { tray_->Balloon(title, text, 10); });
    tray_->Balloon("Tune Bridge",
                   QString(Version) +
                       " Loaded successfully.\r\nRight-click on the icon to open the menu!",
                   10);
}

int DesktopProgram::Run() {
    if (!Open())
        return 1;
    bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    window_ = std::make_unique<MainWindow>(host_, log_, trayAvailable);
    QObject::connect(&channel_, &InstanceChannel::showRequested, window_.get(),
                     &MainWindow::Restore);
    QObject::connect(window_.get(), &MainWindow::reindexChosen, [this] { Reindex(); });
    FirstRunResult first = FirstRunResult::Cancelled;
    try {
        first = RunDesktopFirstRun(host_, log_, window_.get());
        if (first == FirstRunResult::Cancelled)
            return 0; // nothing was started or stored
        host_.LoadLists();
    } catch (const std::exception& e) {
        Fail(e.what());
        return 1;
    }
    window_->RefreshLabels();
    window_->RefreshUsers();
    window_->RefreshShares();
    host_.Start();
    crawler_ = std::make_unique<DizerOviziraObject>(quit_, crawlerDone_, log_, host_.Services(),
                                                    host_.CurrentSettings().coverSites);
    StartThread(*crawler_);
    ShowTray();
    QObject::connect(
        window_.get(), &MainWindow::closeNoteWanted, tray_.get(),
        [this](const QString& title, const QString& text) { tray_->Balloon(title, text, 10); });
    if (first == FirstRunResult::Installed || !tray_->Available())
        window_->show();
    Reindex();
    if (!exiting_)
        QApplication::exec();
    return ShutDown();
}

void DesktopProgram::Reindex() {
    if (building_ || exiting_) {
        QApplication::beep();
        return;
    }
    IndexProgressDialog dialog(window_->isVisible() ? window_.get() : nullptr);
    building_ = &dialog;
    host_.BuildIndex(&dialog);
    building_ = nullptr;
}

void DesktopProgram::Exit() {
    exiting_ = true;
    if (window_)
        window_->StopTimer();
    if (building_)
        building_->Cancel();
    // Not quit(): that first asks every window to close, and ours only hide.
    QApplication::exit(0);
}

int DesktopProgram::ShutDown() {
    quit_.Set();
    tray_->Remove();
    window_->hide();
    // Blocked network calls fail now; a crawler busy past the wait is not
    // waited for further.
    SocketRegistry::ShutdownAll();
    crawlerDone_.Wait(CrawlerWaitMilliseconds);
    if (!host_.Stop(ThreadWaitMilliseconds)) {
        // Their objects end with this function; they must not run on.
        std::fprintf(stderr, "tunebridge: %d threads did not end in time\n", RunningThreadCount());
        std::fflush(stdout);
        std::_Exit(1);
    }
    return 0;
}

} // namespace

int RunDesktop(const CommandLine& options) {
    // Before QApplication starts its threads, which must not take them.
    SignalWaiter processSignals({SIGINT, SIGTERM, SIGHUP});
    static int argc = 1;
    static char name[] = "tunebridge";
    static char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName("Tune Bridge");
    QApplication::setApplicationVersion(TUNEBRIDGE_VERSION_TEXT);
    QApplication::setDesktopFileName("tunebridge");
    QApplication::setWindowIcon(ProgramIcon());
    DesktopProgram program(options);
    processSignals.Listen([&program](int signal) {
        QMetaObject::invokeMethod(
            qApp, [&program, signal] { signal == SIGHUP ? program.Reindex() : program.Exit(); },
            Qt::QueuedConnection);
    });
    int code = program.Run();
    processSignals.StopListening();
    return code;
}

} // namespace tb
