// The controller's side of the connection set-up exchange (HSHK): it reads the client's
// 53-byte session request and answers with the granted capabilities, an optional separate
// session port and a block of random data.
#pragma once

#include "foundation/ZInputStream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

constexpr int HSHK_CAP_PLAIN = 1;
constexpr int HSHK_CAP_TLS = 4;
constexpr int HSHK_REQUEST_LENGTH = 53;

struct HshkRequest {
    int sessionType = 0;
    int capabilities = 0;
    int randomLength = 0;
    uint8_t random[32] = {};
};

struct HshkConfig {
    int capabilities = HSHK_CAP_TLS;  // granted, whatever the client offered
    int sessionPort = -1;             // -1: keep the set-up connection; else a second listener (0: any port)
    int randomLength = 32;            // 0..255
};

// Checks and decodes a whole request (signature, length 53, type 0x0100, random length at
// most 32). False with a reason otherwise.
bool parseHshkRequest(const uint8_t* buf, size_t len, HshkRequest& out, std::string& reason);
// Reads one request from the stream: the 8 bytes of signature and length first, so a wrong
// length is refused before anything more is read.
bool readHshkRequest(ZInputStream& in, HshkRequest& out, std::string& reason);
// The session setup response: "HSHK", length, type 0x8100, capabilities at 14, session
// port at 18, random data length at 20, the random data from 21.
std::vector<uint8_t> hshkResponse(int capabilities, int sessionPort, const std::vector<uint8_t>& random);
// The connection type a client picks from granted capabilities: plain when bit 1 is set,
// else TLS when bit 4 is set, else 0 (none).
int chosenConnection(int capabilities);

} // namespace sim
