#pragma once

#include "config/PersistantObject.h"
#include "core/String.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <vector>

namespace tb {

// An entry of the user list: admits a browser by its credentials and a
// device by its identity. The name, e-mail, permission and address are
// common to every kind of entry; the kind adds its key and credentials.
class UserItem : public PersistantObject {
public:
    // Stored permission values; bit 0 allows access.
    static constexpr uint32_t Allowed = 1;

    // Display name, used at the head of log lines.
    String name;
    String email;
    uint32_t permission = Allowed;
    // 0: any address; otherwise the only admitted peer (IPv4, network order).
    uint32_t address = 0;

    // What a running server keeps about the entry; never stored. Guarded by
    // the mutex of the UserList holding the entry.
    struct Activity {
        String status;
        int32_t countdown = 0; // seconds the status stays shown; 0 = until replaced
        bool playing = false;
        bool downloading = false;
        uint32_t randomSeed = static_cast<uint32_t>(std::time(nullptr));
        std::vector<int32_t> shuffled; // a device's order of random stream songs
    };
    Activity activity;

    // A copy of the entry (for saving while others use the original).
    virtual std::unique_ptr<UserItem> Clone() const = 0;
    virtual String Key() const = 0;
    virtual void SetKey(const String& key) = 0;
    virtual bool MatchesId(const String& id) const = 0;
    virtual bool MatchesCredentials(const String& credentials) const = 0;
    // 1 for a web user, the entries that carry a page template.
    virtual int Kind() const = 0;

    // The stored form of an address: the first octet in the least
    // significant byte, whatever the byte order of the machine.
    static uint32_t StoredAddress(uint32_t networkAddress);

protected:
    // The four common values, in their stored order.
    void LoadCommon(Registry& key);
    void SaveCommon(Registry& key) const;
};

} // namespace tb
