// The simulator's IPMI state file parser; whatever it accepts must survive a round trip.
#include "ipmi/ipmi_state.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    sim::IpmiState s;
    std::string err;
    if (!sim::parseIpmiState(text, s, err)) return 0;
    sim::IpmiState back;
    if (!sim::parseIpmiState(sim::formatIpmiState(s), back, err)) std::abort();
    if (back.extcfg != s.extcfg || back.sel != s.sel || back.sdr != s.sdr) std::abort();
    return 0;
}
