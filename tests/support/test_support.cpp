#include "test_support.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vtest {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/vantro-test-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data()))
        throw std::runtime_error(std::string("mkdtemp: ") + std::strerror(errno));
    path_ = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

bool fileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

RunResult run(const std::vector<std::string>& argv, const RunOptions& opts) {
    RunResult result;
    int inPipe[2], outPipe[2], errPipe[2];
    if (pipe2(inPipe, O_CLOEXEC) || pipe2(outPipe, O_CLOEXEC) || pipe2(errPipe, O_CLOEXEC))
        throw std::runtime_error("pipe failed");

    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        std::string key = entry.substr(0, entry.find('='));
        if (!opts.env.count(key))
            envStrings.push_back(entry);
    }
    for (const auto& kv : opts.env)
        envStrings.push_back(kv.first + "=" + kv.second);

    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (auto& e : envStrings) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        setpgid(0, 0);
        if (!opts.cwd.empty() && chdir(opts.cwd.c_str()) != 0)
            _exit(126);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);

    // Feed standard input without blocking on a child that does not read it.
    size_t written = 0;
    int inFd = inPipe[1];
    fcntl(inFd, F_SETFL, O_NONBLOCK);
    signal(SIGPIPE, SIG_IGN);
    if (opts.input.empty()) { close(inFd); inFd = -1; }

    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(opts.timeoutMs);
    int fds[2] = {outPipe[0], errPipe[0]};
    std::string* sinks[2] = {&result.out, &result.err};
    bool open[2] = {true, true};
    while (open[0] || open[1]) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            result.timedOut = true;
            kill(-pid, SIGKILL);
            break;
        }
        pollfd p[3];
        int n = 0;
        int map[3];
        for (int i = 0; i < 2; ++i)
            if (open[i]) { p[n] = {fds[i], POLLIN, 0}; map[n++] = i; }
        if (inFd >= 0) { p[n] = {inFd, POLLOUT, 0}; map[n++] = 2; }
        if (poll(p, n, static_cast<int>(left < 200 ? left : 200)) < 0 && errno != EINTR)
            break;
        for (int k = 0; k < n; ++k) {
            if (!p[k].revents) continue;
            if (map[k] == 2) {
                ssize_t w = write(inFd, opts.input.data() + written, opts.input.size() - written);
                if (w > 0) written += static_cast<size_t>(w);
                if (w < 0 || written == opts.input.size()) { close(inFd); inFd = -1; }
                continue;
            }
            char buf[65536];
            ssize_t r = read(p[k].fd, buf, sizeof buf);
            if (r > 0) sinks[map[k]]->append(buf, static_cast<size_t>(r));
            else open[map[k]] = false;
        }
    }
    if (inFd >= 0) close(inFd);
    close(outPipe[0]);
    close(errPipe[0]);
    int st = 0;
    waitpid(pid, &st, 0);
    if (WIFEXITED(st)) result.status = WEXITSTATUS(st);
    else if (WIFSIGNALED(st)) result.status = 128 + WTERMSIG(st);
    return result;
}

} // namespace vtest
