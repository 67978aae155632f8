#include "protocol/ReadRequest.h"

ReadRequest::ReadRequest()
    : MEDPPacket(READ_REQUEST), remoteDiskId(0), offset(0), blockCount(0), maxBlocksPerPacket(0) {}

unsigned char* ReadRequest::encodePayload() {
    unsigned char* buf = newPayload();
    encodeInt(buf, 0, offset);
    encodeInt(buf, 4, blockCount);
    encodeInt(buf, 8, maxBlocksPerPacket);
    return buf;
}

void ReadRequest::decode(unsigned char* header, unsigned char* payload, int length) {
    MEDPPacket::decode(header, payload, length);
    requirePayload(length, PACKET_LENGTH - HEADER_SIZE);
    remoteDiskId = decodeShort(header, 10);
    offset = decodeInt(payload, 0);
    blockCount = decodeInt(payload, 4);
    maxBlocksPerPacket = decodeInt(payload, 8);
}
