#pragma once

#include "config/Settings.h"
#include "core/String.h"
#include "delivery/DeliveryAnswers.h"
#include "library/NodeIndex.h"
#include "library/ServiceList.h"
#include "web/UserList.h"

#include <functional>
#include <memory>
#include <mutex>

namespace tb {

class ActivityLog;
class Dispatch;
class Event;
class IndexProgress;
class RegistryStore;
class StoreLock;
class StreamServer;
struct CommandLine;

// What both front ends run: the store of one configuration folder, the
// settings, the service and user lists, the node index and the server
// thread. Owned and called by the front end's main thread; the server
// threads reach the store only through the user-change saving below.
class ServerHost {
public:
    ServerHost(const CommandLine& options, const Event& quit, ActivityLog& log);
    ~ServerHost();
    ServerHost(const ServerHost&) = delete;
    ServerHost& operator=(const ServerHost&) = delete;

    // The configuration folder the options name.
    const String& ConfigFolder() const noexcept { return configFolder_; }
    // Takes the folder's lock: one server per store. Throws
    // std::runtime_error when another process holds it.
    void LockStore();
    // Opens the store and reads the settings. Throws std::runtime_error.
    void OpenStore();
    // Loads the lists, compiles the users' page templates and applies the
    // command line's address options. Throws GeneralException.
    void LoadLists();
    // Starts the server thread; device admissions are saved as they happen.
    // `onListenFailure` (optional) hears, on the server thread, each error
    // that keeps the listener from being made.
    void Start(std::function<void(int error)> onListenFailure = {});
    // Builds the node index with the current settings; a failure is logged.
    void BuildIndex(IndexProgress* progress);
    // Compiles every user's page template for the current skin.
    void CompileUserTemplates();
    // The settings as stored: the current ones without the command line's
    // address options.
    Settings StoredSettings() const;
    // Makes `edited` current and stores it whole, compiles the users'
    // templates again, renews the index time when the skin changed, and has
    // the server listen again (a new local address takes effect; the
    // command line's address options still win). Throws RegistryException
    // when the store fails.
    void ApplySettings(const Settings& edited);
    // Ends the server: closes every socket and waits for the threads at
    // most `milliseconds`. False when some did not end.
    bool Stop(int32_t milliseconds);

    // The store is shared with connection threads saving device changes.
    std::mutex& StoreMutex() noexcept { return storeMutex_; }
    RegistryStore& Store() noexcept { return *store_; }
    Settings& CurrentSettings() noexcept { return settings_; }
    ServiceList& Services() noexcept { return services_; }
    UserList& Users() noexcept { return users_; }
    const CommandLine& Options() const noexcept { return options_; }

private:
    void SaveUserChanges();
    void ApplyCommandLine();

    const CommandLine& options_;
    const Event& quit_;
    ActivityLog& log_;
    String configFolder_;
    std::unique_ptr<StoreLock> storeLock_;
    std::mutex storeMutex_;
    std::unique_ptr<RegistryStore> store_; // guarded by storeMutex_ once the server runs
    Settings settings_;
    IPAddress storedLocalAddress_; // before the command line's options
    ServiceList services_;
    UserList users_;
    DeliveryAnswers answers_;
    NodeIndex index_{answers_};
    std::unique_ptr<LiveSettings> live_;
    std::unique_ptr<Dispatch> handlers_;
    std::unique_ptr<StreamServer> server_;
};

} // namespace tb
