#include "shell/gui/Mp3Page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tb {
namespace {

// In the order the page shows them.
constexpr bool Settings::*CategoryFlags[] = {
    &Settings::createGenreFolder, &Settings::createAlbumFolder, &Settings::createArtistFolder,
    &Settings::createYearFolder};
constexpr const char* CategoryCaptions[] = {"Create a &genre folder", "Create an &album folder",
                                            "Create an a&rtist", "Create a release &year folder"};

} // namespace

Mp3Page::Mp3Page(const Settings& settings, QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    preload_ = new QCheckBox("&Preload MP3 information", this);
    preload_->setChecked(settings.preloadMp3Info);
    column->addWidget(preload_);
    auto* group = new QGroupBox("Automatic category folders", this);
    auto* inside = new QVBoxLayout(group);
    for (int i = 0; i < 4; ++i) {
        categories_[i] = new QCheckBox(CategoryCaptions[i], group);
        categories_[i]->setChecked(settings.*CategoryFlags[i]);
        connect(categories_[i], &QCheckBox::toggled, this, &Mp3Page::KeepPreloadNeeded);
        inside->addWidget(categories_[i]);
    }
    auto* note = new QLabel("Note! You must reindex for these settings to take effect.", group);
    note->setWordWrap(true);
    inside->addWidget(note);
    column->addWidget(group);
    column->addStretch(1);
    connect(preload_, &QCheckBox::toggled, this, &Mp3Page::KeepPreloadNeeded);
}

void Mp3Page::KeepPreloadNeeded() {
    for (QCheckBox* category : categories_)
        if (category->isChecked())
            preload_->setChecked(true);
}

void Mp3Page::Store(Settings& settings) const {
    settings.preloadMp3Info = preload_->isChecked();
    for (int i = 0; i < 4; ++i)
        settings.*CategoryFlags[i] = categories_[i]->isChecked();
}

} // namespace tb
