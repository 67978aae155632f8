#include "protocol/VDiskRequest2.h"

VDiskRequest2::VDiskRequest2()
    : MEDPPacket(VDISK_REQUEST2), remoteDiskId(0), blockSize(0), capacity(0), driveFlags(0),
      requestBlockLimit(0), receivedByte9(-1), cylinders(0), heads(0), sectors(0) {}

int VDiskRequest2::getClampedCapacity() const {
    if (receivedByte9 >= 0)
        return receivedByte9;
    // The capacity counts blocks and is taken as unsigned.
    return static_cast<unsigned int>(capacity) < 256u ? capacity : 255;
}

unsigned char* VDiskRequest2::encodePayload() {
    unsigned char* buf = newPayload();
    encodeInt(buf, 0, blockSize);
    encodeInt(buf, 4, capacity);
    buf[8] = driveFlags;
    buf[9] = static_cast<unsigned char>(getClampedCapacity());
    encodeShort(buf, 10, static_cast<short>(cylinders));
    buf[12] = static_cast<unsigned char>(heads);
    buf[13] = static_cast<unsigned char>(sectors);
    return buf;
}

void VDiskRequest2::decode(unsigned char* header, unsigned char* payload, int length) {
    MEDPPacket::decode(header, payload, length);
    requirePayload(length, PACKET_LENGTH - HEADER_SIZE);
    remoteDiskId = decodeShort(header, 10);
    blockSize = decodeInt(payload, 0);
    capacity = decodeInt(payload, 4);
    driveFlags = payload[8];
    receivedByte9 = payload[9];
    cylinders = decodeShort(payload, 10);
    heads = payload[12];
    sectors = payload[13];
}
