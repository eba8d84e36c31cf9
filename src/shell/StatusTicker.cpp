#include "shell/StatusTicker.h"

#include "core/Event.h"
#include "web/UserList.h"

namespace tb {

void StatusTicker::Run() {
    while (!quit_.Wait(1000))
        users_.Tick();
}

} // namespace tb
