// Runs vantro-sim (or another server program) in the background for the length of a test:
// starts it, waits (bounded) for the line announcing its port, and stops it on destruction.
#pragma once

#include "test_support.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vtest {

class BackgroundProcess {
public:
    // Starts argv; when portPrefix is non-empty, waits up to timeoutMs for a stdout line
    // "<portPrefix><number>" and records the number.
    BackgroundProcess(const std::vector<std::string>& argv, const std::string& portPrefix,
                      int timeoutMs = 10000) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test program
            dup2(out[1], 1);
            int devnull = open("/dev/null", O_RDONLY);
            if (devnull >= 0) dup2(devnull, 0);
            std::vector<char*> args;
            for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        close(out[1]);
        outFd_ = out[0];
        if (portPrefix.empty()) return;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (port_ == 0) {
            int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            deadline - std::chrono::steady_clock::now())
                                            .count());
            if (left <= 0) break;
            pollfd p{outFd_, POLLIN, 0};
            if (poll(&p, 1, left) <= 0) break;
            char buf[256];
            ssize_t n = read(outFd_, buf, sizeof buf);
            if (n <= 0) break;
            output_.append(buf, static_cast<size_t>(n));
            size_t at = output_.find(portPrefix);
            if (at != std::string::npos) {
                size_t end = output_.find('\n', at);
                if (end != std::string::npos)
                    port_ = std::atoi(output_.c_str() + at + portPrefix.size());
            }
        }
    }
    ~BackgroundProcess() { stop(); }
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    int port() const { return port_; }
    const std::string& output() const { return output_; }

    // SIGTERM, then SIGKILL if it has not ended within two seconds. Returns the exit status
    // (128 + signal when killed).
    int stop() {
        if (pid_ <= 0) return status_;
        kill(pid_, SIGTERM);
        int st = 0;
        for (int i = 0; i < 200; ++i) {
            pid_t r = waitpid(pid_, &st, WNOHANG);
            if (r == pid_) break;
            if (i == 199) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &st, 0);
            }
            usleep(10000);
        }
        status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        pid_ = -1;
        if (outFd_ >= 0) close(outFd_);
        outFd_ = -1;
        return status_;
    }

private:
    pid_t pid_ = -1;
    int outFd_ = -1;
    int port_ = 0;
    int status_ = -1;
    std::string output_;
};

// A loopback TCP port that nothing listens on right now (bound once, then released).
inline int unusedLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    if (fd >= 0) close(fd);
    return port;
}

// Waits (bounded) until a TCP socket listens on the port. It looks in /proc/net/tcp rather
// than connecting: a BMC that serves one connection at a time (ipmi_sim's VM port) would
// take a trial connection for its client.
inline bool waitForListener(int port, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        std::string table = readFile("/proc/net/tcp");
        size_t start = 0;
        while (start < table.size()) {
            size_t end = table.find('\n', start);
            if (end == std::string::npos) end = table.size();
            unsigned local = 0, state = 0;
            // "  N: LOCALADDR:PORT REMOTEADDR:PORT STATE ...", state 0A is LISTEN.
            if (std::sscanf(table.substr(start, end - start).c_str(), " %*d: %*x:%x %*x:%*x %x", &local,
                            &state) == 2 &&
                local == static_cast<unsigned>(port) && state == 0x0A)
                return true;
            start = end + 1;
        }
        usleep(50000);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

// The full path of a program found on PATH, or "".
inline std::string findProgram(const std::string& name) {
    const char* path = getenv("PATH");
    std::string p = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= p.size()) {
        size_t end = p.find(':', start);
        std::string dir = p.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string full = (dir.empty() ? "." : dir) + "/" + name;
        if (access(full.c_str(), X_OK) == 0) return full;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return "";
}

inline void replaceAll(std::string& s, const std::string& from, const std::string& to) {
    for (size_t at; (at = s.find(from)) != std::string::npos;) s.replace(at, from.size(), to);
}

// OpenIPMI's ipmi_sim, started from tests/hostipmi/ipmi_sim/ with free ports in dir; vmPort
// is where it speaks the VM protocol, lanPort (when asked for) where it serves IPMI over LAN.
// extraEmu: emulator commands run after sim.emu (main_sdr_add, sel_add, ...). Null when
// ipmi_sim is not installed.
inline std::unique_ptr<BackgroundProcess> startIpmiSim(const std::string& dir, int* vmPort,
                                                       const std::string& extraEmu = "",
                                                       int* lanPort = nullptr) {
    std::string ipmiSim = findProgram("ipmi_sim");
    if (ipmiSim.empty()) return nullptr;
    std::string src = std::string(VANTRO_SOURCE_DIR) + "/tests/hostipmi/ipmi_sim/";
    std::string conf = readFile(src + "lan.conf.in");
    int vm = unusedLoopbackPort(), lan = unusedLoopbackPort();
    while (lan == vm) lan = unusedLoopbackPort();
    replaceAll(conf, "@VM_PORT@", std::to_string(vm));
    replaceAll(conf, "@LAN_PORT@", std::to_string(lan));
    writeFile(dir + "/lan.conf", conf);
    writeFile(dir + "/sim.emu", readFile(src + "sim.emu") + extraEmu);
    *vmPort = vm;
    if (lanPort != nullptr) *lanPort = lan;
    return std::unique_ptr<BackgroundProcess>(new BackgroundProcess(
        {ipmiSim, "-c", dir + "/lan.conf", "-f", dir + "/sim.emu", "-n", "-s", dir + "/state"}, ""));
}

// vantro-sim with its IPMI endpoint on a free port, optionally with a state file.
inline std::vector<std::string> simIpmiArgs(const std::string& simBin, const std::string& stateFile = "") {
    std::vector<std::string> a{simBin, "--ipmi-port", "0"};
    if (!stateFile.empty()) {
        a.push_back("--state");
        a.push_back(stateFile);
    }
    return a;
}

} // namespace vtest
