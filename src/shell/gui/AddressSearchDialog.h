#pragma once

#include "config/Settings.h"
#include "netservices/PublicAddress.h"

#include <QDialog>

class QLabel;

namespace tb {

class ServerPage;

// The progress of the public address search: a modeless dialog with one
// status line and "Cancel", which makes the next step answer false. Each
// step handles the events that wait, so the program stays responsive.
// GUI thread only.
class AddressSearchDialog : public QDialog, public AddressSearchProgress {
    Q_OBJECT

public:
    explicit AddressSearchDialog(QWidget* parent);

    bool Begin() override;
    bool End() override;
    bool Status(int step, int number) override;
    void Cancel() { keepGoing_ = false; }

private:
    QLabel* line_;
    bool keepGoing_ = true;
};

// "&Find it!": searches with the stored echo sites and, when an address is
// found, shows it on the page with the page's port.
void FindPublicAddress(ServerPage& page, const Settings& settings);

} // namespace tb
