// OpenIPMI's ipmi_sim (Debian package openipmi) as an independent BMC for the cross-checks:
// started from the templates in tests/hostipmi/ipmi_sim/ with free loopback ports, its VM
// (system interface) port for the stand-in host library and its LAN port for ipmitool.
#pragma once

#include "sim_process.h"
#include "test_support.h"

#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace vtest {

// The full path of a program found on PATH, or "" when it is not installed.
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

class IpmiSimBmc {
public:
    // Starts ipmi_sim; ok() tells whether it could be started at all.
    IpmiSimBmc() {
        ipmiSim_ = findProgram("ipmi_sim");
        if (ipmiSim_.empty()) return;
        std::string src = std::string(VANTRO_SOURCE_DIR) + "/tests/hostipmi/ipmi_sim/";
        std::string conf = readFile(src + "lan.conf.in");
        vmPort_ = unusedLoopbackPort();
        lanPort_ = unusedLoopbackPort();
        while (lanPort_ == vmPort_) lanPort_ = unusedLoopbackPort();
        replaceAll(conf, "@VM_PORT@", std::to_string(vmPort_));
        replaceAll(conf, "@LAN_PORT@", std::to_string(lanPort_));
        writeFile(dir_.file("lan.conf"), conf);
        writeFile(dir_.file("sim.emu"), readFile(src + "sim.emu"));
        proc_.reset(new BackgroundProcess({ipmiSim_, "-c", dir_.file("lan.conf"), "-f", dir_.file("sim.emu"), "-n",
                                           "-s", dir_.file("state")},
                                          ""));
    }
    bool ok() const { return proc_ != nullptr; }
    int vmPort() const { return vmPort_; }
    int lanPort() const { return lanPort_; }
    std::string vmAddress() const { return "127.0.0.1:" + std::to_string(vmPort_); }

    // ipmitool over the simulator's LAN interface as its administrator user, at the given
    // session privilege ("" for ipmitool's default); status 127 when it is not installed.
    RunResult ipmitool(const std::vector<std::string>& args, int timeoutMs = 20000,
                       const std::string& privilege = "") const {
        static const std::string tool = findProgram("ipmitool");
        if (tool.empty()) return RunResult{127, false, "", "ipmitool is not installed"};
        std::vector<std::string> argv{tool, "-I", "lan", "-H", "127.0.0.1", "-p", std::to_string(lanPort_),
                                      "-U", "ipmiusr", "-P", "test"};
        if (!privilege.empty()) {
            argv.push_back("-L");
            argv.push_back(privilege);
        }
        argv.insert(argv.end(), args.begin(), args.end());
        RunOptions o;
        o.timeoutMs = timeoutMs;
        return run(argv, o);
    }

private:
    std::string ipmiSim_;
    TempDir dir_;
    int vmPort_ = 0, lanPort_ = 0;
    std::unique_ptr<BackgroundProcess> proc_;
};

} // namespace vtest
