#include "shell/gui/ServiceChooser.h"

#include "shell/gui/MainWindow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tb {

ServiceChooser::ServiceChooser(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Add a service");
    setWindowIcon(ProgramIcon());
    auto* column = new QVBoxLayout(this);
    directory_ = new QRadioButton("Add a local directory - Choose this to add your local MP3 and "
                                  "MP3 pro music files.",
                                  this);
    auto* station = new QRadioButton("Add a &radio station - Choose this to add a radio station "
                                     "located on the Internet or on your local network.",
                                     this);
    directory_->setChecked(true);
    column->addWidget(directory_);
    column->addWidget(station);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* next = new QPushButton("&Next >>", this);
    next->setDefault(true);
    auto* cancel = new QPushButton("&Cancel", this);
    connect(next, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    row->addWidget(next);
    row->addWidget(cancel);
    column->addSpacing(8);
    column->addLayout(row);
}

int ServiceChooser::Run() {
    if (exec() != QDialog::Accepted)
        return 0;
    return directory_->isChecked() ? LocalDirectory : RadioStation;
}

} // namespace tb
