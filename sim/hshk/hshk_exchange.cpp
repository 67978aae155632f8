#include "hshk/hshk_exchange.h"

#include <cstring>

namespace sim {

namespace {

uint32_t be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }

void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    v[at] = uint8_t(x >> 24);
    v[at + 1] = uint8_t(x >> 16);
    v[at + 2] = uint8_t(x >> 8);
    v[at + 3] = uint8_t(x);
}

} // namespace

bool parseHshkRequest(const uint8_t* buf, size_t len, HshkRequest& out, std::string& reason) {
    if (len < 8 || std::memcmp(buf, "HSHK", 4) != 0) {
        reason = "bad HSHK signature";
        return false;
    }
    if (be32(buf + 4) != HSHK_REQUEST_LENGTH || len != HSHK_REQUEST_LENGTH) {
        reason = "HSHK request length " + std::to_string(be32(buf + 4)) + ", expected 53";
        return false;
    }
    int type = (buf[8] << 8) | buf[9];
    if (type != 0x0100) {
        reason = "HSHK request type " + std::to_string(type) + ", expected 0x0100";
        return false;
    }
    out.sessionType = buf[12];
    out.capabilities = static_cast<int>(be32(buf + 16));
    out.randomLength = buf[20];
    if (out.randomLength > 32) {
        reason = "HSHK request random data length " + std::to_string(out.randomLength) + " above 32";
        return false;
    }
    std::memcpy(out.random, buf + 21, 32);
    return true;
}

bool readHshkRequest(ZInputStream& in, HshkRequest& out, std::string& reason) {
    uint8_t buf[HSHK_REQUEST_LENGTH];
    if (in.readFully(buf, 0, 8) < 0) {
        reason = "connection ended before the HSHK request";
        return false;
    }
    if (std::memcmp(buf, "HSHK", 4) != 0 || be32(buf + 4) != HSHK_REQUEST_LENGTH)
        return parseHshkRequest(buf, 8, out, reason);
    if (in.readFully(buf, 8, HSHK_REQUEST_LENGTH - 8) < 0) {
        reason = "connection ended inside the HSHK request";
        return false;
    }
    return parseHshkRequest(buf, sizeof buf, out, reason);
}

std::vector<uint8_t> hshkResponse(int capabilities, int sessionPort, const std::vector<uint8_t>& random) {
    size_t n = random.size() > 255 ? 255 : random.size();
    std::vector<uint8_t> v(21 + n, 0);
    std::memcpy(v.data(), "HSHK", 4);
    put32(v, 4, static_cast<uint32_t>(v.size()));
    v[8] = 0x81;
    v[9] = 0x00;
    v[12] = 1;  // version, not read by the client
    put32(v, 14, static_cast<uint32_t>(capabilities));
    v[18] = uint8_t(sessionPort >> 8);
    v[19] = uint8_t(sessionPort);
    v[20] = static_cast<uint8_t>(n);
    if (n) std::memcpy(v.data() + 21, random.data(), n);
    return v;
}

int chosenConnection(int capabilities) {
    if (capabilities & HSHK_CAP_PLAIN) return HSHK_CAP_PLAIN;
    if (capabilities & HSHK_CAP_TLS) return HSHK_CAP_TLS;
    return 0;
}

} // namespace sim
