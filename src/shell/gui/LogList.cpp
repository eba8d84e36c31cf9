#include "shell/gui/LogList.h"

#include <QMessageBox>

namespace tb {

LogList::LogList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, &LogList::ShowWhole);
}

// One entry per line, line breaks and all: it shows as it came.
void LogList::Append(const QString& line) {
    addItem(line);
    if (count() > MaxLines)
        delete takeItem(0);
    scrollToBottom();
}

void LogList::ShowWhole(QListWidgetItem* item) {
    if (item && item->isSelected())
        QMessageBox::information(window(), "Tune Bridge log", item->text());
}

} // namespace tb
