#include "protocol/LoginResponse.h"

#include <algorithm>
#include <cstring>

LoginResponse::LoginResponse() : MEDPPacket(LOGIN_RESPONSE), loginStatus(0), flags(0) {}

int LoginResponse::getPacketLength() {
    return HEADER_SIZE + 3 + static_cast<int>(userName.size());
}

unsigned char* LoginResponse::encodePayload() {
    unsigned char* buf = newPayload();
    buf[0] = static_cast<unsigned char>(loginStatus);
    buf[1] = static_cast<unsigned char>(flags);
    buf[2] = static_cast<unsigned char>(userName.size());
    std::memcpy(buf + 3, userName.data(), userName.size());
    return buf;
}

void LoginResponse::decode(unsigned char* header, unsigned char* payload, int length) {
    MEDPPacket::decode(header, payload, length);
    requirePayload(length, 3);
    loginStatus = payload[0];
    flags = payload[1];
    // The name is kept only as far as it arrived.
    int n = std::min<int>(payload[2], length - HEADER_SIZE - 3);
    userName.assign(reinterpret_cast<const char*>(payload + 3), n);
}
