#pragma once

#include "config/Settings.h"

namespace tb::test {

// Changes some of the live settings, as the setup would: the whole record
// is replaced.
template <typename Change> void ChangeSettings(LiveSettings& live, Change change) {
    Settings settings = live.Get();
    change(settings);
    live.Set(settings);
}

} // namespace tb::test
