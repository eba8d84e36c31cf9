#pragma once

#include "core/String.h"

namespace tb {

// What an index build reports to, and how it can be cancelled. Every
// method returning false cancels the build (Begin: skips it).
class IndexProgress {
public:
    enum class Item { Song = 0, Folder = 1, Station = 2 };

    virtual ~IndexProgress() = default;
    // After each folder and each song found.
    virtual bool KeepGoing(Item item) = 0;
    // The folder being scanned, or a phase text.
    virtual bool SetStatus(const String& text) = 0;
    virtual bool Begin() = 0;
    virtual void End() = 0;
};

} // namespace tb
