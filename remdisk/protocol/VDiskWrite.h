// Controller writes blocks to a virtual disk (0x8310).
#pragma once

#include <vector>

#include "protocol/MEDPPacket.h"

class VDiskWrite : public MEDPPacket {
public:
    static constexpr int FIXED_PAYLOAD = 8;

    VDiskWrite();

    std::string getDisplayMessage() override { return "VDisk Write"; }
    int getPacketLength() override { return HEADER_SIZE + FIXED_PAYLOAD + getDataLength(); }
    unsigned char* encodeHeader() override { return encodeHeaderWithDisk(remoteDiskId); }
    // Controller side.
    unsigned char* encodePayload() override;
    // A packet shorter than 20 bytes (no room for offset and count) is refused.
    void decode(unsigned char* header, unsigned char* payload, int packetLength) override;

    int getRemoteDiskId() const { return remoteDiskId; }
    int getOffset() const { return offset; }
    int getBlockCount() const { return blockCount; }
    int getDataLength() const { return static_cast<int>(data.size()); }
    // Stores the block size and copies block count x block size bytes to dst, but never more
    // than the data carried; returns the number of bytes copied.
    int getData(unsigned char* dst, int blockSize);
    int getBlockSize() const { return blockSize; }
    // Whether block count x block size bytes are carried.
    bool holdsBlocks(int blockSize) const;

    void setRemoteDiskId(int v) { remoteDiskId = v; }
    void setOffset(int v) { offset = v; }
    void setBlockCount(int v) { blockCount = v; }
    void setData(const unsigned char* buffer, int length);

private:
    int remoteDiskId;
    int offset;
    int blockCount;
    int blockSize;
    std::vector<unsigned char> data;
};
