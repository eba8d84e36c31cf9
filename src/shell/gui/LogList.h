#pragma once

#include <QListWidget>

namespace tb {

// The main window's activity log list: lines in arrival order, at most
// 1000 (the oldest goes), the newest in view; a double click on the
// selected line shows it whole in a box. GUI thread only.
class LogList : public QListWidget {
    Q_OBJECT

public:
    static constexpr int MaxLines = 1000;

    explicit LogList(QWidget* parent);
    void Append(const QString& line);

private:
    void ShowWhole(QListWidgetItem* item);
};

} // namespace tb
