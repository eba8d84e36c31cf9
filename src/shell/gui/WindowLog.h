#pragma once

#include "core/ActivityLog.h"
#include "shell/ConsoleLog.h"

#include <QObject>
#include <QString>
#include <memory>

namespace tb {

class Event;

// The desktop's activity log: lines are handed to the GUI thread as queued
// signals (the main window's log list shows them), so no caller ever waits
// for the window. Lines and notifications after the quit event are dropped.
// With a console given, every line goes there as well. Thread-safe; lines
// still queued when the log is destroyed are lost.
class WindowLog : public QObject, public ActivityLog {
    Q_OBJECT

public:
    WindowLog(const Event& quit, std::unique_ptr<ConsoleLog> console);
    ~WindowLog() override;

    void AddLine(const String& line) override;
    void Notify(const String& title, const String& text) override;

signals:
    // Emitted on the calling thread; connect with a queued connection.
    void lineAdded(const QString& line);
    void notified(const QString& title, const QString& text);

private:
    const Event& quit_;
    std::unique_ptr<ConsoleLog> console_;
};

// Standard output as a second log when it is a terminal or a file (not when
// the desktop started the program with its output going nowhere useful).
std::unique_ptr<ConsoleLog> ConsoleForDesktop(const Event& quit);

} // namespace tb
