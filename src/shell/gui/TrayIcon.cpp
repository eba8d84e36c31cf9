#include "shell/gui/TrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace tb {

TrayIcon::TrayIcon(const QIcon& icon, const QString& tip, QObject* parent) : QObject(parent) {
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    menu_ = new QMenu;
    connect(menu_->addAction("&Configure"), &QAction::triggered, this, &TrayIcon::configureChosen);
    menu_->addSeparator();
    connect(menu_->addAction("&Reindex"), &QAction::triggered, this, &TrayIcon::reindexChosen);
    menu_->addSeparator();
    connect(menu_->addAction("&Unload && exit"), &QAction::triggered, this, &TrayIcon::exitChosen);
    tray_ = new QSystemTrayIcon(icon, this);
    tray_->setToolTip(tip.left(63));
    tray_->setContextMenu(menu_);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::DoubleClick)
                    emit windowWanted();
            });
    connect(tray_, &QSystemTrayIcon::messageClicked, this, &TrayIcon::windowWanted);
    tray_->show();
}

TrayIcon::~TrayIcon() {
    delete menu_;
}

void TrayIcon::Balloon(const QString& title, const QString& text, int seconds) {
    if (tray_)
        tray_->showMessage(title, text, QSystemTrayIcon::Information, seconds * 1000);
}

void TrayIcon::Remove() {
    if (tray_)
        tray_->hide();
}

} // namespace tb
