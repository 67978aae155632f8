// OpenIPMI's BMC simulator ipmi_sim (Debian package openipmi) as an independent BMC for a
// test: writes its configuration from tests/hostipmi/ipmi_sim/ with free ports, appends the
// test's own emulator commands, starts it and stops it on destruction.
#pragma once

#include "sim_process.h"
#include "test_support.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace vtest {

// Full path of a program found on PATH, or "" when it is not installed.
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
    // extraEmu: emulator commands run after the base sim.emu (e.g. main_sdr_add, sel_add).
    explicit IpmiSimBmc(const std::string& extraEmu = "") {
        program_ = findProgram("ipmi_sim");
        if (program_.empty()) return;
        const std::string src = std::string(VANTRO_SOURCE_DIR) + "/tests/hostipmi/ipmi_sim/";
        std::string conf = readFile(src + "lan.conf.in");
        vmPort_ = unusedLoopbackPort();
        lanPort_ = unusedLoopbackPort();
        while (lanPort_ == vmPort_) lanPort_ = unusedLoopbackPort();
        replaceAll(conf, "@VM_PORT@", std::to_string(vmPort_));
        replaceAll(conf, "@LAN_PORT@", std::to_string(lanPort_));
        writeFile(dir_.file("lan.conf"), conf);
        writeFile(dir_.file("sim.emu"), readFile(src + "sim.emu") + extraEmu);
        process_.reset(new BackgroundProcess(
            {program_, "-c", dir_.file("lan.conf"), "-f", dir_.file("sim.emu"), "-n", "-s", dir_.file("state")}, ""));
    }

    bool installed() const { return !program_.empty(); }
    int vmPort() const { return vmPort_; }
    int lanPort() const { return lanPort_; }
    // The stand-in host library's VANTRO_BMC value for this BMC.
    std::string vmAddress() const { return "127.0.0.1:" + std::to_string(vmPort_); }

    // ipmitool over the LAN interface as the configuration's administrator.
    RunResult ipmitool(const std::string& tool, const std::vector<std::string>& args, int timeoutMs = 20000) const {
        std::vector<std::string> argv{tool, "-I", "lan", "-H", "127.0.0.1", "-p", std::to_string(lanPort_),
                                      "-U", "ipmiusr", "-P", "test"};
        argv.insert(argv.end(), args.begin(), args.end());
        RunOptions o;
        o.timeoutMs = timeoutMs;
        return run(argv, o);
    }

    // Asks "mc info" over LAN until it answers (ipmi_sim needs a moment), at most timeoutMs.
    bool waitForLan(const std::string& tool, int timeoutMs = 10000) const {
        for (int waited = 0; waited < timeoutMs; waited += 200) {
            if (ipmitool(tool, {"mc", "info"}, 3000).status == 0) return true;
            usleep(200 * 1000);
        }
        return false;
    }

private:
    TempDir dir_;
    std::string program_;
    int vmPort_ = 0, lanPort_ = 0;
    std::unique_ptr<BackgroundProcess> process_;
};

} // namespace vtest
