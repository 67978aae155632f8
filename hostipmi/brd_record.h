// The 80-byte command record the updater exchanges with the host library's command entry
// points, as the stand-ins read and fill it. Integers are little-endian.
//   12..15 response status (0 = success)    16..19 request kind (10)
//   20..23 request length (data + 2)        24..27 expected / actual response length
//   28..62 netfn/LUN, command, then request data, or completion code and response data
//   63     responder slave address
#pragma once

#include <cstdint>

// The record's type as the callers name it: the entry points take it by this name, so that a
// caller's pointer type and ours agree (the stand-ins read it as bytes).
struct BrdIPMICmdIoctlReq;

namespace hostupd {

constexpr int kRecordSize = 80;
constexpr int kStatus = 12, kKind = 16, kRequestLength = 20, kResponseLength = 24, kMessage = 28,
              kSlave = 63;
constexpr int kMessageSize = 35;
constexpr uint32_t kRequestKind = 10;

inline uint32_t get32(const uint8_t* rec, int at) {
    return rec[at] | static_cast<uint32_t>(rec[at + 1]) << 8 | static_cast<uint32_t>(rec[at + 2]) << 16 |
           static_cast<uint32_t>(rec[at + 3]) << 24;
}

inline void put32(uint8_t* rec, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) rec[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Sends the request record's command to the BMC and fills the response record: 1 when the
// request could be read (the response's status then tells whether a reply came), else 0.
int forwardCommand(const uint8_t* request, uint8_t* response);

// The host's system ID for the host-information entry points: VANTRO_HOST_SYSTEM_ID (decimal
// or 0x-hex, up to FFFFh), 0x0100 when unset. False when the variable does not read.
bool hostSystemId(uint16_t* id);

} // namespace hostupd
