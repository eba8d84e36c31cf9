#pragma once

#include "shell/gui/EditorDialog.h"

#include <memory>

class QCheckBox;
class QLineEdit;

namespace tb {

class ShareService;

// The share editor ("Add a local directory" / "Edit local directory
// data"): name, description, the folder (with a picker) and whether the
// cover crawler works on it. The name must be given and the folder must
// exist.
class ShareDialog : public EditorDialog {
    Q_OBJECT

public:
    // `share` null: a new share, with "<< &Back" to the service chooser.
    ShareDialog(const ShareService* share, QWidget* parent);
    QWidget* FirstInvalidField() const override;
    std::shared_ptr<ShareService> Result() const;

private:
    QLineEdit* name_;
    QLineEdit* description_;
    QLineEdit* folder_;
    QCheckBox* covers_;
};

} // namespace tb
