#include "usb/tool_run.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sim {

namespace {

bool executable(const std::string& path) { return access(path.c_str(), X_OK) == 0; }

} // namespace

std::string findTool(const std::string& name) {
    std::vector<std::string> dirs;
    if (const char* path = std::getenv("PATH")) {
        std::string p = path;
        size_t start = 0;
        while (start <= p.size()) {
            size_t end = p.find(':', start);
            if (end == std::string::npos) end = p.size();
            if (end > start) dirs.push_back(p.substr(start, end - start));
            start = end + 1;
        }
    }
    for (const char* d : {"/usr/local/sbin", "/usr/sbin", "/sbin", "/usr/bin", "/bin"})
        dirs.push_back(d);
    for (const std::string& d : dirs)
        if (executable(d + "/" + name))
            return d + "/" + name;
    return std::string();
}

ToolResult runTool(const std::vector<std::string>& argv, int timeoutMs, const std::vector<std::string>& extraEnv) {
    ToolResult r;
    if (argv.empty())
        return r;
    const std::string program = argv[0].find('/') == std::string::npos ? findTool(argv[0]) : argv[0];
    if (program.empty()) {
        r.output = argv[0] + ": not found";
        return r;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return r;

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.push_back(*e);
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> args, envp;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return r;
    }
    if (pid == 0) {
        const int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0) dup2(devnull, 0);
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        execve(program.c_str(), args.data(), envp.data());
        _exit(127);
    }
    close(fds[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool killed = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            kill(pid, SIGKILL);
            killed = true;
            break;
        }
        struct pollfd p = {fds[0], POLLIN, 0};
        const int n = poll(&p, 1, static_cast<int>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) continue;
        char buf[4096];
        const ssize_t got = read(fds[0], buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        r.output.append(buf, static_cast<size_t>(got));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!killed && WIFEXITED(status) && WEXITSTATUS(status) != 127)
        r.status = WEXITSTATUS(status);
    return r;
}

} // namespace sim
