// Shared layout of the two status messages: the disk id in the header and a signed 32-bit
// status code as the whole payload. DeviceStatus (controller) and ClientStatusMessage
// (client) use it.
#pragma once

#include "protocol/MEDPPacket.h"

class DiskStatusMessage : public MEDPPacket {
public:
    static constexpr int PACKET_LENGTH = 16;

    int getPacketLength() override { return PACKET_LENGTH; }
    unsigned char* encodeHeader() override { return encodeHeaderWithDisk(remoteDiskId); }
    unsigned char* encodePayload() override;
    void decode(unsigned char* header, unsigned char* payload, int packetLength) override;

    int getRemoteDiskId() const { return remoteDiskId; }
    void setRemoteDiskId(int v) { remoteDiskId = v; }
    int getStatus() const { return status; }
    void setStatus(int v) { status = v; }

protected:
    DiskStatusMessage(int type, int diskId, int code) : MEDPPacket(type), remoteDiskId(diskId), status(code) {}

    int remoteDiskId;
    int status;
};
