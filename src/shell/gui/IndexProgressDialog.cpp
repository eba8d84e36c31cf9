#include "shell/gui/IndexProgressDialog.h"

#include "shell/gui/DisplayText.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tb {

IndexProgressDialog::IndexProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Tune Bridge");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    for (QLabel*& line : lines_) {
        line = new QLabel(this);
        line->setMinimumWidth(320);
        layout->addWidget(line);
    }
    // The folder being scanned may be long; it must not widen the dialog.
    lines_[3]->setTextFormat(Qt::PlainText);
    lines_[3]->setMaximumWidth(420);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
    connect(buttons, &QDialogButtonBox::rejected, this, &IndexProgressDialog::Cancel);
    layout->addWidget(buttons);
}

void IndexProgressDialog::Cancel() {
    keepGoing_ = false;
}

bool IndexProgressDialog::KeepGoing(Item item) {
    if (item == Item::Folder)
        ++folders_;
    else if (item == Item::Song)
        ++songs_;
    return keepGoing_;
}

bool IndexProgressDialog::SetStatus(const String& text) {
    ShowCounts();
    QString shown = ToDisplay(text);
    lines_[3]->setText(lines_[3]->fontMetrics().elidedText(shown, Qt::ElideMiddle, 420));
    Pump();
    return keepGoing_;
}

bool IndexProgressDialog::Begin() {
    lines_[0]->setText("Reindexing...");
    lines_[1]->setText("Folders:");
    lines_[2]->setText("Songs: 0 ");
    show();
    Pump();
    return keepGoing_;
}

void IndexProgressDialog::End() {
    hide();
}

void IndexProgressDialog::ShowCounts() {
    lines_[1]->setText(QString("Folders: %1 ").arg(folders_));
    lines_[2]->setText(QString("Songs: %1 ").arg(songs_));
}

void IndexProgressDialog::Pump() {
    QCoreApplication::processEvents();
}

} // namespace tb
