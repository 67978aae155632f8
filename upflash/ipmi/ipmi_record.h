// The two records of one IPMI command: the request-and-response record the command layer
// fills, and the fixed 80-byte record the host library's command entry point exchanges.
#pragma once

#include <cstddef>
#include <cstdint>

enum { IPMI_DATA_SIZE = 128 };

struct IPMI_DRIVER_STRUCT {
    uint8_t completionCode;      // set from the response
    uint16_t responseDataLength; // set from the response
    uint16_t requestDataLength;
    uint8_t responseDataStart;   // where the command's payload begins; the transport sets 0
    uint8_t retries;             // extra attempts after the first
    uint16_t delay;              // milliseconds to wait after a failed attempt
    uint8_t responseData[IPMI_DATA_SIZE];
    uint8_t requestData[IPMI_DATA_SIZE];
};

enum {
    BRD_REQ_SIZE = 80,
    BRD_MESSAGE_SIZE = 35,          // netfn/LUN, command, then data (request) or cc and data
    BRD_MAX_REQUEST_DATA = 33,      // what fits after netfn/LUN and command
    BRD_REQUEST_KIND = 10,
    BRD_EXPECTED_RESPONSE_LENGTH = 35,
    BRD_RESPONSE_HEADER = 3,        // netfn/LUN, command, completion code
};

// The host library's command record. Integers are little-endian whatever the host: they are
// kept as byte arrays and read and written only through brd_get32/brd_put32.
#pragma pack(push, 1)
struct BrdIPMICmdIoctlReq {
    uint8_t reserved0[12];
    uint8_t status[4];          // response: 0 = success
    uint8_t requestKind[4];     // request: always 10
    uint8_t requestLength[4];   // request: data length + 2
    uint8_t responseLength[4];  // request: expected length; response: bytes from offset 28
    uint8_t message[BRD_MESSAGE_SIZE];
    uint8_t slaveAddress;       // request: responder slave address
    uint8_t reserved64;
    uint8_t reserved65[3];
    uint8_t reserved68[12];
};
#pragma pack(pop)

static_assert(sizeof(BrdIPMICmdIoctlReq) == BRD_REQ_SIZE, "host library record is 80 bytes");
static_assert(offsetof(BrdIPMICmdIoctlReq, status) == 12, "status at 12");
static_assert(offsetof(BrdIPMICmdIoctlReq, requestKind) == 16, "request kind at 16");
static_assert(offsetof(BrdIPMICmdIoctlReq, requestLength) == 20, "request length at 20");
static_assert(offsetof(BrdIPMICmdIoctlReq, responseLength) == 24, "response length at 24");
static_assert(offsetof(BrdIPMICmdIoctlReq, message) == 28, "message at 28");
static_assert(offsetof(BrdIPMICmdIoctlReq, slaveAddress) == 63, "slave address at 63");
static_assert(offsetof(BrdIPMICmdIoctlReq, reserved64) == 64, "zero byte at 64");
static_assert(offsetof(BrdIPMICmdIoctlReq, reserved65) == 65, "zeros at 65");
static_assert(offsetof(BrdIPMICmdIoctlReq, reserved68) == 68, "tail at 68");

inline uint32_t brd_get32(const uint8_t field[4]) {
    return static_cast<uint32_t>(field[0]) | static_cast<uint32_t>(field[1]) << 8 |
           static_cast<uint32_t>(field[2]) << 16 | static_cast<uint32_t>(field[3]) << 24;
}

inline void brd_put32(uint8_t field[4], uint32_t value) {
    field[0] = static_cast<uint8_t>(value);
    field[1] = static_cast<uint8_t>(value >> 8);
    field[2] = static_cast<uint8_t>(value >> 16);
    field[3] = static_cast<uint8_t>(value >> 24);
}
