#pragma once

#include <string>

namespace tb::test {

// A shell command run in the background (an outside server, a stream
// source), its output going to `logFile`. The destructor stops it
// (SIGTERM, then SIGKILL) if it still runs.
class ChildProcess {
public:
    ChildProcess(const std::string& command, const std::string& logFile);
    ~ChildProcess() { Stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Running();
    // Ends it and waits; the exit status, or -1 when it did not exit normally.
    int Stop();

private:
    int pid_ = -1;
    int status_ = -1;
};

// A TCP port on 127.0.0.1 that nothing listens on at the moment.
int FreePort();

} // namespace tb::test
