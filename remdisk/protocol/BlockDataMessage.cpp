#include "protocol/BlockDataMessage.h"

#include <cstring>

void BlockDataMessage::assignData(const unsigned char* buffer, int length) {
    if (!buffer || length <= 0)
        data.clear();
    else
        data.assign(buffer, buffer + length);
}

unsigned char* BlockDataMessage::encodePayload() {
    unsigned char* buf = newPayload();
    encodeInt(buf, 0, offset);
    encodeInt(buf, 4, blockCount);
    if (!data.empty())
        std::memcpy(buf + FIXED_PAYLOAD, data.data(), data.size());
    return buf;
}

void BlockDataMessage::decode(unsigned char* header, unsigned char* payload, int length) {
    MEDPPacket::decode(header, payload, length);
    requirePayload(length, FIXED_PAYLOAD);
    remoteDiskId = decodeShort(header, 10);
    offset = decodeInt(payload, 0);
    blockCount = decodeInt(payload, 4);
    data.assign(payload + FIXED_PAYLOAD, payload + (length - HEADER_SIZE));
}
