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

class IpmiSimBmc {
public:
    // Starts ipmi_sim; ok() tells whether it could be started at all.
    IpmiSimBmc() { proc_ = startIpmiSim(dir_.path(), &vmPort_, "", &lanPort_); }
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
    TempDir dir_;
    int vmPort_ = 0, lanPort_ = 0;
    std::unique_ptr<BackgroundProcess> proc_;
};

} // namespace vtest
