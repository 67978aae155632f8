// Map request for a floppy or USB device or image (0x0211), with its geometry.
#pragma once

#include "protocol/MEDPPacket.h"

class VDiskRequest2 : public MEDPPacket {
public:
    static constexpr int PACKET_LENGTH = 26;

    VDiskRequest2();

    std::string getDisplayMessage() override { return "Map Request"; }
    int getPacketLength() override { return PACKET_LENGTH; }
    unsigned char* encodeHeader() override { return encodeHeaderWithDisk(remoteDiskId); }
    unsigned char* encodePayload() override;
    void decode(unsigned char* header, unsigned char* payload, int packetLength) override;

    void setRemoteDiskId(int v) { remoteDiskId = v; }
    void setBlockSize(int v) { blockSize = v; }
    void setCapacity(int v) {
        capacity = v;
        receivedByte9 = -1;
    }
    void setDriveFlags(unsigned char v) { driveFlags = v; }
    // Kept but not sent: byte 9 of the payload carries the capacity clamped to 255.
    void setRequestBlockLimit(int v) { requestBlockLimit = v; }
    void setCylinders(int v) { cylinders = v; }
    void setHeads(int v) { heads = v; }
    void setSectors(int v) { sectors = v; }

    int getRemoteDiskId() const { return remoteDiskId; }
    int getBlockSize() const { return blockSize; }
    int getCapacity() const { return capacity; }
    unsigned char getDriveFlags() const { return driveFlags; }
    int getRequestBlockLimit() const { return requestBlockLimit; }
    // Byte 9 as sent or received.
    int getClampedCapacity() const;
    int getCylinders() const { return cylinders; }
    int getHeads() const { return heads; }
    int getSectors() const { return sectors; }

private:
    int remoteDiskId;
    int blockSize;
    int capacity;
    unsigned char driveFlags;
    int requestBlockLimit;
    int receivedByte9;  // -1 until decoded
    int cylinders;
    int heads;
    int sectors;
};
