#pragma once

#include <functional>
#include <string>

namespace tb::test {

struct ChildOutcome {
    int exitCode = -1; // what the action returned, or -1 when it did not exit
    std::string message;
};

// Runs `action` in a forked child and reports its result and what it wrote
// to `message`. When the tests run as root (who may write anything), the
// child first becomes the unprivileged user "nobody" (65534), so that
// permission checks apply.
ChildOutcome RunUnprivileged(const std::function<int(std::string& message)>& action);

// The user the child runs as.
int UnprivilegedUid();

// Everything left to read from `fd`, up to its end.
std::string ReadToEnd(int fd);

} // namespace tb::test
