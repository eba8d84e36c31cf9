#pragma once

class QWidget;

namespace tb {

class ActivityLog;
class ServerHost;

enum class FirstRunResult { AlreadyInstalled, Installed, Cancelled };

// The desktop's first start: on a store not yet marked installed, runs the
// wizard and stores what it was told (name, share "My music", web user) as
// the headless first start does, then writes the desktop shortcuts asked
// for. A cancelled wizard stores nothing. Needs the opened store, before
// the lists are loaded. GUI thread only.
FirstRunResult RunDesktopFirstRun(ServerHost& host, ActivityLog& log, QWidget* parent);

} // namespace tb
