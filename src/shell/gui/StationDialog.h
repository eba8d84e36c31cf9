#pragma once

#include "radio/RadioService.h"
#include "shell/gui/EditorDialog.h"

#include <array>

class QCheckBox;
class QLineEdit;

namespace tb {

// The radio station editor ("Add a radio station" / "Edit radio station
// data"): name, description, provider, genre, up to eight server URLs, and
// the quick access and direct route flags. The name must be given; URLs
// are taken as typed.
class StationDialog : public EditorDialog {
    Q_OBJECT

public:
    // `adding`: a new station, with "<< &Back" to the service chooser.
    StationDialog(const RadioService::Fields& station, bool adding, QWidget* parent);
    QWidget* FirstInvalidField() const override;
    RadioService::Fields Result() const;

private:
    QLineEdit* name_;
    QLineEdit* description_;
    QLineEdit* provider_;
    QLineEdit* genre_;
    std::array<QLineEdit*, RadioService::UrlSlots> urls_{};
    QCheckBox* quickAccess_;
    QCheckBox* routeDirectly_;
};

} // namespace tb
