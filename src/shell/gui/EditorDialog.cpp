#include "shell/gui/EditorDialog.h"

#include "shell/gui/DisplayText.h"
#include "shell/gui/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tb {

EditorDialog::EditorDialog(QWidget* parent) : QDialog(parent) {
    setWindowIcon(ProgramIcon());
    setMinimumWidth(420);
}

void EditorDialog::accept() {
    if (QWidget* field = FirstInvalidField()) {
        QApplication::beep();
        field->setFocus();
        return;
    }
    QDialog::accept();
}

QBoxLayout* EditorDialog::Column() {
    if (!column_)
        column_ = new QVBoxLayout(this);
    return column_;
}

void EditorDialog::PickFolder(QLineEdit* field) {
    QString chosen =
        QFileDialog::getExistingDirectory(this, "Select your music folder", field->text());
    if (!chosen.isEmpty())
        field->setText(chosen);
}

QLineEdit* EditorDialog::AddField(const QString& caption, const String& value) {
    auto* label = new QLabel(caption, this);
    auto* field = new QLineEdit(ToDisplay(value), this);
    label->setBuddy(field);
    Column()->addWidget(label);
    Column()->addWidget(field);
    return field;
}

QCheckBox* EditorDialog::AddCheck(const QString& caption, bool checked) {
    auto* box = new QCheckBox(caption, this);
    box->setChecked(checked);
    Column()->addWidget(box);
    return box;
}

void EditorDialog::AddNote(const QString& text) {
    auto* note = new QLabel(text, this);
    note->setWordWrap(true);
    Column()->addWidget(note);
}

void EditorDialog::AddButtons(bool back, const QString& finish) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    if (back) {
        auto* button = new QPushButton("<< &Back", this);
        connect(button, &QPushButton::clicked, this, [this] { done(BackCode); });
        row->addWidget(button);
    }
    auto* ok = new QPushButton(finish, this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton("&Cancel", this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    row->addWidget(ok);
    row->addWidget(cancel);
    Column()->addSpacing(8);
    Column()->addLayout(row);
}

} // namespace tb
