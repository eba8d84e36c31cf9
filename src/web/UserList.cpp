#include "web/UserList.h"

#include "library/StreamLocator.h"
#include "web/WebUser.h"

#include <algorithm>
#include <cstdlib>

namespace tb {

void UserList::IndexLocked(const Entry& entry) {
    byId_.emplace(std::string(entry->Key().View()), entry); // the first one stays
}

void UserList::Add(Entry user) {
    std::lock_guard lock(mutex_);
    IndexLocked(user);
    entries_.push_back(std::move(user));
}

void UserList::Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    byId_.clear();
}

std::vector<UserList::Entry> UserList::Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

size_t UserList::Count() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

std::vector<std::unique_ptr<UserItem>> UserList::Copies() const {
    std::lock_guard lock(mutex_);
    std::vector<std::unique_ptr<UserItem>> copies;
    for (const Entry& entry : entries_)
        copies.push_back(entry->Clone());
    return copies;
}

void UserList::SetChangeHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    onChanged_ = std::move(handler);
}

void UserList::RecordLocked(const UserItem& entry, bool added) {
    if (onChanged_)
        changes_.push_back(Change{entry.Clone(), added});
}

std::vector<UserList::Change> UserList::TakeChanges() {
    std::lock_guard lock(mutex_);
    std::vector<Change> taken;
    taken.swap(changes_);
    return taken;
}

void UserList::Reload(std::vector<Entry> entries) {
    std::lock_guard lock(mutex_);
    for (Entry& fresh : entries)
        if (Entry old = FindByIdLocked(fresh->Key()))
            fresh->activity = old->activity;
    entries_ = std::move(entries);
    byId_.clear();
    for (const Entry& entry : entries_)
        IndexLocked(entry);
}

void UserList::Changed() {
    std::function<void()> handler;
    {
        std::lock_guard lock(mutex_);
        handler = onChanged_;
    }
    if (handler)
        handler();
}

UserList::Entry UserList::FindByIdLocked(const String& key) const {
    auto found = byId_.find(std::string(key.View()));
    return found == byId_.end() ? nullptr : found->second;
}

UserList::Entry UserList::FindById(const String& key) const {
    std::lock_guard lock(mutex_);
    return FindByIdLocked(key);
}

UserList::Entry UserList::FindByCredentials(const String& credentials) const {
    std::lock_guard lock(mutex_);
    for (const Entry& entry : entries_)
        if (entry->MatchesCredentials(credentials))
            return entry;
    return nullptr;
}

bool UserList::Admits(const UserItem& user, uint32_t peer) {
    if (user.address != 0 && user.address != peer)
        return false;
    return (user.permission & UserItem::Allowed) != 0;
}

bool UserList::IsAuthorized(const String& key, uint32_t peer) const {
    std::lock_guard lock(mutex_);
    Entry entry = FindByIdLocked(key);
    return entry && Admits(*entry, peer);
}

bool UserList::IsAuthorizedAt(const Entry& user, uint32_t peer) const {
    std::lock_guard lock(mutex_);
    return user && Admits(*user, peer);
}

void UserList::Touch(const String& key, uint32_t peer) {
    bool changed = false;
    {
        std::lock_guard lock(mutex_);
        if (Entry entry = FindByIdLocked(key); entry && entry->address != peer) {
            entry->address = peer;
            RecordLocked(*entry, false);
            changed = true;
        }
    }
    // Only a real change costs a write to the store.
    if (changed)
        Changed();
}

UserList::Admission UserList::AddDevice(const String& identity, uint32_t peer,
                                        const String& password, int32_t limit) {
    auto device = std::make_shared<WebUser>();
    device->id = identity;
    device->name = "Unit " + identity.Mid(identity.Length() > 4 ? identity.Length() - 4 : 0);
    device->password = password;
    device->permission = UserItem::Allowed;
    device->address = peer;
    {
        std::lock_guard lock(mutex_);
        if (FindByIdLocked(identity))
            return {};
        auto devices = std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) {
            return StreamLocator::IsUnitKey(e->Key().View());
        });
        if (devices >= limit) {
            auto now = std::chrono::steady_clock::now();
            bool report = fullReported_ == std::chrono::steady_clock::time_point() ||
                          now - fullReported_ >= std::chrono::minutes(1);
            if (report)
                fullReported_ = now;
            return {nullptr, true, report};
        }
        IndexLocked(device);
        entries_.push_back(device);
        RecordLocked(*device, true);
    }
    Changed();
    return {device};
}

void UserList::SetStatus(const String& key, const String& text, int32_t countdown) {
    std::lock_guard lock(mutex_);
    if (Entry entry = FindByIdLocked(key)) {
        entry->activity.status = text;
        entry->activity.countdown = countdown;
    }
}

void UserList::Tick() {
    std::lock_guard lock(mutex_);
    for (const Entry& entry : entries_) {
        auto& activity = entry->activity;
        if (activity.countdown > 0 && --activity.countdown == 0)
            activity.status = String();
    }
}

UserItem::Activity UserList::ActivityOf(const Entry& user) const {
    std::lock_guard lock(mutex_);
    return user->activity;
}

String UserList::NameOf(const Entry& user) const {
    std::lock_guard lock(mutex_);
    return user ? user->name : String();
}

void UserList::SetPlaying(const Entry& user, bool playing) {
    std::lock_guard lock(mutex_);
    if (user)
        user->activity.playing = playing;
}

void UserList::SetDownloading(const Entry& user, bool downloading) {
    std::lock_guard lock(mutex_);
    if (user)
        user->activity.downloading = downloading;
}

void UserList::Reseed(const Entry& user, uint32_t seed) {
    std::lock_guard lock(mutex_);
    if (user)
        user->activity.randomSeed = seed;
}

std::vector<int32_t> UserList::ShuffledOrder(const Entry& user, int32_t count) {
    std::lock_guard lock(mutex_);
    if (!user) {
        std::vector<int32_t> identity(static_cast<size_t>(count > 0 ? count : 0));
        for (size_t i = 0; i < identity.size(); ++i)
            identity[i] = static_cast<int32_t>(i);
        return identity;
    }
    auto& order = user->activity.shuffled;
    if (static_cast<int32_t>(order.size()) != count) {
        // The C library generator, seeded per device, so that a device paging
        // through a random stream sees one stable order.
        static std::mutex randMutex; // rand() is one process-wide sequence
        std::lock_guard randLock(randMutex);
        srand(user->activity.randomSeed);
        order.resize(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i)
            order[static_cast<size_t>(i)] = i;
        for (int32_t i = 0; i < count; ++i)
            std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(rand() % count)]);
    }
    return order;
}

} // namespace tb
