#include "ServerProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <regex>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tb::test {

ServerProcess::ServerProcess(std::vector<std::string> extraArguments,
                             std::vector<std::string> environment,
                             const std::string& workingDirectory) {
    std::vector<std::string> args = {TUNEBRIDGE_EXECUTABLE, "--headless", "--bind", "127.0.0.1"};
    bool portGiven = false, configGiven = false;
    for (const auto& a : extraArguments) {
        portGiven = portGiven || a == "--port";
        configGiven = configGiven || a == "--config-dir";
    }
    if (!portGiven)
        args.insert(args.end(), {"--port", "0"});
    if (!configGiven) {
        configDir_ = std::make_unique<TempDir>();
        args.insert(args.end(),
                    {"--config-dir", configDir_->Path(), "--share", configDir_->Path()});
    }
    args.insert(args.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    // Whether lines carry a time stamp depends on this one; tests say it.
    for (char** e = environ; *e; ++e)
        if (strncmp(*e, "JOURNAL_STREAM=", 15) != 0)
            envp.push_back(*e);
    for (auto& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    if (!workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    int error = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    output_ = pipeFds[0];
    if (error != 0)
        throw std::runtime_error(std::string("cannot start tunebridge: ") + strerror(error));
}

ServerProcess::~ServerProcess() {
    if (pid_ > 0 && Stop(SIGTERM, std::chrono::seconds(10)) == -1)
        Stop(SIGKILL);
    if (output_ >= 0)
        close(output_);
}

void ServerProcess::ReadAvailable(int timeoutMs) {
    pollfd p{output_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0)
        return;
    // Everything there is, so that a busy server never blocks on a full pipe.
    char buffer[65536];
    for (;;) {
        ssize_t n = read(output_, buffer, sizeof buffer);
        if (n <= 0) {
            if (n == 0 && pending_.empty())
                usleep(static_cast<useconds_t>(timeoutMs) * 1000); // writer gone; don't spin
            break;
        }
        pending_.append(buffer, static_cast<size_t>(n));
        pollfd more{output_, POLLIN, 0};
        if (static_cast<size_t>(n) < sizeof buffer || poll(&more, 1, 0) <= 0)
            break;
    }
    for (size_t nl; (nl = pending_.find('\n')) != std::string::npos; pending_.erase(0, nl + 1)) {
        std::string line = pending_.substr(0, nl);
        // "2026-12-07T21:30:05 ": the local time, which tests need not see.
        static const std::regex stamp("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d ");
        if (std::regex_search(line, stamp)) {
            line.erase(0, 20);
            ++stamped_;
        }
        lines_.push_back(line);
    }
}

std::string ServerProcess::WaitForLine(const std::string& text, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    size_t checked = 0;
    for (;;) {
        for (; checked < lines_.size(); ++checked)
            if (lines_[checked].find(text) != std::string::npos)
                return lines_[checked];
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return "";
        ReadAvailable(static_cast<int>(std::min<long>(left.count(), 100)));
    }
}

std::vector<std::string> ServerProcess::Lines() {
    ReadAvailable(0);
    return lines_;
}

int ServerProcess::Port() {
    if (port_ < 0) {
        std::string line = WaitForLine("Server started at ");
        size_t colon = line.rfind(':');
        if (colon == std::string::npos)
            throw std::runtime_error("the server did not start");
        port_ = std::stoi(line.substr(colon + 1));
    }
    return port_;
}

void ServerProcess::WaitForIndex() {
    if (WaitForLine("Created ").empty())
        throw std::runtime_error("the server built no index");
}

int ServerProcess::Stop(int signal, std::chrono::milliseconds timeout) {
    if (pid_ <= 0)
        return -1;
    kill(pid_, signal);
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            ReadAvailable(0);
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() > deadline)
            return -1;
        ReadAvailable(20);
    }
}

} // namespace tb::test
