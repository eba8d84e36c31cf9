#include "shell/gui/SetupSheet.h"

#include "shell/DesktopShortcuts.h"
#include "shell/gui/MainWindow.h"
#include "shell/gui/Mp3Page.h"
#include "shell/gui/ServerPage.h"
#include "shell/gui/SkinPage.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tb {

SetupSheet::SetupSheet(const Settings& settings, const String& dataDir, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle("Setup");
    setWindowIcon(ProgramIcon());
    auto* column = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    server_ = new ServerPage(settings, StartsAtLogin(), tabs_);
    mp3_ = new Mp3Page(settings, tabs_);
    skin_ = new SkinPage(settings, dataDir, tabs_);
    tabs_->addTab(server_, "Server");
    tabs_->addTab(mp3_, "MP3");
    tabs_->addTab(skin_, "WEB");
    column->addWidget(tabs_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
    setMinimumSize(440, 420);
}

void SetupSheet::accept() {
    if (QWidget* field = server_->FirstInvalidField()) {
        QApplication::beep();
        tabs_->setCurrentWidget(server_);
        field->setFocus();
        return;
    }
    QDialog::accept();
}

Settings SetupSheet::Result() const {
    Settings result = settings_;
    server_->Store(result);
    mp3_->Store(result);
    skin_->Store(result);
    return result;
}

} // namespace tb
