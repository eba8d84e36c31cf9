#include "shell/ServerHost.h"

#include "config/ConfigDirectory.h"
#include "config/RegistryStore.h"
#include "config/SettingsStorage.h"
#include "config/StoreLock.h"
#include "core/ActivityLog.h"
#include "core/Event.h"
#include "core/Exceptions.h"
#include "core/SocketRegistry.h"
#include "core/Thread.h"
#include "server/Dispatch.h"
#include "server/StreamServer.h"
#include "shell/CommandLine.h"
#include "shell/IndexRebuild.h"
#include "shell/StoredLists.h"
#include "web/WebSkins.h"

#include <stdexcept>

namespace tb {

ServerHost::ServerHost(const CommandLine& options, const Event& quit, ActivityLog& log)
    : options_(options), quit_(quit), log_(log), configFolder_(ConfigDirectory(options.configDir)) {
}

ServerHost::~ServerHost() = default;

void ServerHost::LockStore() {
    storeLock_ = std::make_unique<StoreLock>(configFolder_);
}

void ServerHost::OpenStore() {
    store_ = RegistryStore::Open(configFolder_);
    RegisterStoredTypes();
    try {
        LoadSettings(*store_, settings_);
    } catch (const IPAddressException&) {
        throw std::runtime_error("the stored listening address is not valid; set it with "
                                 "'tunebridge config set General/IPAddress A.B.C.D:PORT'");
    }
}

void ServerHost::LoadLists() {
    LoadServices(*store_, services_);
    LoadUsers(*store_, users_);
    CompileUserTemplates();
    ApplyCommandLine();
}

void ServerHost::ApplyCommandLine() {
    storedLocalAddress_ = settings_.localAddress;
    if (options_.bindAddress)
        settings_.localAddress =
            IPAddress(options_.bindAddress->Address(), settings_.localAddress.Port());
    if (options_.port)
        settings_.localAddress.SetPort(*options_.port);
}

Settings ServerHost::StoredSettings() const {
    Settings stored = settings_;
    stored.localAddress = storedLocalAddress_;
    return stored;
}

void ServerHost::ApplySettings(const Settings& edited) {
    {
        std::lock_guard lock(storeMutex_);
        SaveSettings(*store_, edited);
    }
    bool skinChanged = edited.webSkinName != settings_.webSkinName;
    settings_ = edited;
    ApplyCommandLine();
    CompileUserTemplates();
    if (skinChanged)
        index_.RenewIndexTime();
    if (live_) {
        live_->Set(settings_);
        server_->Stop();
    }
}

void ServerHost::CompileUserTemplates() {
    CompileTemplates(users_, options_.dataDir, settings_.webSkinName);
}

void ServerHost::Start(std::function<void(int error)> onListenFailure) {
    live_ = std::make_unique<LiveSettings>(settings_);
    handlers_ = std::make_unique<Dispatch>(ServerContext{*live_, index_, users_});
    server_ = std::make_unique<StreamServer>(quit_, log_, *live_, *handlers_);
    if (onListenFailure)
        server_->SetListenFailureHandler(std::move(onListenFailure));
    users_.SetChangeHandler([this] { SaveUserChanges(); });
    StartThread(*server_);
}

void ServerHost::BuildIndex(IndexProgress* progress) {
    RebuildIndex(index_, services_, settings_, log_, progress);
}

// Runs on connection threads. Changes are taken under the store's lock, so
// they reach the store in the order they happened.
void ServerHost::SaveUserChanges() {
    std::lock_guard lock(storeMutex_);
    for (const auto& change : users_.TakeChanges()) {
        try {
            SaveUserChange(*store_, *change.entry, change.added);
        } catch (const GeneralException& e) {
            log_.AddLine(String("Cannot save the user list: ") + e.what());
        }
    }
}

bool ServerHost::Stop(int32_t milliseconds) {
    SocketRegistry::ShutdownAll();
    return WaitForThreads(milliseconds);
}

} // namespace tb
