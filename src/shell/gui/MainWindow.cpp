#include "shell/gui/MainWindow.h"

#include "config/RegistryStore.h"
#include "config/SettingsStorage.h"
#include "core/Exceptions.h"
#include "core/Version.h"
#include "library/ServiceItem.h"
#include "library/ServiceList.h"
#include "shell/CommandLine.h"
#include "shell/DesktopShortcuts.h"
#include "shell/ServerHost.h"
#include "shell/StoredLists.h"
#include "shell/gui/AddressSearchDialog.h"
#include "shell/gui/DisplayText.h"
#include "shell/gui/FlatButton.h"
#include "shell/gui/HelpFile.h"
#include "shell/gui/ListCommands.h"
#include "shell/gui/ListLineDelegate.h"
#include "shell/gui/LogList.h"
#include "shell/gui/ServerPage.h"
#include "shell/gui/SetupSheet.h"
#include "shell/gui/WindowLog.h"
#include "web/UserList.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <mutex>
#include <system_error>

namespace tb {
namespace {

constexpr int ClientWidth = 500;
constexpr int ClientHeight = 480;

QFont PixelFont(int pixels, bool bold = false) {
    QFont font("DejaVu Sans");
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// The selected rows, highest first, so that removing them one by one keeps
// the others' numbers.
std::vector<int> SelectedRowsDescending(const QListWidget& list) {
    std::vector<int> rows;
    for (const QModelIndex& index : list.selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.rbegin(), rows.rend());
    return rows;
}

// The one selected row; -1 unless exactly one is selected.
int SingleSelectedRow(const QListWidget& list) {
    std::vector<int> rows = SelectedRowsDescending(list);
    return rows.size() == 1 ? rows.front() : -1;
}

// The local files a drag carries.
QStringList DroppedFiles(const QMimeData& data) {
    QStringList files;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

} // namespace

QIcon ProgramIcon() {
    return QIcon(":/desktop/Icon.png");
}

MainWindow::MainWindow(ServerHost& host, WindowLog& log, bool trayAvailable)
    : host_(host), trayAvailable_(trayAvailable), background_(":/desktop/Background.png") {
    setObjectName("TunebridgeMainClass");
    setWindowTitle("Tune Bridge");
    setWindowIcon(ProgramIcon());
    setFixedSize(ClientWidth, ClientHeight);
    move(100, 50);
    CreateControls();
    connect(&log, &WindowLog::lineAdded, log_, &LogList::Append, Qt::QueuedConnection);
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, &MainWindow::Help);
    // The desktop's usual key for a program's settings (Ctrl+,).
    auto* setup = new QShortcut(QKeySequence("Ctrl+,"), this);
    connect(setup, &QShortcut::activated, this, &MainWindow::Setup);
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &MainWindow::Tick);
    timer_->start(1000);
    RefreshLabels();
    RefreshUsers();
    RefreshShares();
}

void MainWindow::CreateControls() {
    QColor onHeader("#c9c6f5");
    QColor ink("#1a1740");
    AddLabel("Public name", {20, 20, 100, 10}, PixelFont(9, true), onHeader);
    nameLabel_ = AddLabel("", {20, 33, 200, 30}, PixelFont(17, true), Qt::white);
    AddLabel("Public address", {20, 60, 100, 10}, PixelFont(9, true), onHeader);
    addressLabel_ = AddLabel("", {20, 73, 250, 30}, PixelFont(15), Qt::white);
    AddLabel("Users", {20, 130, 100, 20}, PixelFont(12, true), ink);
    users_ = AddList({20, 150, 210, 100});
    AddLabel("Shares", {260, 130, 200, 20}, PixelFont(12, true), ink);
    shares_ = AddList({260, 150, 210, 100});
    AddButton("Add", {20, 255, 40, 18}, &MainWindow::AddUser);
    AddButton("Edit", {70, 255, 40, 18}, &MainWindow::EditUser);
    AddButton("Del", {120, 255, 40, 18}, &MainWindow::DeleteUsers);
    AddButton("Add", {260, 255, 40, 18}, &MainWindow::AddService);
    AddButton("Edit", {310, 255, 40, 18}, &MainWindow::EditService);
    AddButton("Del", {360, 255, 40, 18}, &MainWindow::DeleteServices);
    AddLabel("Activity log", {20, 290, 200, 20}, PixelFont(12, true), ink);
    log_ = new LogList(this);
    log_->setGeometry(20, 310, ClientWidth - 40, 100);
    log_->setFont(PixelFont(11));
    log_->setObjectName("log");
    AddButton("Setup", {20, 417, 65, 20}, &MainWindow::Setup);
    AddButton("Reindex!", {95, 417, 65, 20}, &MainWindow::reindexChosen);
    AddButton("Browse...", {170, 417, 65, 20}, &MainWindow::Browse);
    AddButton("About", {ClientWidth - 160, 417, 65, 20}, &MainWindow::About);
    AddButton("Help", {ClientWidth - 85, 417, 65, 20}, &MainWindow::Help);
    connect(users_, &QListWidget::itemDoubleClicked, this, &MainWindow::EditUser);
    connect(shares_, &QListWidget::itemDoubleClicked, this, &MainWindow::EditService);
    setAcceptDrops(true);
}

QLabel* MainWindow::AddLabel(const QString& text, QRect place, const QFont& font,
                             const QColor& colour) {
    auto* label = new QLabel(text, this);
    label->setGeometry(place);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QListWidget* MainWindow::AddList(QRect place) {
    auto* list = new QListWidget(this);
    list->setGeometry(place);
    list->setFont(PixelFont(12));
    list->setFrameShape(QFrame::NoFrame);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setItemDelegate(new ListLineDelegate(list));
    return list;
}

void MainWindow::AddButton(const QString& caption, QRect place, void (MainWindow::*command)()) {
    auto* button = new FlatButton(caption, background_, this);
    button->setGeometry(place);
    button->setFont(PixelFont(11));
    connect(button, &QPushButton::clicked, this, command);
}

void MainWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter(this).drawPixmap(0, 0, background_);
}

void MainWindow::RefreshLabels() {
    const Settings& settings = host_.CurrentSettings();
    nameLabel_->setText(ToDisplay(settings.name));
    addressLabel_->setText(ToDisplay(settings.publicAddress.DisplayText("[Unknown]")));
}

// Rows are rewritten in place while the entries stay the same, so a
// selection survives the once-a-second refresh.
void MainWindow::RefreshUsers() {
    UserList& list = host_.Users();
    std::vector<UserList::Entry> entries = list.Entries();
    if (users_->count() != static_cast<int>(entries.size())) {
        users_->clear();
        for (size_t i = 0; i < entries.size(); ++i)
            users_->addItem(QString());
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        QListWidgetItem* item = users_->item(static_cast<int>(i));
        item->setText(ToDisplay(list.NameOf(entries[i])));
        item->setData(Qt::UserRole, ToDisplay(list.ActivityOf(entries[i]).status));
    }
}

void MainWindow::RefreshShares() {
    shares_->clear();
    ServiceList& services = host_.Services();
    ServiceList::Guard lock(services);
    for (const auto& service : services.Items()) {
        auto* item = new QListWidgetItem(ToDisplay(service->Name()), shares_);
        item->setData(Qt::UserRole, ToDisplay(service->DisplayType()));
    }
}

void MainWindow::Tick() {
    host_.Users().Tick();
    RefreshUsers();
}

void MainWindow::StopTimer() {
    timer_->stop();
}

void MainWindow::Restore() {
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (!trayAvailable_) {
        // Nothing else would bring a hidden window back.
        showMinimized();
        return;
    }
    hide();
    Settings& settings = host_.CurrentSettings();
    if (settings.showedCloseNote)
        return;
    emit closeNoteWanted("Tune Bridge",
                         "Tune Bridge is still running!\r\nTo completely terminate Tune Bridge "
                         "right-click on the tray icon and select \"Unload & exit\" from the "
                         "menu.");
    settings.showedCloseNote = true;
    std::lock_guard lock(host_.StoreMutex());
    try {
        SaveCloseNoteFlag(host_.Store(), true);
    } catch (const GeneralException& e) {
        QMessageBox::warning(this, "Tune Bridge", QString("Cannot save the setting: ") + e.what());
    }
}

void MainWindow::AddUser() {
    if (tb::AddWebUser(host_, this))
        RefreshUsers();
}

void MainWindow::EditUser() {
    if (tb::EditWebUser(host_, SingleSelectedRow(*users_), this))
        RefreshUsers();
}

void MainWindow::DeleteUsers() {
    if (tb::DeleteUsers(host_, SelectedRowsDescending(*users_), this))
        RefreshUsers();
}

void MainWindow::AddService() {
    if (tb::AddService(host_, this))
        RefreshShares();
}

void MainWindow::EditService() {
    if (tb::EditService(host_, SingleSelectedRow(*shares_), this))
        RefreshShares();
}

void MainWindow::DeleteServices() {
    if (tb::DeleteServices(host_, SelectedRowsDescending(*shares_), this))
        RefreshShares();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFiles(*event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    QStringList files = DroppedFiles(*event->mimeData());
    event->acceptProposedAction();
    if (ImportStations(host_, files, this))
        RefreshShares();
}

// OK makes the sheet's values current and stored, and the window shows
// the new name and address; Cancel changes nothing.
void MainWindow::Setup() {
    SetupSheet sheet(host_.StoredSettings(), host_.Options().dataDir, this);
    connect(&sheet.Server(), &ServerPage::findPublicAddress, &sheet,
            [this, &sheet] { FindPublicAddress(sheet.Server(), host_.CurrentSettings()); });
    if (sheet.exec() != QDialog::Accepted)
        return;
    Settings result = sheet.Result();
    try {
        host_.ApplySettings(result);
    } catch (const GeneralException& e) {
        QMessageBox::warning(this, "Tune Bridge", QString("Cannot save the setup: ") + e.what());
    }
    try {
        SetStartAtLogin(sheet.Server().StartAtLogin(), LauncherOf(host_.Options(), result.name));
    } catch (const std::system_error& e) {
        QMessageBox::warning(this, "Tune Bridge",
                             QString("Cannot change the start at login: ") + e.what());
    }
    RefreshLabels();
    update();
}

void MainWindow::Browse() {
    IPAddress local = host_.CurrentSettings().localAddress;
    String host = local.Address() == 0 ? String("127.0.0.1") : local.HostText();
    QString url = QString("http://%1:%2/").arg(ToDisplay(host)).arg(local.Port());
    if (!QDesktopServices::openUrl(QUrl(url)))
        QMessageBox::warning(this, "Tune Bridge", "No web browser could be opened for " + url);
}

void MainWindow::About() {
    QMessageBox box(QMessageBox::NoIcon, "About Tune Bridge",
                    "<b>Tune Bridge</b> " TUNEBRIDGE_VERSION_TEXT
                    "<br><br>Your music folders and Internet radio, for the players and "
                    "browsers of your home network.",
                    QMessageBox::Ok, this);
    box.setIconPixmap(ProgramIcon().pixmap(64, 64));
    box.exec();
}

void MainWindow::Help() {
    OpenHelp(this, host_.Options().dataDir);
}

} // namespace tb
