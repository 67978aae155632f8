// The updater's command record over the BMC link.
#include "brd_record.h"
#include "hstipm_link.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace hostupd {

namespace {

// Reply wait per command in milliseconds: VANTRO_BMC_TIMEOUT_MS, else 3200 (the library's
// usual 320 units of 10 ms).
int32_t replyTimeoutUnits() {
    const char* env = std::getenv("VANTRO_BMC_TIMEOUT_MS");
    if (env && *env) {
        char* end = nullptr;
        errno = 0;
        long ms = std::strtol(env, &end, 10);
        if (errno == 0 && *end == '\0' && ms >= 10 && ms <= 60000) return static_cast<int32_t>(ms / 10);
    }
    return 320;
}

} // namespace

int forwardCommand(const uint8_t* request, uint8_t* response) {
    if (request == nullptr || response == nullptr) return 0;
    const uint32_t length = get32(request, kRequestLength);
    if (get32(request, kKind) != kRequestKind || length < 2 || length > kMessageSize) return 0;
    const uint8_t netfnLun = request[kMessage];
    const uint8_t cmd = request[kMessage + 1];
    vmcodec::Bytes data(request + kMessage + 2, request + kMessage + length);

    std::memset(response, 0, kRecordSize);
    hstipm::Reply r = hstipm::call(static_cast<uint8_t>(netfnLun >> 2), cmd, data, replyTimeoutUnits());
    if (r.status == hstipm::kTimeout) {
        put32(response, kStatus, hstipm::kTimeout); // no reply: the record says so
        return 1;
    }
    const uint8_t cc = r.status == 0 ? 0 : static_cast<uint8_t>(r.status - hstipm::kCcBase);
    size_t n = r.data.size();
    if (n > kMessageSize - 3) n = kMessageSize - 3; // what the record can carry
    response[kMessage] = static_cast<uint8_t>(netfnLun + 4); // the response network function
    response[kMessage + 1] = cmd;
    response[kMessage + 2] = cc;
    if (n) std::memcpy(response + kMessage + 3, r.data.data(), n);
    put32(response, kResponseLength, static_cast<uint32_t>(3 + n));
    return 1;
}

} // namespace hostupd
