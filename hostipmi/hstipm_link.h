// The stand-in host library's side of the wire: one BMC link per process and the mapping of
// link outcomes to host-library statuses.
#pragma once

#include "bmc_link.h"

#include <cstdint>

namespace hstipm {

// Status of one exchange: 0, 1000h + completion code, or 10C3h when no reply came.
constexpr uint32_t kTimeout = 0x10C3;
constexpr uint32_t kCcBase = 0x1000;

struct Reply {
    uint32_t status = kTimeout;
    vmcodec::Bytes data;
};

// The library's time-out argument is in units of 10 ms (320: 3.2 s per reply).
int replyTimeoutMs(int32_t timeout);

Reply call(uint8_t netfn, uint8_t cmd, const vmcodec::Bytes& req, int32_t timeout);

// Closes the link so the next request connects afresh (and re-reads VANTRO_BMC).
void resetLink();

} // namespace hstipm
