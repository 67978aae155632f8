// Controller's status report on a virtual disk (0x8410).
#pragma once

#include "protocol/MEDPPacket.h"

class DeviceStatus : public MEDPPacket {
public:
    static constexpr int PACKET_LENGTH = 16;

    DeviceStatus() : MEDPPacket(DEVICE_STATUS), remoteDiskId(0), status(0) {}

    std::string getDisplayMessage() override { return "Device Status"; }
    int getPacketLength() override { return PACKET_LENGTH; }
    unsigned char* encodeHeader() override { return encodeHeaderWithDisk(remoteDiskId); }
    // Controller side.
    unsigned char* encodePayload() override;
    void decode(unsigned char* header, unsigned char* payload, int packetLength) override;

    int getRemoteDiskId() const { return remoteDiskId; }
    int getStatus() const { return status; }
    void setRemoteDiskId(int v) { remoteDiskId = v; }
    void setStatus(int v) { status = v; }

    // Text for a status code: "" for 0, "Unspecified error." outside 1..9.
    static const char* statusText(int code);

private:
    int remoteDiskId;
    int status;
};
