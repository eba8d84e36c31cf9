#pragma once

namespace tb {

class RegistryStore;
class ServiceList;
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

} // namespace tb
