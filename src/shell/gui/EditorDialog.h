#pragma once

#include "core/String.h"

#include <QDialog>

class QBoxLayout;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tb {

// A dialog whose OK is refused while one of its fields is not acceptable:
// the first such field takes the focus, the dialog beeps and stays open.
// Editors lay out their fields with the helpers below; as a step of the
// "Add a service" sequence they offer "<< &Back", which ends the dialog
// with BackCode. GUI thread only.
class EditorDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int BackCode = 1011;

    explicit EditorDialog(QWidget* parent);
    void accept() override;
    // The first field that keeps OK from being accepted, or null.
    virtual QWidget* FirstInvalidField() const = 0;

protected:
    // A caption over a one-line field; the caption's "&" letter focuses it.
    QLineEdit* AddField(const QString& caption, const String& value);
    QCheckBox* AddCheck(const QString& caption, bool checked);
    void AddNote(const QString& text);
    // "<< &Back" (when `back`), the finish button and "&Cancel".
    void AddButtons(bool back, const QString& finish);
    // The dialog's column of fields, made on first use (a dialog that lays
    // itself out never asks for it).
    QBoxLayout* Column();
    // The folder picker ("Select your music folder"), starting at the
    // field's folder; a chosen folder replaces the field's text.
    void PickFolder(QLineEdit* field);

private:
    QBoxLayout* column_ = nullptr;
};

} // namespace tb
