#include "shell/gui/CatalogDialog.h"

#include "core/Exceptions.h"
#include "shell/gui/DisplayText.h"

#include <QLineEdit>
#include <optional>

namespace tb {
namespace {

std::optional<IPAddress> ParseAddress(const QString& text) {
    try {
        return IPAddress::FromHostPort(text.trimmed().toLatin1().constData());
    } catch (const IPAddressException&) {
        return std::nullopt;
    }
}

} // namespace

CatalogDialog::CatalogDialog(const CatalogService& catalog, QWidget* parent)
    : EditorDialog(parent), catalog_(catalog) {
    setWindowTitle("Edit catalog service data");
    name_ = AddField("Your &name of this service", catalog.Name());
    description_ = AddField("Your &description of this service", catalog.Description());
    address_ = AddField("Catalog address and port number", catalog.Address().HostPortText());
    AddNote("Note! Make sure that the specified server has you added as a friend.");
    AddButtons(false, "OK");
}

QWidget* CatalogDialog::FirstInvalidField() const {
    if (name_->text().isEmpty())
        return name_;
    return ParseAddress(address_->text()) ? nullptr : address_;
}

std::shared_ptr<CatalogService> CatalogDialog::Result() const {
    return std::make_shared<CatalogService>(
        FromDisplay(name_->text()), FromDisplay(description_->text()), catalog_.ShortName(),
        ParseAddress(address_->text()).value_or(catalog_.Address()));
}

} // namespace tb
