#include "shell/ConsoleLog.h"

#include "core/Event.h"

namespace tb {

void ConsoleLog::AddLine(const String& line) { Write(line.ReplaceAll("\r\n", "\n")); }

void ConsoleLog::Notify(const String& title, const String& text) {
    Write(title + ": " + text.ReplaceAll("\r\n", " "));
}

void ConsoleLog::Write(const String& text) {
    if (quit_.IsSet())
        return;
    std::lock_guard lock(mutex_);
    std::fwrite(text.c_str(), 1, static_cast<size_t>(text.Length()), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

} // namespace tb
