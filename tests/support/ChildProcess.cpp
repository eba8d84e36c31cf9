#include "support/ChildProcess.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tb::test {

ChildProcess::ChildProcess(const std::string& command, const std::string& logFile) {
    pid_ = fork();
    if (pid_ == 0) {
        int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        int none = open("/dev/null", O_RDONLY);
        dup2(none, 0);
        dup2(log, 1);
        dup2(log, 2);
        setpgid(0, 0); // its own group, so that a stop reaches what it starts
        execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), nullptr);
        _exit(127);
    }
}

bool ChildProcess::Running() {
    if (pid_ <= 0)
        return false;
    if (waitpid(pid_, &status_, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

int ChildProcess::Stop() {
    if (Running()) {
        kill(-pid_, SIGTERM);
        kill(pid_, SIGTERM);
        for (int i = 0; i < 100 && waitpid(pid_, &status_, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (waitpid(pid_, &status_, WNOHANG) == 0) {
            kill(-pid_, SIGKILL);
            kill(pid_, SIGKILL);
            waitpid(pid_, &status_, 0);
        }
        pid_ = -1;
    }
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

int FreePort() {
    int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(handle, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(handle, reinterpret_cast<sockaddr*>(&address), &size);
    close(handle);
    return ntohs(address.sin_port);
}

} // namespace tb::test
