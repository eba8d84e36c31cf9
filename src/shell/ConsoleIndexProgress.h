#pragma once

#include "library/IndexProgress.h"

#include <chrono>
#include <cstdint>

namespace tb {

class ConsoleLog;
class Event;

// Index progress for the headless front end. On a terminal it keeps a live
// status line (folders and songs counted, the folder being scanned),
// redrawn at most ten times a second; in every case it logs the totals at
// the end. The quit event cancels a running build.
class ConsoleIndexProgress : public IndexProgress {
public:
    ConsoleIndexProgress(ConsoleLog& log, const Event& quit) : log_(log), quit_(quit) {}

    bool KeepGoing(Item item) override;
    bool SetStatus(const String& text) override;
    bool Begin() override;
    void End() override;

private:
    void Draw();

    ConsoleLog& log_;
    const Event& quit_;
    int64_t folders_ = 0;
    int64_t songs_ = 0;
    String status_;
    std::chrono::steady_clock::time_point lastDraw_{};
};

} // namespace tb
