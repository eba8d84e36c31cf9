#pragma once

#include "shell/gui/EditorDialog.h"
#include "web/WebUser.h"

class QCheckBox;
class QLineEdit;

namespace tb {

// The web user editor ("Add a web user" / "Edit web user data"): name,
// disallow access, login ID, password, the one address the user is
// admitted from (0.0.0.0: any) and e-mail. Name and ID must be given and
// the address must be a dotted IPv4 address.
class WebUserDialog : public EditorDialog {
    Q_OBJECT

public:
    WebUserDialog(const WebUser& user, bool adding, QWidget* parent);
    QWidget* FirstInvalidField() const override;
    // The user as edited; what the dialog does not show is kept.
    WebUser Result() const;

private:
    WebUser user_;
    QLineEdit* name_;
    QCheckBox* disallow_;
    QLineEdit* id_;
    QLineEdit* password_;
    QLineEdit* address_;
    QLineEdit* email_;
};

} // namespace tb
