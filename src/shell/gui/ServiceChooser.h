#pragma once

#include <QDialog>

class QRadioButton;

namespace tb {

// "Add a service": a local directory (preselected) or a radio station.
// Run() answers LocalDirectory, RadioStation, or 0 for "&Cancel".
class ServiceChooser : public QDialog {
    Q_OBJECT

public:
    static constexpr int RadioStation = 1;
    static constexpr int LocalDirectory = 2;

    explicit ServiceChooser(QWidget* parent);
    int Run();

private:
    QRadioButton* directory_;
};

} // namespace tb
