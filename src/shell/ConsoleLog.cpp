#include "shell/ConsoleLog.h"

#include "core/Event.h"

namespace tb {

void ConsoleLog::AddLine(const String& line) {
    Write(line.ReplaceAll("\r\n", "\n"));
}

void ConsoleLog::Notify(const String& title, const String& text) {
    Write(title + ": " + text.ReplaceAll("\r\n", " "));
}

void ConsoleLog::SetStatusLine(const String& text) {
    if (!terminal_)
        return;
    std::lock_guard lock(mutex_);
    status_ = text;
    DrawStatus();
    std::fflush(out_);
}

void ConsoleLog::Write(const String& text) {
    if (quit_.IsSet())
        return;
    std::lock_guard lock(mutex_);
    if (terminal_ && !status_.IsEmpty())
        std::fputs("\r\033[K", out_);
    std::fwrite(text.c_str(), 1, static_cast<size_t>(text.Length()), out_);
    std::fputc('\n', out_);
    DrawStatus();
    std::fflush(out_);
}

void ConsoleLog::DrawStatus() {
    if (terminal_)
        std::fprintf(out_, "\r\033[K%s", status_.c_str());
}

} // namespace tb
