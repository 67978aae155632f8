// Release of a virtual disk: sent by the controller (0x8240) to take a disk back and by the
// client (0x0220) to confirm. Header only, with the disk id.
#pragma once

#include "protocol/MEDPPacket.h"

class VDiskRelease : public MEDPPacket {
public:
    // The client builds 0x0220; the controller side passes VDISK_RELEASE_CONTROLLER.
    explicit VDiskRelease(int type = VDISK_RELEASE_CLIENT) : MEDPPacket(type), remoteDiskId(0) {}

    std::string getDisplayMessage() override { return "Disk Release"; }
    int getPacketLength() override { return HEADER_SIZE; }
    unsigned char* encodeHeader() override { return encodeHeaderWithDisk(remoteDiskId); }
    unsigned char* encodePayload() override { return nullptr; }
    void decodeHeader(unsigned char* header) override {
        MEDPPacket::decodeHeader(header);
        remoteDiskId = decodeShort(header, 10);
    }

    int getRemoteDiskId() const { return remoteDiskId; }
    void setRemoteDiskId(int v) { remoteDiskId = v; }

private:
    int remoteDiskId;
};
