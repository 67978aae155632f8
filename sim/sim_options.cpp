#include "sim_options.h"

#include <cstdlib>

namespace sim {

namespace {

bool parsePort(const std::string& v, int& out) {
    if (v.empty() || v.size() > 5 || v.find_first_not_of("0123456789") != std::string::npos) return false;
    long n = std::strtol(v.c_str(), nullptr, 10);
    if (n > 65535) return false;
    out = static_cast<int>(n);
    return true;
}

} // namespace

const char* simUsage() {
    static const std::string text =
        std::string("Usage: vantro-sim [options]\n"
                    "  --ipmi-port N   serve IPMI (VM serial protocol) on 127.0.0.1:N; 0 picks a free port,\n"
                    "                  printed as \"ipmi port N\"\n"
                    "  --state FILE    keep the controller's state in FILE across runs\n"
                    "  --virtual-usb   at phase 1 present a real FAT device (loop device, needs root)\n"
                    "  --help          show this text\n"
                    "Firmware update (IPMI endpoint):\n") +
        fw_option_usage() + "Runs until interrupted (SIGINT or SIGTERM).\n";
    return text.c_str();
}

bool parseSimOptions(const std::vector<std::string>& args, SimOptions& out, std::string& error) {
    SimOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            v = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--virtual-usb") {
            o.virtualUsb = true;
        } else if (a == "--ipmi-port") {
            if (!value(v)) return false;
            if (!parsePort(v, o.ipmiPort)) {
                error = "--ipmi-port: \"" + v + "\" is not a port number";
                return false;
            }
        } else if (a == "--state") {
            if (!value(o.stateFile)) return false;
            if (o.stateFile.empty()) {
                error = "--state needs a file name";
                return false;
            }
        } else if (a.compare(0, 5, "--fw-") == 0) {
            if (!parse_fw_option(a, &o.fw, &error)) return false;
        } else {
            error = "unknown option \"" + a + "\"";
            return false;
        }
    }
    out = o;
    return true;
}

} // namespace sim
