// Shared layout of the two messages that carry blocks of a disk: offset (first block),
// block count, then the data. ReadResponse (client) and VDiskWrite (controller) use it.
#pragma once

#include <vector>

#include "protocol/MEDPPacket.h"

class BlockDataMessage : public MEDPPacket {
public:
    static constexpr int FIXED_PAYLOAD = 8;

    int getPacketLength() override { return HEADER_SIZE + FIXED_PAYLOAD + getDataLength(); }
    unsigned char* encodeHeader() override { return encodeHeaderWithDisk(remoteDiskId); }
    unsigned char* encodePayload() override;
    // Refuses a packet without room for offset and count (shorter than 20 bytes).
    void decode(unsigned char* header, unsigned char* payload, int packetLength) override;

    int getRemoteDiskId() const { return remoteDiskId; }
    int getOffset() const { return offset; }
    int getBlockCount() const { return blockCount; }
    int getDataLength() const { return static_cast<int>(data.size()); }
    void setRemoteDiskId(int v) { remoteDiskId = v; }
    void setOffset(int v) { offset = v; }
    void setBlockCount(int v) { blockCount = v; }

protected:
    explicit BlockDataMessage(int type) : MEDPPacket(type), remoteDiskId(0), offset(0), blockCount(0) {}
    // Copies length bytes from buffer (nothing for a null buffer or length <= 0).
    void assignData(const unsigned char* buffer, int length);

    int remoteDiskId;
    int offset;
    int blockCount;
    std::vector<unsigned char> data;
};
