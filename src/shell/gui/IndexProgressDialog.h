#pragma once

#include "library/IndexProgress.h"

#include <QDialog>

class QLabel;

namespace tb {

// The progress of an index build run on the GUI thread: a modeless dialog
// with four text lines and "Cancel". Each status update keeps the program
// responsive by handling the events that wait; "Cancel" (or Cancel())
// makes the next update answer false, which stops the build. GUI thread
// only.
class IndexProgressDialog : public QDialog, public IndexProgress {
    Q_OBJECT

public:
    explicit IndexProgressDialog(QWidget* parent);

    bool KeepGoing(Item item) override;
    bool SetStatus(const String& text) override;
    bool Begin() override;
    void End() override;

    void Cancel();

private:
    void ShowCounts();
    void Pump();

    QLabel* lines_[4];
    int folders_ = 0;
    int songs_ = 0;
    bool keepGoing_ = true;
};

} // namespace tb
