#include "protocol/VDiskWrite.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

VDiskWrite::VDiskWrite()
    : MEDPPacket(VDISK_WRITE), remoteDiskId(0), offset(0), blockCount(0), blockSize(0) {}

bool VDiskWrite::holdsBlocks(int bs) const {
    if (blockCount < 0 || bs < 0)
        return false;
    return int64_t(blockCount) * bs <= int64_t(data.size());
}

int VDiskWrite::getData(unsigned char* dst, int bs) {
    blockSize = bs;
    if (!dst || blockCount <= 0 || bs <= 0)
        return 0;
    int64_t wanted = int64_t(blockCount) * bs;
    int n = static_cast<int>(std::min<int64_t>(wanted, int64_t(data.size())));
    if (n > 0)
        std::memcpy(dst, data.data(), n);
    return n;
}

void VDiskWrite::setData(const unsigned char* buffer, int length) {
    if (!buffer || length <= 0)
        data.clear();
    else
        data.assign(buffer, buffer + length);
}

unsigned char* VDiskWrite::encodePayload() {
    unsigned char* buf = newPayload();
    encodeInt(buf, 0, offset);
    encodeInt(buf, 4, blockCount);
    if (!data.empty())
        std::memcpy(buf + FIXED_PAYLOAD, data.data(), data.size());
    return buf;
}

void VDiskWrite::decode(unsigned char* header, unsigned char* payload, int length) {
    MEDPPacket::decode(header, payload, length);
    requirePayload(length, FIXED_PAYLOAD);
    remoteDiskId = decodeShort(header, 10);
    offset = decodeInt(payload, 0);
    blockCount = decodeInt(payload, 4);
    data.assign(payload + FIXED_PAYLOAD, payload + (length - HEADER_SIZE));
}
