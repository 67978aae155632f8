// One packet of read data sent back to the controller (0x0300).
#pragma once

#include <vector>

#include "protocol/MEDPPacket.h"

class ReadResponse : public MEDPPacket {
public:
    static constexpr int FIXED_PAYLOAD = 8;

    ReadResponse();

    std::string getDisplayMessage() override { return "Read Response"; }
    int getPacketLength() override { return HEADER_SIZE + FIXED_PAYLOAD + getDataLength(); }
    unsigned char* encodeHeader() override { return encodeHeaderWithDisk(remoteDiskId); }
    unsigned char* encodePayload() override;
    // Controller side.
    void decode(unsigned char* header, unsigned char* payload, int packetLength) override;

    void setRemoteDistId(int v) { remoteDiskId = v; }  // the disk id
    void setRemoteDiskId(int v) { remoteDiskId = v; }
    void setOffset(int v) { offset = v; }
    void setBlockCount(int v) { blockCount = v; }
    // Copies length bytes from buffer + start (nothing for a null buffer or length <= 0).
    void setData(const unsigned char* buffer, int start, int length);

    int getRemoteDiskId() const { return remoteDiskId; }
    int getOffset() const { return offset; }
    int getBlockCount() const { return blockCount; }
    int getDataLength() const { return static_cast<int>(data.size()); }
    const unsigned char* getData() const { return data.data(); }
    static int getFLAG_READONLY() { return 1; }

private:
    int remoteDiskId;
    int offset;
    int blockCount;
    std::vector<unsigned char> data;
};
