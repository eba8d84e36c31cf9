#pragma once

#include "core/Thread.h"

namespace tb {

class Event;
class UserList;

// Ages the users' status texts once a second until the quit event is set.
class StatusTicker : public Runnable {
public:
    StatusTicker(const Event& quit, UserList& users) : quit_(quit), users_(users) {}
    void Run() override;

private:
    const Event& quit_;
    UserList& users_;
};

} // namespace tb
