#include "server/DeviceAdmission.h"

#include "config/Settings.h"
#include "core/ActivityLog.h"
#include "core/IPAddress.h"
#include "server/ServerContext.h"
#include "web/RandomPassword.h"

namespace tb {

bool IsPlausibleIdentity(const String& identity) {
    if (identity.IsEmpty() || identity.Length() > 64)
        return false;
    for (char c : identity.View())
        if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7F)
            return false;
    return true;
}

UserList::Entry AdmitDevice(ServerContext& context, const String& identity, uint32_t peer,
                            ActivityLog& log) {
    if (context.users.IsAuthorized(identity, peer))
        return context.users.FindById(identity);
    if (!context.settings.Get().autoAuthorizeUnits || !IsPlausibleIdentity(identity))
        return nullptr;
    // A device never sends a password; a random one keeps browsers from
    // logging in as the device with an empty one.
    UserList::Entry device = context.users.AddDevice(identity, peer, RandomPassword());
    if (!device)
        return nullptr; // an entry carries the identity and refuses it
    log.AddLine("New unit '" + context.users.NameOf(device) + "' (" + identity +
                ") admitted from " + IPAddress(peer, 0).HostText() + ".");
    return device;
}

} // namespace tb
