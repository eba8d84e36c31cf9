#include "shell/gui/SkinPage.h"

#include "core/BuiltInResources.h"
#include "core/Path.h"
#include "shell/gui/DisplayText.h"
#include "shell/gui/HelpFile.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace tb {
namespace {

constexpr const char* Standard = "(Standard)";
constexpr int PreviewPicture = 201;

} // namespace

SkinPage::SkinPage(const Settings& settings, const String& dataDir, QWidget* parent)
    : QWidget(parent), skinsFolder_(ToDisplay(JoinPath(ProgramFolder(dataDir), "skins"))) {
    auto* column = new QVBoxLayout(this);
    skins_ = new QComboBox(this);
    skins_->addItem(Standard);
    // Read each time the page opens: a skin is added by copying a folder.
    for (const QString& name :
         QDir(skinsFolder_)
             .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        if (!name.startsWith('.'))
            skins_->addItem(name);
    QString current = ToDisplay(settings.webSkinName);
    for (int i = 0; i < skins_->count(); ++i)
        if (skins_->itemText(i).startsWith(current, Qt::CaseInsensitive)) {
            skins_->setCurrentIndex(i);
            break;
        }
    auto* caption = new QLabel("&Select skin:", this);
    caption->setBuddy(skins_);
    preview_ = new QLabel(this);
    preview_->setFixedSize(260, 220);
    preview_->setFrameShape(QFrame::StyledPanel);
    column->addWidget(caption);
    column->addWidget(skins_);
    column->addWidget(preview_, 0, Qt::AlignLeft);
    column->addStretch(1);
    connect(skins_, &QComboBox::currentTextChanged, this, &SkinPage::ShowPreview);
    ShowPreview(skins_->currentText());
}

void SkinPage::ShowPreview(const QString& skin) {
    QPixmap picture;
    if (skin == Standard) {
        if (auto bytes = BuiltInPicture(PreviewPicture))
            picture.loadFromData(reinterpret_cast<const uchar*>(bytes->data()),
                                 static_cast<uint>(bytes->size()));
    } else {
        picture.load(skinsFolder_ + "/" + skin + "/Preview.gif");
    }
    if (picture.isNull()) {
        preview_->setAlignment(Qt::AlignCenter);
        preview_->setText("No\n\nPreview\n\nAvailable");
    } else {
        // At its own size from the top left corner, cut at the area's edge.
        preview_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        preview_->setPixmap(picture);
    }
}

void SkinPage::Store(Settings& settings) const {
    settings.webSkinName = FromDisplay(skins_->currentText());
}

} // namespace tb
