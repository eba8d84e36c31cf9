#include "shell/gui/AddressSearchDialog.h"

#include "shell/gui/ServerPage.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <stdexcept>

namespace tb {
namespace {

constexpr const char* StepTexts[] = {"[%1]:Search for server...", "[%1]:Connecting to server...",
                                     "[%1]:Querying server...",
                                     "[%1]:Retrieving response from server..."};

std::vector<EchoSite> StoredSites(const Settings& settings) {
    std::vector<EchoSite> sites;
    for (const String& text : settings.addressEchoSites) {
        try {
            if (auto site = ParseEchoSite(text))
                sites.push_back(*site);
        } catch (const std::invalid_argument&) {
            // The config command refuses such texts; an older store may not.
        }
    }
    return sites;
}

} // namespace

AddressSearchDialog::AddressSearchDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Tune Bridge");
    auto* column = new QVBoxLayout(this);
    line_ = new QLabel(this);
    line_->setMinimumWidth(300);
    column->addWidget(line_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
    connect(buttons, &QDialogButtonBox::rejected, this, &AddressSearchDialog::Cancel);
    column->addWidget(buttons);
}

bool AddressSearchDialog::Begin() {
    show();
    QCoreApplication::processEvents();
    return keepGoing_;
}

bool AddressSearchDialog::End() {
    hide();
    return keepGoing_;
}

bool AddressSearchDialog::Status(int step, int number) {
    if (step >= 0 && step < 4)
        line_->setText(QString(StepTexts[step]).arg(number));
    QCoreApplication::processEvents();
    return keepGoing_;
}

void FindPublicAddress(ServerPage& page, const Settings& settings) {
    AddressSearchDialog dialog(&page);
    if (uint32_t address = DetectPublicAddress(StoredSites(settings), &dialog))
        page.SetPublicAddress(address);
}

} // namespace tb
