#include "child_process.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace e2e {

using Clock = std::chrono::steady_clock;

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& cwd) {
    int p[2];
    if (pipe2(p, O_CLOEXEC) != 0)
        return;
    pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(p[1], 1);
        dup2(p[1], 2);
        int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0)
            dup2(devnull, 0);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0)
            _exit(126);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(p[1]);
    fd = p[0];
}

ChildProcess::~ChildProcess() {
    if (pid > 0 && status == -2) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (fd >= 0)
        close(fd);
}

bool ChildProcess::readSome(int ms) {
    if (fd < 0)
        return false;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0)
        return true; // nothing yet
    char buf[4096];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) {
        close(fd);
        fd = -1;
        return false;
    }
    out.append(buf, static_cast<size_t>(n));
    return true;
}

bool ChildProcess::waitFor(const std::string& text, int ms) {
    auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (out.find(text) == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0 || !readSome(static_cast<int>(left < 50 ? left : 50)))
            return out.find(text) != std::string::npos;
    }
    return true;
}

int ChildProcess::numberAfter(const std::string& prefix) const {
    size_t at = out.find(prefix);
    if (at == std::string::npos || out.find('\n', at) == std::string::npos)
        return 0;
    return std::atoi(out.c_str() + at + prefix.size());
}

void ChildProcess::signal(int sig) {
    if (pid > 0 && status == -2)
        kill(pid, sig);
}

int ChildProcess::finish(int ms) {
    if (status != -2)
        return status;
    if (pid <= 0)
        return status = -1;
    auto until = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int st = 0;
        pid_t r = waitpid(pid, &st, WNOHANG);
        if (r == pid) {
            for (int i = 0; i < 100 && fd >= 0 && readSome(50); ++i) {
            }
            status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            return status;
        }
        if (Clock::now() > until) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return status = -1;
        }
        readSome(20);
    }
}

SilentListener::SilentListener() {
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd, 4) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        portNumber = ntohs(a.sin_port);
}

SilentListener::~SilentListener() {
    if (fd >= 0)
        close(fd);
}

} // namespace e2e
