#pragma once

#include "core/String.h"

#include <cstdint>

namespace tb {

class UserList;

// Shows an album download beside its user in the user list: "Download" at
// the start, "Download N%" as entries go out, "Download end" or "Download
// abort" at the end. Used by one thread; the list is thread-safe.
class DownloadProgress {
public:
    // `key` is the login ID the reports are filed under.
    DownloadProgress(UserList& users, String key) : users_(users), key_(std::move(key)) {}

    // `total` bytes are to go out.
    void Begin(uint64_t total);
    // `bytes` more went out; true to go on.
    bool Progress(uint64_t bytes);
    void End(bool aborted);

private:
    UserList& users_;
    String key_;
    uint64_t total_ = 0;
    uint64_t done_ = 0;
};

} // namespace tb
