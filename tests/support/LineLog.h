#pragma once

#include "core/ActivityLog.h"

#include <mutex>
#include <string>
#include <vector>

namespace tb::test {

// An activity log that keeps every line (notifications as "title: text").
class LineLog : public ActivityLog {
public:
    void AddLine(const String& line) override;
    void Notify(const String& title, const String& text) override;
    std::vector<std::string> Lines() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

} // namespace tb::test
