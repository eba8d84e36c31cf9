#include "shell/gui/ShareDialog.h"

#include "library/ShareService.h"
#include "shell/gui/DisplayText.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

namespace tb {

ShareDialog::ShareDialog(const ShareService* share, QWidget* parent) : EditorDialog(parent) {
    setWindowTitle(share ? "Edit local directory data" : "Add a local directory");
    name_ = AddField("Your &name of this share", share ? share->Name() : String());
    description_ = AddField("&Description of this share", share ? share->Description() : String());
    folder_ = AddField("&Folder with your music files", share ? share->Folder() : String());
    // The picker button sits beside the folder field.
    auto* row = new QHBoxLayout;
    int at = Column()->indexOf(folder_);
    Column()->removeWidget(folder_);
    row->addWidget(folder_);
    auto* pick = new QPushButton("...", this);
    pick->setFixedWidth(32);
    connect(pick, &QPushButton::clicked, this, [this] { PickFolder(folder_); });
    row->addWidget(pick);
    Column()->insertLayout(at, row);
    covers_ =
        AddCheck("Look for missing album &covers on the Internet", share && share->StartCrawler());
    AddButtons(share == nullptr, share ? "OK" : "&Finish");
}

QWidget* ShareDialog::FirstInvalidField() const {
    if (name_->text().isEmpty())
        return name_;
    return QFileInfo(folder_->text()).isDir() ? nullptr : folder_;
}

std::shared_ptr<ShareService> ShareDialog::Result() const {
    return std::make_shared<ShareService>(FromDisplay(name_->text()),
                                          FromDisplay(description_->text()),
                                          FromDisplay(folder_->text()), covers_->isChecked());
}

} // namespace tb
