#pragma once

#include "support/TempDir.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace tb::test {

// The real tunebridge executable, started headless on 127.0.0.1 with a
// port picked by the system and, unless told otherwise, a fresh store. Its standard output is
// collected line by line. The destructor stops it (SIGTERM, then SIGKILL) if it still runs.
class ServerProcess {
public:
    explicit ServerProcess(std::vector<std::string> extraArguments = {},
                           std::vector<std::string> environment = {},
                           const std::string& workingDirectory = "");
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Port from the "Server started at" line (waits for it).
    int Port();
    // Waits for the first index build to end ("Created N nodes.").
    void WaitForIndex();
    // Waits until a line containing `text` appears; returns it, or "" on time-out.
    std::string WaitForLine(const std::string& text,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // The lines without their leading time stamps; StampedLines counts
    // the lines that had one.
    std::vector<std::string> Lines();
    size_t StampedLines() const { return stamped_; }
    // Sends a signal and waits for the exit; returns the exit status, or -1.
    int Stop(int signal, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    int Pid() const { return pid_; }
    // The store's folder when the process made its own.
    std::string ConfigDir() const { return configDir_ ? configDir_->Path() : ""; }

private:
    void ReadAvailable(int timeoutMs);

    std::unique_ptr<TempDir> configDir_;
    int pid_ = -1;
    int output_ = -1;
    std::string pending_;
    std::vector<std::string> lines_;
    int port_ = -1;
    size_t stamped_ = 0;
};

} // namespace tb::test
