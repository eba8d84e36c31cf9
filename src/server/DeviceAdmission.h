#pragma once

#include "core/String.h"
#include "web/UserList.h"

#include <cstdint>

namespace tb {

class ActivityLog;
struct ServerContext;

// Admits a device's browse request by its identity and address. With
// automatic admission on, a device that no entry carries yet gets an entry
// of its own (logged once) and is admitted; an entry that refuses the
// device keeps refusing it. Returns the admitting entry, or null.
UserList::Entry AdmitDevice(ServerContext& context, const String& identity, uint32_t peer,
                            ActivityLog& log);

// Identities automatic admission accepts: 1 to 64 printable characters,
// no spaces (players send 16 hexadecimal digits).
bool IsPlausibleIdentity(const String& identity);

} // namespace tb
