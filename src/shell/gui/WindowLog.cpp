#include "shell/gui/WindowLog.h"

#include "core/Event.h"
#include "shell/ConsoleLog.h"
#include "shell/gui/DisplayText.h"

#include <sys/stat.h>
#include <unistd.h>

namespace tb {

WindowLog::WindowLog(const Event& quit, std::unique_ptr<ConsoleLog> console)
    : quit_(quit), console_(std::move(console)) {}

WindowLog::~WindowLog() = default;

void WindowLog::AddLine(const String& line) {
    if (quit_.IsSet())
        return;
    if (console_)
        console_->AddLine(line);
    emit lineAdded(ToDisplay(line));
}

void WindowLog::Notify(const String& title, const String& text) {
    if (quit_.IsSet())
        return;
    if (console_)
        console_->Notify(title, text);
    emit notified(ToDisplay(title), ToDisplay(text));
}

std::unique_ptr<ConsoleLog> ConsoleForDesktop(const Event& quit) {
    struct stat info {};
    bool terminal = isatty(STDOUT_FILENO) == 1;
    if (!terminal && (fstat(STDOUT_FILENO, &info) != 0 || !S_ISREG(info.st_mode)))
        return nullptr;
    return std::make_unique<ConsoleLog>(STDOUT_FILENO, quit, terminal, true);
}

} // namespace tb
