#pragma once

#include "core/FileDescriptor.h"
#include "core/String.h"

#include <stdexcept>

namespace tb {

// An exclusive lock on a configuration folder, held for the object's
// lifetime through the file "tunebridge.lock" in it: one server (desktop or
// headless) per store. The config command does not take it; it works
// beside a running server. The kernel releases the lock when the process
// ends, however it ends.
class StoreLock {
public:
    // Another process holds the lock.
    class Busy : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    static constexpr const char* FileName = "tunebridge.lock";

    // Creates the folder when missing and takes the lock without waiting.
    // Throws Busy naming the folder when another process holds it,
    // std::runtime_error when the lock file cannot be opened, and
    // RegistryException when the folder cannot be made.
    explicit StoreLock(const String& configDirectory);

private:
    FileDescriptor file_;
};

} // namespace tb
