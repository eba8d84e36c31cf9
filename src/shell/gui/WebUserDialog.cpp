#include "shell/gui/WebUserDialog.h"

#include "core/Exceptions.h"
#include "core/IPAddress.h"
#include "shell/gui/DisplayText.h"

#include <QCheckBox>
#include <QLineEdit>

namespace tb {
namespace {

bool ParseAddress(const QString& text, uint32_t& address) {
    try {
        address = IPAddress::FromHost(text.trimmed().toLatin1().constData()).Address();
        return true;
    } catch (const IPAddressException&) {
        return false;
    }
}

} // namespace

WebUserDialog::WebUserDialog(const WebUser& user, bool adding, QWidget* parent)
    : EditorDialog(parent), user_(user) {
    setWindowTitle(adding ? "Add a web user" : "Edit web user data");
    AddNote("A web user is a person who has your permission to connect to your Tune Bridge using "
            "a web browser");
    AddNote("To connect to your server from the Internet, you must ensure that there is an open "
            "path to your computer. ");
    name_ = AddField("Users &name", user.name);
    disallow_ = AddCheck("&Disallow access", user.permission == 0);
    id_ = AddField("Users &ID", user.id);
    password_ = AddField("Users &password", user.password);
    password_->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    address_ = AddField("Users IP &address", IPAddress(user.address, 0).HostText());
    email_ = AddField("Users &e-mail address", user.email);
    AddButtons(false, adding ? "&Finish" : "OK");
}

QWidget* WebUserDialog::FirstInvalidField() const {
    uint32_t address = 0;
    if (name_->text().isEmpty())
        return name_;
    if (id_->text().isEmpty())
        return id_;
    return ParseAddress(address_->text(), address) ? nullptr : address_;
}

WebUser WebUserDialog::Result() const {
    WebUser user = user_;
    user.name = FromDisplay(name_->text());
    user.email = FromDisplay(email_->text());
    user.id = FromDisplay(id_->text());
    user.password = FromDisplay(password_->text());
    user.permission = disallow_->isChecked() ? 0 : UserItem::Allowed;
    ParseAddress(address_->text(), user.address);
    return user;
}

} // namespace tb
