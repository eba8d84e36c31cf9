#pragma once

#include "core/ActivityLog.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tb::test {

// An activity log that keeps everything it is told, in order, so tests can
// wait for a line and then check the whole sequence. Thread-safe.
class RecordingLog : public ActivityLog {
public:
    struct Entry {
        bool isNotification = false;
        std::string title; // notifications only
        std::string text;
        bool operator==(const Entry&) const = default;
    };

    void AddLine(const String& line) override;
    void Notify(const String& title, const String& text) override;

    std::vector<Entry> Entries() const;
    std::vector<std::string> Lines() const;
    std::vector<Entry> Notifications() const;

    // Waits until `occurrence` log lines satisfy `match`; returns the last
    // of them, or an empty text when `timeout` passed first.
    std::string WaitForLine(const std::function<bool(const std::string&)>& match,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10),
                            size_t occurrence = 1);
    // Waits until a line equal to `line` is logged.
    bool WaitForExactLine(const std::string& line,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool WaitForNotifications(size_t count,
                              std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    mutable std::mutex mutex_;
    std::condition_variable added_;
    std::vector<Entry> entries_; // guarded by mutex_
};

} // namespace tb::test
