// The firmware-update state as text pairs, for the simulator's state file.
#include "ipmi/fw_update.h"

#include <cstdio>
#include <cstdlib>

namespace sim {

namespace {

std::string hex(const uint8_t* p, size_t n) {
    std::string s;
    char b[3];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, "%02x", p[i]);
        s += b;
    }
    return s;
}

void unhex(const std::map<std::string, std::string>& pairs, const char* key, uint8_t* p,
           size_t n) {
    auto it = pairs.find(key);
    if (it == pairs.end() || it->second.size() != 2 * n)
        return;
    uint8_t out[16];
    for (size_t i = 0; i < n; ++i) {
        const std::string byte = it->second.substr(2 * i, 2);
        char* end = nullptr;
        const long v = std::strtol(byte.c_str(), &end, 16);
        if (*end || byte[0] == '-' || byte[0] == '+' || byte[0] == ' ')
            return;
        out[i] = static_cast<uint8_t>(v);
    }
    for (size_t i = 0; i < n; ++i)
        p[i] = out[i];
}

template <typename T>
void number(const std::map<std::string, std::string>& pairs, const char* key, T* out,
            unsigned long max) {
    auto it = pairs.find(key);
    if (it == pairs.end() || it->second.empty())
        return;
    char* end = nullptr;
    const unsigned long v = std::strtoul(it->second.c_str(), &end, 10);
    if (*end == '\0' && v <= max && it->second[0] != '-')
        *out = static_cast<T>(v);
}

void seconds(const std::map<std::string, std::string>& pairs, const char* key, double* out) {
    auto it = pairs.find(key);
    if (it == pairs.end() || it->second.empty())
        return;
    char* end = nullptr;
    const double v = std::strtod(it->second.c_str(), &end);
    if (*end == '\0' && v >= 0 && v < 1e12)
        *out = v;
}

} // namespace

void fw_state_to_pairs(const FwState& s, std::map<std::string, std::string>* pairs) {
    auto& p = *pairs;
    char t[64];
    p["phase"] = std::to_string(s.phase);
    p["current"] = hex(s.current, 4);
    p["standby"] = hex(s.standby, 4);
    p["bootloader"] = hex(s.bootloader, 8);
    p["pending"] = hex(s.pending, 4);
    p["pending-bootloader"] = hex(s.pendingBootloader, 8);
    p["pending-has-bootloader"] = s.pendingHasBootloader ? "1" : "0";
    p["rollback-pending"] = s.rollbackPending ? "1" : "0";
    std::snprintf(t, sizeof t, "%.3f", s.flashStart);
    p["flash-start"] = t;
    std::snprintf(t, sizeof t, "%.3f", s.rebootUntil);
    p["reboot-until"] = t;
    p["image-mib"] = std::to_string(s.imageSizeMiB);
    p["image-status"] = hex(s.imageStatus, 2);
    p["fail-status"] = std::to_string(s.failStatus);
    p["resets"] = std::to_string(s.resets);
}

FwState fw_state_from_pairs(const std::map<std::string, std::string>& p, const FwState& base) {
    FwState s = base;
    number(p, "phase", &s.phase, FW_REBOOTING);
    unhex(p, "current", s.current, 4);
    unhex(p, "standby", s.standby, 4);
    unhex(p, "bootloader", s.bootloader, 8);
    unhex(p, "pending", s.pending, 4);
    unhex(p, "pending-bootloader", s.pendingBootloader, 8);
    number(p, "pending-has-bootloader", &s.pendingHasBootloader, 1);
    number(p, "rollback-pending", &s.rollbackPending, 1);
    seconds(p, "flash-start", &s.flashStart);
    seconds(p, "reboot-until", &s.rebootUntil);
    number(p, "image-mib", &s.imageSizeMiB, 255);
    unhex(p, "image-status", s.imageStatus, 2);
    number(p, "fail-status", &s.failStatus, 255);
    number(p, "resets", &s.resets, 0xFFFFFFFFul);
    return s;
}

} // namespace sim
