// The host information the updater's stand-in libraries report.
#include "brd_record.h"

#include <cerrno>
#include <cstdlib>

namespace hostupd {

bool hostSystemId(uint16_t* id) {
    const char* env = std::getenv("VANTRO_HOST_SYSTEM_ID");
    if (env == nullptr || *env == '\0') {
        *id = 0x0100;
        return true;
    }
    char* end = nullptr;
    errno = 0;
    unsigned long v = std::strtoul(env, &end, 0);
    if (errno != 0 || *end != '\0' || v > 0xFFFF || env[0] == '-') return false;
    *id = static_cast<uint16_t>(v);
    return true;
}

} // namespace hostupd
