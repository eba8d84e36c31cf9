#pragma once

namespace tb {

class RegistryStore;
class ServiceList;
class UserItem;
class UserList;

// Registers the prototype of every stored object type; once, at start-up,
// before other threads run.
void RegisterStoredTypes();

// The "Services" and "Users" lists of the store. Loading replaces the
// list's content (services sorted as shown); saving writes the whole list in
// one transaction. Both throw RegistryException or PersistantObjectException.
void LoadServices(RegistryStore& store, ServiceList& services);
void SaveServices(RegistryStore& store, ServiceList& services);
void LoadUsers(RegistryStore& store, UserList& users);
void SaveUsers(RegistryStore& store, const UserList& users);
// Saves one change of a running server without rewriting the list, so that
// entries added with the config command meanwhile stay: a new device is
// appended, a new address is written into its entry (found by ID; an entry
// the store no longer has is left out).
void SaveUserChange(RegistryStore& store, const UserItem& entry, bool added);

} // namespace tb
