// The client's status for a request on a virtual disk (0x0410).
#pragma once

#include "protocol/MEDPPacket.h"

class ClientStatusMessage : public MEDPPacket {
public:
    static constexpr int PACKET_LENGTH = 16;

    ClientStatusMessage() : ClientStatusMessage(0, 0) {}
    ClientStatusMessage(int diskId, int status)
        : MEDPPacket(CLIENT_STATUS), remoteDiskId(diskId), status(status) {}

    std::string getDisplayMessage() override { return "Client Status"; }
    int getPacketLength() override { return PACKET_LENGTH; }
    unsigned char* encodeHeader() override { return encodeHeaderWithDisk(remoteDiskId); }
    unsigned char* encodePayload() override;
    // Controller side.
    void decode(unsigned char* header, unsigned char* payload, int packetLength) override;

    void setRemoteDiskId(int v) { remoteDiskId = v; }
    int getRemoteDiskId() const { return remoteDiskId; }
    void setStatus(int v) { status = v; }
    int getStatus() const { return status; }

private:
    int remoteDiskId;
    int status;
};
