#include "server/DeviceAdmission.h"

#include "config/Settings.h"
#include "core/ActivityLog.h"
#include "core/IPAddress.h"
#include "library/StreamLocator.h"
#include "server/ServerContext.h"
#include "web/RandomPassword.h"

namespace tb {

UserList::Entry AdmitDevice(ServerContext& context, const String& identity, const IPAddress& peer,
                            ActivityLog& log) {
    if (!StreamLocator::IsUnitKey(identity.View())) {
        log.AddLine("Unauthorized access attempted from " + peer.HostPortText());
        return nullptr;
    }
    if (context.users.IsAuthorized(identity, peer.Address()))
        return context.users.FindById(identity);
    Settings settings = context.settings.Get();
    if (!settings.autoAuthorizeUnits)
        return nullptr;
    // A device never sends a password; a random one keeps browsers from
    // logging in as the device with an empty one.
    UserList::Admission admitted =
        context.users.AddDevice(identity, peer.Address(), RandomPassword(), settings.maxAutoUnits);
    if (admitted.reportFull)
        log.AddLine(String::Format("New units are refused: %d are admitted already, the most "
                                   "General/MaxAutoUnits allows (last: ",
                                   settings.maxAutoUnits) +
                    identity + " from " + peer.HostText() + ").");
    if (!admitted.entry)
        return nullptr; // an entry carries the identity and refuses it, or the list is full
    log.AddLine("New unit '" + context.users.NameOf(admitted.entry) + "' (" + identity +
                ") admitted from " + peer.HostText() + ".");
    return admitted.entry;
}

} // namespace tb
