#pragma once

#include <QObject>
#include <QString>

class QIcon;
class QMenu;
class QSystemTrayIcon;

namespace tb {

// The notification-area icon with its tip, balloons and menu. A double
// click and a click on a balloon ask for the main window; a single click
// does nothing. Where the desktop has no tray, Available() is false and
// nothing is shown. GUI thread only.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    TrayIcon(const QIcon& icon, const QString& tip, QObject* parent);
    ~TrayIcon() override;

    bool Available() const noexcept { return tray_ != nullptr; }
    // A balloon of the information kind, shown for about `seconds`.
    void Balloon(const QString& title, const QString& text, int seconds);
    void Remove();

signals:
    void configureChosen();
    void reindexChosen();
    void exitChosen();
    void windowWanted();

private:
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* menu_ = nullptr;
};

} // namespace tb
