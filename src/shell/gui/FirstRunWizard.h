#pragma once

#include "core/String.h"
#include "shell/gui/EditorDialog.h"

#include <QDialog>
#include <QLineEdit>

class QCheckBox;

namespace tb {

// What the first-run wizard asks for.
struct WizardAnswers {
    String name;
    String folder;
    String loginId;
    String password;
    bool programShortcut = true;
    bool webShortcut = true;
};

// Page one: the server's name, the music folder, the login ID and the
// password. "Next >>" is accepted only when all four are given and the
// folder exists; otherwise the first field that fails takes the focus.
class WizardIdentityPage : public EditorDialog {
    Q_OBJECT

public:
    WizardIdentityPage(const WizardAnswers& answers, const String& dataDir, QWidget* parent);
    QLineEdit* FirstInvalidField() const override;
    void Store(WizardAnswers& answers) const;

private:
    QLineEdit* name_;
    QLineEdit* folder_;
    QLineEdit* loginId_;
    QLineEdit* password_;
};

// Page two: the two desktop shortcuts; "<< &Back" ends it with BackCode.
class WizardShortcutPage : public QDialog {
    Q_OBJECT

public:
    static constexpr int BackCode = 1011;

    WizardShortcutPage(const WizardAnswers& answers, const String& dataDir, QWidget* parent);
    void Store(WizardAnswers& answers) const;

private:
    QCheckBox* program_;
    QCheckBox* web_;
};

// Runs the pages until "&Finished" (true) or a Cancel (false).
bool RunWizard(WizardAnswers& answers, const String& dataDir, QWidget* parent);

} // namespace tb
