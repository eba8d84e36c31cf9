#include "ServerProcess.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tb::test {

ServerProcess::ServerProcess(std::vector<std::string> extraArguments,
                             std::vector<std::string> environment,
                             const std::string& workingDirectory) {
    std::vector<std::string> args = {TUNEBRIDGE_EXECUTABLE, "--headless", "--bind",
                                     "127.0.0.1",           "--port",     "0"};
    if (std::find(extraArguments.begin(), extraArguments.end(), "--config-dir") ==
        extraArguments.end()) {
        configDir_ = std::make_unique<TempDir>();
        args.insert(args.end(),
                    {"--config-dir", configDir_->Path(), "--share", configDir_->Path()});
    }
    args.insert(args.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // Whether lines carry a time stamp depends on this one; tests say it.
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e)
        if (strncmp(*e, "JOURNAL_STREAM=", 15) != 0)
            envp.push_back(*e);
    // A sanitized build's reports go to files SanitizerReports reads.
    std::string report = reports_.Path() + "/report";
    environment.insert(environment.begin(),
                       {"TSAN_OPTIONS=log_path=" + report, "ASAN_OPTIONS=log_path=" + report,
                        "UBSAN_OPTIONS=print_stacktrace=1 log_path=" + report});
    for (auto& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    if (!workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    int error = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (error != 0) {
        close(fds[0]);
        throw std::runtime_error(std::string("cannot start tunebridge: ") + strerror(error));
    }
    reader_ = std::thread([this, fd = fds[0]] { ReadOutput(fd); });
}

ServerProcess::~ServerProcess() {
    if (pid_ > 0 && Stop(SIGTERM) == -1)
        Stop(SIGKILL);
    if (reader_.joinable())
        reader_.join();
}

void ServerProcess::ReadOutput(int fd) {
    // "2026-12-07T21:30:05 ": the local time, which tests need not see.
    auto stamped = [](const std::string& line) {
        return line.size() >= 20 && line[4] == '-' && line[7] == '-' && line[10] == 'T' &&
               line[13] == ':' && line[16] == ':' && line[19] == ' ';
    };
    std::string pending;
    char buffer[65536];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1)) {
            std::string line = pending.substr(0, nl);
            if (stamped(line)) {
                line.erase(0, 20);
                ++stamped_;
            }
            log_.AddLine(String(line));
        }
    }
    close(fd);
}

int ServerProcess::Port() {
    if (port_ < 0) {
        std::string line = WaitForLine("Server started at ");
        if (line.empty())
            throw std::runtime_error("the server did not start");
        port_ = std::stoi(line.substr(line.rfind(':') + 1));
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
    for (auto deadline = std::chrono::steady_clock::now() + timeout;
         std::chrono::steady_clock::now() < deadline; usleep(10000)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            reader_.join(); // every line is in

            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
    }
    return -1;
}

CommandResult Config(const std::string& configDir, const std::string& arguments) {
    return RunCommand(std::string(TUNEBRIDGE_EXECUTABLE) + " config --config-dir " +
                      ShellQuote(configDir) + " " + arguments + " 2>&1");
}

std::string ServerProcess::SanitizerReports() const {
    std::string reports;
    for (const auto& entry : std::filesystem::directory_iterator(reports_.Path()))
        reports += ReadFileBytes(entry.path());
    return reports.substr(0, 20000);
}

} // namespace tb::test
