#pragma once

#include "config/Settings.h"

#include <QDialog>

class QTabWidget;

namespace tb {

class Mp3Page;
class ServerPage;
class SkinPage;

// The "Setup" sheet: the "Server", "MP3" and "WEB" pages over a copy of
// the settings. OK is refused (on the "Server" page, with the focus on the
// field) while the name is empty or an address does not read; otherwise
// Result() holds every page's values. Nothing is applied here.
class SetupSheet : public QDialog {
    Q_OBJECT

public:
    SetupSheet(const Settings& settings, const String& dataDir, QWidget* parent);
    void accept() override;
    Settings Result() const;
    ServerPage& Server() const noexcept { return *server_; }

private:
    Settings settings_;
    QTabWidget* tabs_;
    ServerPage* server_;
    Mp3Page* mp3_;
    SkinPage* skin_;
};

} // namespace tb
