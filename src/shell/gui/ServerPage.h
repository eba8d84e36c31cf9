#pragma once

#include "config/Settings.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace tb {

// The setup's "Server" page: the public name, the local address and port
// (chosen from this computer's addresses or typed), the public address
// (typed, or found with "&Find it!"), request logging, and whether the
// desktop starts the program at login (which is not a stored setting but
// the desktop's autostart entry).
class ServerPage : public QWidget {
    Q_OBJECT

public:
    ServerPage(const Settings& settings, bool startsAtLogin, QWidget* parent);
    // The first field that keeps the sheet from closing, or null: an empty
    // name, or an address that is not "a.b.c.d:port".
    QWidget* FirstInvalidField() const;
    void Store(Settings& settings) const;
    bool StartAtLogin() const;
    // Shows a found public address with the port the field has now.
    void SetPublicAddress(uint32_t address);

signals:
    // "&Find it!" was pressed.
    void findPublicAddress();

private:
    QLineEdit* name_;
    QComboBox* local_;
    QLineEdit* public_;
    QCheckBox* logRequests_;
    QCheckBox* startAtLogin_;
};

} // namespace tb
