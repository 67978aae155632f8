#include "protocol/DiskStatusMessage.h"

unsigned char* DiskStatusMessage::encodePayload() {
    unsigned char* buf = newPayload();
    encodeInt(buf, 0, status);
    return buf;
}

void DiskStatusMessage::decode(unsigned char* header, unsigned char* payload, int length) {
    MEDPPacket::decode(header, payload, length);
    requirePayload(length, PACKET_LENGTH - HEADER_SIZE);
    remoteDiskId = decodeShort(header, 10);
    status = decodeInt(payload, 0);
}
