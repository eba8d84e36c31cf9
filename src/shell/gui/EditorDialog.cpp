#include "shell/gui/EditorDialog.h"

#include "shell/gui/DisplayText.h"
#include "shell/gui/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tb {

EditorDialog::EditorDialog(QWidget* parent) : QDialog(parent), column_(new QVBoxLayout(this)) {
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

QLineEdit* EditorDialog::AddField(const QString& caption, const String& value) {
    auto* label = new QLabel(caption, this);
    auto* field = new QLineEdit(ToDisplay(value), this);
    label->setBuddy(field);
    column_->addWidget(label);
    column_->addWidget(field);
    return field;
}

QCheckBox* EditorDialog::AddCheck(const QString& caption, bool checked) {
    auto* box = new QCheckBox(caption, this);
    box->setChecked(checked);
    column_->addWidget(box);
    return box;
}

void EditorDialog::AddNote(const QString& text) {
    auto* note = new QLabel(text, this);
    note->setWordWrap(true);
    column_->addWidget(note);
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
    column_->addSpacing(8);
    column_->addLayout(row);
}

} // namespace tb
