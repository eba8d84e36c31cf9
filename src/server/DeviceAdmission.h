#pragma once

#include "core/IPAddress.h"
#include "core/String.h"
#include "web/UserList.h"

#include <cstdint>

namespace tb {

class ActivityLog;
struct ServerContext;

// Admits a device's browse request by its identity and address. Only
// identities that stream URLs can carry (16 hexadecimal digits) are
// devices; others are refused and logged, so that a login name sent as an
// identity cannot bind that login to the sender. With automatic admission
// on, a device that no entry carries yet gets an entry of its own (logged
// once) and is admitted, up to the limit of automatically admitted devices;
// an entry that refuses the device keeps refusing it. Returns the admitting
// entry, or null.
UserList::Entry AdmitDevice(ServerContext& context, const String& identity, const IPAddress& peer,
                            ActivityLog& log);

} // namespace tb
