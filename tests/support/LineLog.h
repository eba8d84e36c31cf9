#pragma once

#include "core/ActivityLog.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace tb::test {

// An activity log that keeps every line (notifications as "title: text")
// and lets a test wait for one. Thread-safe.
class LineLog : public ActivityLog {
public:
    void AddLine(const String& line) override;
    void Notify(const String& title, const String& text) override;

    std::vector<std::string> Lines() const { return LinesFrom(0); }
    // The lines logged after the first `from` ones.
    std::vector<std::string> LinesFrom(size_t from) const;
    size_t Count() const;
    void Clear();
    // Waits for the `occurrence`-th line beginning with `prefix`; the line,
    // or empty.
    std::string WaitForPrefix(const std::string& prefix,
                              std::chrono::milliseconds timeout = std::chrono::seconds(10),
                              size_t occurrence = 1) {
        return WaitForText(prefix, timeout, occurrence, true);
    }
    // The same for a line containing `text` anywhere.
    std::string WaitForText(const std::string& text,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10),
                            size_t occurrence = 1, bool prefix = false);

private:
    mutable std::mutex mutex_;
    std::condition_variable added_;
    std::vector<std::string> lines_; // guarded by mutex_
};

} // namespace tb::test
