#include "shell/gui/StationDialog.h"

#include "shell/gui/DisplayText.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace tb {

StationDialog::StationDialog(const RadioService::Fields& station, bool adding, QWidget* parent)
    : EditorDialog(parent) {
    setWindowTitle(adding ? "Add a radio station" : "Edit radio station data");
    name_ = AddField("Your &name of this service", station.name);
    description_ = AddField("&Description of this service", station.description);
    provider_ = AddField("S&ervice provider", station.provider);
    genre_ = AddField("&Genre", station.genre);
    auto* caption = new QLabel("&Server URL's qualified with port number", this);
    Column()->addWidget(caption);
    auto* form = new QFormLayout;
    for (size_t i = 0; i < urls_.size(); ++i) {
        urls_[i] = new QLineEdit(ToDisplay(station.urls[i]), this);
        urls_[i]->setPlaceholderText(i == 0 ? "http://host:port/path" : QString());
        form->addRow(QString("%1.").arg(i + 1), urls_[i]);
    }
    caption->setBuddy(urls_[0]);
    Column()->addLayout(form);
    quickAccess_ =
        AddCheck("&Quick access: one entry for the first URL instead of a folder of URLs",
                 station.quickAccess);
    routeDirectly_ =
        AddCheck("&Route directly: players connect to the station, not through this server",
                 station.routeDirectly);
    AddButtons(adding, adding ? "&Finish" : "OK");
    setMinimumWidth(480);
}

QWidget* StationDialog::FirstInvalidField() const {
    return name_->text().isEmpty() ? name_ : nullptr;
}

RadioService::Fields StationDialog::Result() const {
    RadioService::Fields station;
    station.name = FromDisplay(name_->text());
    station.description = FromDisplay(description_->text());
    station.provider = FromDisplay(provider_->text());
    station.genre = FromDisplay(genre_->text());
    for (size_t i = 0; i < urls_.size(); ++i)
        station.urls[i] = FromDisplay(urls_[i]->text().trimmed());
    station.quickAccess = quickAccess_->isChecked();
    station.routeDirectly = routeDirectly_->isChecked();
    return station;
}

} // namespace tb
