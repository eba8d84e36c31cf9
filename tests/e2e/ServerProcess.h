#pragma once

#include "support/LineLog.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tb::test {

// The real tunebridge executable, started headless on 127.0.0.1 with a
// port picked by the system and, unless told otherwise, a fresh store. A
// thread of its own reads its standard output line by line all the while,
// so that a server logging much never waits on a full pipe. The destructor
// stops it (SIGTERM, then SIGKILL) if it still runs.
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
    // Waits for the `occurrence`-th line containing `text`; the line, or "".
    std::string WaitForLine(const std::string& text,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10),
                            size_t occurrence = 1) {
        return log_.WaitForText(text, timeout, occurrence);
    }
    // The lines without their leading time stamps; StampedLines counts
    // the lines that had one.
    std::vector<std::string> Lines() const { return log_.Lines(); }
    size_t StampedLines() const { return stamped_; }
    // Sends a signal and waits for the exit; the exit status, or -1.
    int Stop(int signal, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    int Pid() const { return pid_; }
    // The store's folder when the process made its own.
    std::string ConfigDir() const { return configDir_ ? configDir_->Path() : ""; }
    // What a sanitized build reported (the first 20,000 bytes); empty when
    // it found nothing, or is not sanitized.
    std::string SanitizerReports() const;

private:
    void ReadOutput(int fd);

    std::unique_ptr<TempDir> configDir_;
    TempDir reports_;
    int pid_ = -1;
    int port_ = -1;
    LineLog log_;
    std::atomic<size_t> stamped_{0};
    std::thread reader_;
};

// `tunebridge config --config-dir DIR ARGUMENTS 2>&1`; ARGUMENTS go to the
// shell as they are.
CommandResult Config(const std::string& configDir, const std::string& arguments);

} // namespace tb::test
