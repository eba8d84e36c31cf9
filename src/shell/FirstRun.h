#pragma once

#include "core/String.h"

namespace tb {

class ActivityLog;
class RegistryStore;

// What the first start of a new installation is told on the command line.
struct FirstRunChoices {
    String serverName;  // the current name ("Tune Bridge" on a new store)
    String shareFolder; // empty: the user's music folder
    String userId;      // empty: "admin"
    String password;    // empty: a random one, logged once
};

// The first start of a new installation: when the store is not marked as
// installed, stores the server name, one share "My music" (its folder made
// absolute) and one web user, as the desktop wizard would, and marks the
// store installed. Returns false when there was nothing to do. Throws
// RegistryException.
bool RunFirstTimeSetup(RegistryStore& store, const FirstRunChoices& choices, ActivityLog& log);

} // namespace tb
