#include "shell/gui/ListCommands.h"

#include "core/Exceptions.h"
#include "library/ServiceList.h"
#include "library/ShareService.h"
#include "radio/RadioService.h"
#include "radio/StationImport.h"
#include "shell/ServerHost.h"
#include "shell/StoredLists.h"
#include "shell/gui/CatalogDialog.h"
#include "shell/gui/DisplayText.h"
#include "shell/gui/ServiceChooser.h"
#include "shell/gui/ShareDialog.h"
#include "shell/gui/StationDialog.h"
#include "shell/gui/WebUserDialog.h"
#include "web/UserList.h"

#include <QMessageBox>
#include <memory>
#include <mutex>

namespace tb {
namespace {

using ServicePointer = std::shared_ptr<ServiceItem>;

void SaveUserList(ServerHost& host, QWidget* parent) {
    host.CompileUserTemplates();
    std::lock_guard lock(host.StoreMutex());
    try {
        SaveUsers(host.Store(), host.Users());
    } catch (const GeneralException& e) {
        QMessageBox::warning(parent, "Tune Bridge", QString("Cannot save the users: ") + e.what());
    }
}

void SaveServiceList(ServerHost& host, QWidget* parent) {
    std::lock_guard lock(host.StoreMutex());
    try {
        SaveServices(host.Store(), host.Services());
    } catch (const GeneralException& e) {
        QMessageBox::warning(parent, "Tune Bridge", QString("Cannot save the shares: ") + e.what());
    }
}

bool Confirm(QWidget* parent, QMessageBox::Icon icon, const char* title, const QString& question) {
    QMessageBox box(icon, title, question, QMessageBox::Ok | QMessageBox::Cancel, parent);
    return box.exec() == QMessageBox::Ok;
}

// The entries with `row` replaced (or, with a null entry, removed).
void ReplaceUser(UserList& users, int row, UserList::Entry entry) {
    std::vector<UserList::Entry> entries = users.Entries();
    if (row < 0 || row >= static_cast<int>(entries.size()))
        return;
    if (entry)
        entries[static_cast<size_t>(row)] = std::move(entry);
    else
        entries.erase(entries.begin() + row);
    users.Reload(std::move(entries));
}

void AddServices(ServerHost& host, std::vector<ServicePointer> added, QWidget* parent) {
    ServiceList& services = host.Services();
    {
        ServiceList::Guard lock(services);
        for (auto& service : added)
            services.Items().push_back(std::move(service));
        services.Sort();
    }
    SaveServiceList(host, parent);
}

// The editor of the chosen kind for a new service; null when it was
// cancelled, and `back` set when "<< &Back" ended it.
ServicePointer NewService(int kind, QWidget* parent, bool& back) {
    int result = 0;
    ServicePointer made;
    if (kind == ServiceChooser::LocalDirectory) {
        ShareDialog dialog(nullptr, parent);
        result = dialog.exec();
        if (result == QDialog::Accepted)
            made = dialog.Result();
    } else {
        StationDialog dialog(RadioService::Fields{}, true, parent);
        result = dialog.exec();
        if (result == QDialog::Accepted)
            made = std::make_shared<RadioService>(dialog.Result());
    }
    back = result == EditorDialog::BackCode;
    return made;
}

} // namespace

bool AddWebUser(ServerHost& host, QWidget* parent) {
    WebUserDialog dialog(WebUser{}, true, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    host.Users().Add(std::make_shared<WebUser>(dialog.Result()));
    SaveUserList(host, parent);
    return true;
}

bool EditWebUser(ServerHost& host, int row, QWidget* parent) {
    std::vector<UserList::Entry> entries = host.Users().Entries();
    if (row < 0 || row >= static_cast<int>(entries.size()))
        return false;
    auto* user = dynamic_cast<WebUser*>(entries[static_cast<size_t>(row)].get());
    if (!user)
        return false;
    WebUserDialog dialog(*user, false, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    ReplaceUser(host.Users(), row, std::make_shared<WebUser>(dialog.Result()));
    SaveUserList(host, parent);
    return true;
}

bool DeleteUsers(ServerHost& host, const std::vector<int>& rows, QWidget* parent) {
    if (rows.empty() ||
        !Confirm(parent, QMessageBox::Warning, "Confirm delete", "Delete selected users?"))
        return false;
    for (int row : rows)
        ReplaceUser(host.Users(), row, nullptr);
    SaveUserList(host, parent);
    return true;
}

bool AddService(ServerHost& host, QWidget* parent) {
    for (;;) {
        int kind = ServiceChooser(parent).Run();
        if (kind == 0)
            return false;
        bool back = false;
        if (ServicePointer made = NewService(kind, parent, back)) {
            AddServices(host, {made}, parent);
            return true;
        }
        if (!back)
            return false;
    }
}

bool EditService(ServerHost& host, int row, QWidget* parent) {
    ServicePointer service;
    {
        ServiceList::Guard lock(host.Services());
        auto& items = host.Services().Items();
        if (row < 0 || row >= static_cast<int>(items.size()))
            return false;
        service = items[static_cast<size_t>(row)];
    }
    ServicePointer edited;
    if (auto* share = dynamic_cast<ShareService*>(service.get())) {
        ShareDialog dialog(share, parent);
        if (dialog.exec() == QDialog::Accepted)
            edited = dialog.Result();
    } else if (auto* station = dynamic_cast<RadioService*>(service.get())) {
        StationDialog dialog(station->Values(), false, parent);
        if (dialog.exec() == QDialog::Accepted)
            edited = std::make_shared<RadioService>(dialog.Result());
    } else if (auto* catalog = dynamic_cast<CatalogService*>(service.get())) {
        CatalogDialog dialog(*catalog, parent);
        if (dialog.exec() == QDialog::Accepted)
            edited = dialog.Result();
    }
    if (!edited)
        return false;
    {
        // Nodes of the current tree keep the old object alive until the
        // next reindex builds them from this one.
        ServiceList::Guard lock(host.Services());
        for (auto& item : host.Services().Items())
            if (item == service)
                item = edited;
    }
    SaveServiceList(host, parent);
    return true;
}

bool DeleteServices(ServerHost& host, const std::vector<int>& rows, QWidget* parent) {
    if (rows.empty() ||
        !Confirm(parent, QMessageBox::Warning, "Confirm delete", "Delete selected services?"))
        return false;
    {
        ServiceList::Guard lock(host.Services());
        auto& items = host.Services().Items();
        for (int row : rows)
            if (row >= 0 && row < static_cast<int>(items.size()))
                items.erase(items.begin() + row);
    }
    SaveServiceList(host, parent);
    return true;
}

bool ImportStations(ServerHost& host, const QStringList& files, QWidget* parent) {
    if (files.isEmpty())
        return false;
    if (files.size() > 1 &&
        !Confirm(parent, QMessageBox::Question, "Tune Bridge",
                 QString("Import %1 files as radio stations?").arg(files.size())))
        return false;
    std::vector<ServicePointer> stations;
    for (const QString& file : files)
        stations.push_back(std::make_shared<RadioService>(ImportPlsFile(FromDisplay(file))));
    AddServices(host, std::move(stations), parent);
    return true;
}

} // namespace tb
