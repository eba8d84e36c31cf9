#pragma once

#include "web/UserItem.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tb {

// The users and devices admitted to the server, in list order; lookups take
// the first match, by login ID through an index. Entries are shared: a
// request that found one keeps it alive even if the list drops it. The
// list's mutex guards the entries' address and activity; the other stored
// fields (the login ID above all) change only while the entry is in no
// list. Thread-safe.
class UserList {
public:
    using Entry = std::shared_ptr<UserItem>;

    void Add(Entry user);
    void Clear();
    std::vector<Entry> Entries() const;
    size_t Count() const;
    // Copies of the entries as they are now, for saving.
    std::vector<std::unique_ptr<UserItem>> Copies() const;
    // Called (outside the lock) after a device's address binding changed
    // or a device was added, so that the change can be saved; TakeChanges
    // then tells what changed.
    void SetChangeHandler(std::function<void()> handler);
    struct Change {
        std::unique_ptr<UserItem> entry; // a copy as it was just after the change
        bool added;                      // a new device, else a new address
    };
    // The changes not yet taken, oldest first (only kept while a change
    // handler is set).
    std::vector<Change> TakeChanges();
    // Replaces the entries with freshly loaded ones; an entry with the same
    // key keeps what the running server knows about it (status, shuffle).
    void Reload(std::vector<Entry> entries);

    // First entry whose login ID is `key` (byte for byte), or null.
    Entry FindById(const String& key) const;
    // First entry whose "id:password" equals `credentials`, or null.
    Entry FindByCredentials(const String& credentials) const;
    // The entry for `key` admits the peer (IPv4, network order).
    bool IsAuthorized(const String& key, uint32_t peer) const;
    // Address 0 or equal to the peer, and permission bit 0 set.
    bool IsAuthorizedAt(const Entry& user, uint32_t peer) const;
    // Binds the entry for `key` to the peer's address.
    void Touch(const String& key, uint32_t peer);
    // A new entry for a device no entry carries yet: name "Unit " and the
    // last four characters of its identity, a random password, bound to
    // the peer; unless an entry carries the identity already, or `limit`
    // entries carry device identities (StreamLocator::IsUnitKey) already.
    struct Admission {
        Entry entry;             // null when refused
        bool full = false;       // refused because of the limit
        bool reportFull = false; // the first such refusal in a minute
    };
    Admission AddDevice(const String& identity, uint32_t peer, const String& password,
                        int32_t limit);

    void SetStatus(const String& key, const String& text, int32_t countdown);
    // One second passed: counts down and clears expired status texts.
    void Tick();
    UserItem::Activity ActivityOf(const Entry& user) const;
    String NameOf(const Entry& user) const;
    void SetPlaying(const Entry& user, bool playing);
    void SetDownloading(const Entry& user, bool downloading);
    void Reseed(const Entry& user, uint32_t seed);
    // The entry's shuffled order of `count` random stream songs, made anew
    // from its seed when the last one had another size.
    std::vector<int32_t> ShuffledOrder(const Entry& user, int32_t count);

private:
    Entry FindByIdLocked(const String& key) const;
    void IndexLocked(const Entry& entry);
    static bool Admits(const UserItem& user, uint32_t peer);
    void Changed();
    void RecordLocked(const UserItem& entry, bool added);

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;                  // guarded by mutex_
    std::unordered_map<std::string, Entry> byId_; // first entry of each ID; guarded by mutex_
    std::chrono::steady_clock::time_point fullReported_; // guarded by mutex_
    std::function<void()> onChanged_;                    // guarded by mutex_
    std::vector<Change> changes_;                        // guarded by mutex_
};

} // namespace tb
