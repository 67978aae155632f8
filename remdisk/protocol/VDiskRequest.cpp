#include "protocol/VDiskRequest.h"

#include <algorithm>
#include <cstring>

VDiskRequest::VDiskRequest()
    : MEDPPacket(VDISK_REQUEST), remoteDiskId(0), blockSize(0), capacity(0), driveFlags(0),
      requestBlockLimit(0) {}

void VDiskRequest::setTOC(const unsigned char* data, int offset, int length) {
    toc.clear();
    if (!data || length <= 0)
        return;
    int n = std::min(length, MAX_TOC);
    toc.assign(data + offset, data + offset + n);
}

unsigned char* VDiskRequest::encodePayload() {
    unsigned char* buf = newPayload();
    encodeInt(buf, 0, blockSize);
    encodeInt(buf, 4, capacity);
    buf[8] = driveFlags;
    buf[9] = static_cast<unsigned char>(requestBlockLimit);
    encodeShort(buf, 10, static_cast<short>(toc.size()));
    if (!toc.empty())
        std::memcpy(buf + FIXED_PAYLOAD, toc.data(), toc.size());
    return buf;
}

void VDiskRequest::decode(unsigned char* header, unsigned char* payload, int length) {
    MEDPPacket::decode(header, payload, length);
    requirePayload(length, FIXED_PAYLOAD);
    remoteDiskId = decodeShort(header, 10);
    blockSize = decodeInt(payload, 0);
    capacity = decodeInt(payload, 4);
    driveFlags = payload[8];
    requestBlockLimit = payload[9];
    int tocLength = decodeShort(payload, 10);
    requirePayload(length, FIXED_PAYLOAD + tocLength);
    toc.assign(payload + FIXED_PAYLOAD, payload + FIXED_PAYLOAD + tocLength);
}
