#pragma once

#include <QPixmap>
#include <QWidget>

class QLabel;
class QListWidget;
class QTimer;

namespace tb {

class LogList;
class ServerHost;
class WindowLog;

// The main window: a fixed 500 x 480 client area over its background
// picture with the server's name and public address, the users with their
// current activity (aged once a second), the shares, the activity log and
// the command buttons. Closing it hides it (or, without a tray to bring it
// back, minimises it); the first close says so once. GUI thread only.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    MainWindow(ServerHost& host, WindowLog& log, bool trayAvailable);

    // Brings the window up from the tray.
    void Restore();
    void RefreshLabels();
    void RefreshUsers();
    void RefreshShares();
    // Stops the activity timer (the program is ending).
    void StopTimer();

signals:
    void reindexChosen();
    void closeNoteWanted(const QString& title, const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();
    QLabel* AddLabel(const QString& text, QRect place, const QFont& font, const QColor& colour);
    QListWidget* AddList(QRect place);
    void AddButton(const QString& caption, QRect place, void (MainWindow::*command)());
    void Tick();
    void AddUser();
    void EditUser();
    void DeleteUsers();
    void AddService();
    void EditService();
    void DeleteServices();
    void Setup();
    void Browse();
    void About();
    void Help();

    ServerHost& host_;
    const bool trayAvailable_;
    QPixmap background_;
    QLabel* nameLabel_ = nullptr;
    QLabel* addressLabel_ = nullptr;
    QListWidget* users_ = nullptr;
    QListWidget* shares_ = nullptr;
    LogList* log_ = nullptr;
    QTimer* timer_ = nullptr;
};

// The program icon, in the sizes the tray and the window frames ask for.
QIcon ProgramIcon();

} // namespace tb
