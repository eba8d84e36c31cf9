#include "shell/gui/ServerPage.h"

#include "core/Exceptions.h"
#include "shell/gui/DisplayText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>

namespace tb {
namespace {

constexpr const char* Automatic = "[Automatic]";
constexpr const char* Unknown = "[Unknown]";

std::optional<IPAddress> Parse(const QString& text, const char* anyText) {
    try {
        return IPAddress::FromHostPort(text.trimmed().toLatin1().constData(), anyText);
    } catch (const IPAddressException&) {
        return std::nullopt;
    }
}

QLabel* Caption(const QString& text, QWidget* buddy, QWidget* page) {
    auto* label = new QLabel(text, page);
    label->setBuddy(buddy);
    return label;
}

} // namespace

ServerPage::ServerPage(const Settings& settings, bool startsAtLogin, QWidget* parent)
    : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    name_ = new QLineEdit(ToDisplay(settings.name), this);
    local_ = new QComboBox(this);
    local_->setEditable(true);
    local_->addItem(QString("%1:%2").arg(Automatic).arg(Settings::DefaultPort));
    // This computer's IPv4 addresses, as the network interfaces have them.
    for (const QHostAddress& address : QNetworkInterface::allAddresses())
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            local_->addItem(QString("%1:%2").arg(address.toString()).arg(Settings::DefaultPort));
    local_->setCurrentText(ToDisplay(settings.localAddress.DisplayText(Automatic)));
    public_ = new QLineEdit(ToDisplay(settings.publicAddress.DisplayText(Unknown)), this);
    auto* find = new QPushButton("&Find it!", this);
    connect(find, &QPushButton::clicked, this, &ServerPage::findPublicAddress);
    logRequests_ = new QCheckBox("L&og incoming HTTP requests", this);
    logRequests_->setChecked(settings.logHttpRequests);
    startAtLogin_ = new QCheckBox("Start Tune Bridge when I &log in", this);
    startAtLogin_->setChecked(startsAtLogin);

    column->addWidget(Caption("Your Tune Bridge's public &name", name_, this));
    column->addWidget(name_);
    column->addWidget(Caption("Your local IP &address && port", local_, this));
    column->addWidget(local_);
    column->addWidget(Caption("Your public IP a&ddress && port", public_, this));
    auto* row = new QHBoxLayout;
    row->addWidget(public_, 1);
    row->addWidget(find);
    column->addLayout(row);
    column->addSpacing(8);
    column->addWidget(logRequests_);
    column->addWidget(startAtLogin_);
    column->addStretch(1);
}

QWidget* ServerPage::FirstInvalidField() const {
    if (name_->text().isEmpty())
        return name_;
    if (!Parse(local_->currentText(), Automatic))
        return local_;
    return Parse(public_->text(), Unknown) ? nullptr : public_;
}

void ServerPage::Store(Settings& settings) const {
    settings.name = FromDisplay(name_->text());
    if (auto local = Parse(local_->currentText(), Automatic))
        settings.localAddress = *local;
    if (auto address = Parse(public_->text(), Unknown))
        settings.publicAddress = *address;
    settings.logHttpRequests = logRequests_->isChecked();
}

bool ServerPage::StartAtLogin() const {
    return startAtLogin_->isChecked();
}

void ServerPage::SetPublicAddress(uint32_t address) {
    auto current = Parse(public_->text(), Unknown);
    uint16_t port = current ? current->Port() : Settings::DefaultPort;
    public_->setText(ToDisplay(IPAddress(address, port).DisplayText(Unknown)));
}

} // namespace tb
