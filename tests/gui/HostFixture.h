#pragma once

#include "config/RegistryStore.h"
#include "config/SettingsStorage.h"
#include "core/Event.h"
#include "shell/CommandLine.h"
#include "shell/ServerHost.h"
#include "shell/gui/WindowLog.h"

#include <QTemporaryDir>
#include <memory>

namespace tb::test {

// A server host over a real store in a fresh temporary folder, which is
// also the program's folder; no server runs. One per test function.
struct HostFixture {
    HostFixture() {
        options.configDir = (folder.path() + "/config").toUtf8().constData();
        options.dataDir = folder.path().toUtf8().constData();
        host = std::make_unique<ServerHost>(options, quit, log);
        host->OpenStore();
        host->LoadLists();
    }
    // What the store holds now, read through a store of its own.
    Settings StoredSettings() const {
        Settings settings;
        LoadSettings(*RegistryStore::Open(options.configDir), settings);
        return settings;
    }
    std::unique_ptr<RegistryStore> OpenStore() const {
        return RegistryStore::Open(options.configDir);
    }

    QTemporaryDir folder;
    CommandLine options;
    Event quit;
    WindowLog log{quit, nullptr};
    std::unique_ptr<ServerHost> host;
};

} // namespace tb::test
