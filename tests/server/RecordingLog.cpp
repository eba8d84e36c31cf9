#include "RecordingLog.h"

namespace tb::test {

void RecordingLog::AddLine(const String& line) {
    {
        std::lock_guard lock(mutex_);
        entries_.push_back({false, "", std::string(line.View())});
    }
    added_.notify_all();
}

void RecordingLog::Notify(const String& title, const String& text) {
    {
        std::lock_guard lock(mutex_);
        entries_.push_back({true, std::string(title.View()), std::string(text.View())});
    }
    added_.notify_all();
}

std::vector<RecordingLog::Entry> RecordingLog::Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<std::string> RecordingLog::Lines() const {
    std::vector<std::string> lines;
    for (const Entry& e : Entries())
        if (!e.isNotification)
            lines.push_back(e.text);
    return lines;
}

std::vector<RecordingLog::Entry> RecordingLog::Notifications() const {
    std::vector<Entry> notes;
    for (const Entry& e : Entries())
        if (e.isNotification)
            notes.push_back(e);
    return notes;
}

std::string RecordingLog::WaitForLine(const std::function<bool(const std::string&)>& match,
                                      std::chrono::milliseconds timeout, size_t occurrence) {
    std::unique_lock lock(mutex_);
    std::string found;
    added_.wait_for(lock, timeout, [&] {
        size_t seen = 0;
        for (const Entry& e : entries_)
            if (!e.isNotification && match(e.text) && ++seen == occurrence) {
                found = e.text;
                return true;
            }
        return false;
    });
    return found;
}

bool RecordingLog::WaitForExactLine(const std::string& line, std::chrono::milliseconds timeout) {
    return !WaitForLine([&](const std::string& l) { return l == line; }, timeout).empty();
}

bool RecordingLog::WaitForNotifications(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return added_.wait_for(lock, timeout, [&] {
        size_t n = 0;
        for (const Entry& e : entries_)
            n += e.isNotification ? 1 : 0;
        return n >= count;
    });
}

} // namespace tb::test
