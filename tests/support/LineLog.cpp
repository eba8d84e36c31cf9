#include "support/LineLog.h"

namespace tb::test {

void LineLog::AddLine(const String& line) {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(line.View());
}

void LineLog::Notify(const String& title, const String& text) {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(std::string(title.View()) + ": " + std::string(text.View()));
}

std::vector<std::string> LineLog::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

void LineLog::Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

} // namespace tb::test
