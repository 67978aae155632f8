#include "protocol/ReadResponse.h"

#include <cstring>

ReadResponse::ReadResponse() : MEDPPacket(READ_RESPONSE), remoteDiskId(0), offset(0), blockCount(0) {}

void ReadResponse::setData(const unsigned char* buffer, int start, int length) {
    if (!buffer || length <= 0) {
        data.clear();
        return;
    }
    data.assign(buffer + start, buffer + start + length);
}

unsigned char* ReadResponse::encodePayload() {
    unsigned char* buf = newPayload();
    encodeInt(buf, 0, offset);
    encodeInt(buf, 4, blockCount);
    if (!data.empty())
        std::memcpy(buf + FIXED_PAYLOAD, data.data(), data.size());
    return buf;
}

void ReadResponse::decode(unsigned char* header, unsigned char* payload, int length) {
    MEDPPacket::decode(header, payload, length);
    requirePayload(length, FIXED_PAYLOAD);
    remoteDiskId = decodeShort(header, 10);
    offset = decodeInt(payload, 0);
    blockCount = decodeInt(payload, 4);
    data.assign(payload + FIXED_PAYLOAD, payload + (length - HEADER_SIZE));
}
