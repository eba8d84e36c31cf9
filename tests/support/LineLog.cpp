#include "support/LineLog.h"

namespace tb::test {

void LineLog::AddLine(const String& line) {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(line.View());
    added_.notify_all();
}

void LineLog::Notify(const String& title, const String& text) {
    AddLine(title + ": " + text);
}

std::vector<std::string> LineLog::LinesFrom(size_t from) const {
    std::lock_guard lock(mutex_);
    return std::vector<std::string>(
        lines_.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines_.size())), lines_.end());
}

size_t LineLog::Count() const {
    std::lock_guard lock(mutex_);
    return lines_.size();
}

void LineLog::Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

std::string LineLog::WaitForText(const std::string& text, std::chrono::milliseconds timeout,
                                 size_t occurrence, bool prefix) {
    std::unique_lock lock(mutex_);
    std::string found;
    added_.wait_for(lock, timeout, [&] {
        size_t seen = 0;
        for (const std::string& line : lines_)
            if ((prefix ? line.rfind(text, 0) == 0 : line.find(text) != std::string::npos) &&
                ++seen == occurrence) {
                found = line;
                return true;
            }
        return false;
    });
    return found;
}

} // namespace tb::test
