#include "shell/ConsoleIndexProgress.h"

#include "core/Event.h"
#include "shell/ConsoleLog.h"

namespace tb {

bool ConsoleIndexProgress::Begin() {
    folders_ = songs_ = 0;
    status_ = String();
    return !quit_.IsSet();
}

bool ConsoleIndexProgress::KeepGoing(Item item) {
    if (item == Item::Folder)
        ++folders_;
    else if (item == Item::Song)
        ++songs_;
    Draw();
    return !quit_.IsSet();
}

bool ConsoleIndexProgress::SetStatus(const String& text) {
    status_ = text;
    Draw();
    return !quit_.IsSet();
}

void ConsoleIndexProgress::End() {
    log_.SetStatusLine(String());
    log_.AddLine(String::Format("Indexed %lld folders and %lld songs.",
                                static_cast<long long>(folders_), static_cast<long long>(songs_)));
}

void ConsoleIndexProgress::Draw() {
    if (!log_.IsTerminal())
        return;
    auto now = std::chrono::steady_clock::now();
    if (now - lastDraw_ < std::chrono::milliseconds(100))
        return;
    lastDraw_ = now;
    log_.SetStatusLine(String::Format("Folders: %lld  Songs: %lld  %.60s",
                                      static_cast<long long>(folders_),
                                      static_cast<long long>(songs_), status_.c_str()));
}

} // namespace tb
