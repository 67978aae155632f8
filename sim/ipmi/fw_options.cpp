// The "--fw-..." options of the simulated controller's firmware-update side.
#include "ipmi/fw_update.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sim {

namespace {

const char* const kCommands[] = {"phase1", "phase2",   "status", "version", "rollback",
                                 "cancel", "imagestatus", "deviceid", "reset", "any"};

bool number(const std::string& text, unsigned long max, unsigned long* out) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 0);
    if (errno || *end || v > max || text[0] == '-')
        return false;
    *out = v;
    return true;
}

bool seconds(const std::string& text, double* out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end || !(v >= 0) || v > 86400)
        return false;
    *out = v;
    return true;
}

// MAJ.MIN.REV into major, minor, revision high byte, revision low byte.
bool version(const std::string& text, uint8_t out[4]) {
    const size_t a = text.find('.');
    const size_t b = a == std::string::npos ? a : text.find('.', a + 1);
    unsigned long major, minor, rev;
    if (b == std::string::npos || !number(text.substr(0, a), 255, &major) ||
        !number(text.substr(a + 1, b - a - 1), 255, &minor) ||
        !number(text.substr(b + 1), 65535, &rev))
        return false;
    out[0] = static_cast<uint8_t>(major);
    out[1] = static_cast<uint8_t>(minor);
    out[2] = static_cast<uint8_t>(rev >> 8);
    out[3] = static_cast<uint8_t>(rev);
    return true;
}

bool fault(const std::string& text, FwFault* f) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    f->command = text.substr(0, colon);
    bool known = false;
    for (const char* c : kCommands)
        known = known || f->command == c;
    if (!known)
        return false;
    std::string rest = text.substr(colon + 1);
    const size_t comma = rest.find(',');
    if (comma != std::string::npos) {
        const std::string times = rest.substr(comma + 1);
        unsigned long n;
        if (times.compare(0, 6, "times=") != 0 || !number(times.substr(6), 1000000, &n))
            return false;
        f->times = static_cast<int>(n);
        rest = rest.substr(0, comma);
    }
    unsigned long v = 0;
    if (rest == "noresponse") {
        f->kind = FwFault::NO_RESPONSE;
        return true;
    }
    const size_t eq = rest.find('=');
    if (eq == std::string::npos || !number(rest.substr(eq + 1), 255, &v))
        return false;
    const std::string kind = rest.substr(0, eq);
    f->value = static_cast<uint8_t>(v);
    if (kind == "cc")
        f->kind = FwFault::COMPLETION_CODE;
    else if (kind == "status")
        f->kind = FwFault::OEM_STATUS;
    else if (kind == "stall" && f->command == "status" && v <= 100)
        f->kind = FwFault::STALL;
    else
        return false;
    return true;
}

} // namespace

bool parse_fw_option(const std::string& arg, FwUpdateOptions* opts, std::string* error) {
    const size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : arg.substr(eq + 1);
    unsigned long n = 0;
    bool ok = false;
    if (name == "--fw-flash-seconds")
        ok = seconds(value, &opts->flashSeconds);
    else if (name == "--fw-reboot-seconds")
        ok = seconds(value, &opts->rebootSeconds);
    else if (name == "--fw-max-image-mib")
        ok = number(value, 255, &n) && (opts->maxImageMiB = static_cast<unsigned>(n), true);
    else if (name == "--fw-current")
        ok = version(value, opts->current);
    else if (name == "--fw-standby")
        ok = version(value, opts->standby);
    else if (name == "--fw-fault") {
        FwFault f;
        ok = fault(value, &f);
        if (ok)
            opts->faults.push_back(f);
    } else {
        if (error)
            *error = "unknown option " + name;
        return false;
    }
    if (!ok && error)
        *error = "bad value for " + name + ": " + value;
    return ok;
}

} // namespace sim

namespace sim {

const char* fw_option_usage() {
    return "  --fw-flash-seconds=S     phase 2 to 100 percent takes S seconds (4)\n"
           "  --fw-reboot-seconds=S    silent for S seconds after a graceful reset (3)\n"
           "  --fw-max-image-mib=N     largest image phase 1 accepts (64)\n"
           "  --fw-current=MAJ.MIN.REV running firmware of a new controller (1.40.12)\n"
           "  --fw-standby=MAJ.MIN.REV standby firmware of a new controller (1.30.9)\n"
           "  --fw-fault=CMD:KIND[,times=N]  CMD phase1|phase2|status|version|rollback|cancel|\n"
           "                           imagestatus|deviceid|reset|any; KIND cc=0xNN|status=0xNN|\n"
           "                           noresponse|stall=PERCENT (status only)\n";
}

} // namespace sim
