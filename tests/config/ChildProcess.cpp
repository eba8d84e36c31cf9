#include "ChildProcess.h"

#include <sys/wait.h>
#include <unistd.h>

namespace tb::test {
namespace {

constexpr int Nobody = 65534;

void RunChild(const std::function<int(std::string&)>& action, int output) {
    if (geteuid() == 0 && (setgid(Nobody) != 0 || setuid(Nobody) != 0))
        _exit(100);
    std::string message;
    int code = 101;
    try {
        code = action(message);
    } catch (...) {
        message = "unexpected exception";
    }
    if (write(output, message.data(), message.size()) < 0)
        code = 102;
    _exit(code);
}

} // namespace

std::string ReadToEnd(int input) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(input, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

int UnprivilegedUid() {
    return geteuid() == 0 ? Nobody : static_cast<int>(geteuid());
}

ChildOutcome RunUnprivileged(const std::function<int(std::string& message)>& action) {
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        RunChild(action, fds[1]);
    }
    close(fds[1]);
    ChildOutcome outcome;
    outcome.message = ReadToEnd(fds[0]);
    close(fds[0]);
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        outcome.exitCode = WEXITSTATUS(status);
    return outcome;
}

} // namespace tb::test
