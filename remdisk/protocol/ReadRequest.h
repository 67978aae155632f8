// Controller asks for blocks of a virtual disk (0x8300).
#pragma once

#include "protocol/MEDPPacket.h"

class ReadRequest : public MEDPPacket {
public:
    static constexpr int PACKET_LENGTH = 24;

    ReadRequest();

    std::string getDisplayMessage() override { return "Read Request"; }
    int getPacketLength() override { return PACKET_LENGTH; }
    unsigned char* encodeHeader() override { return encodeHeaderWithDisk(remoteDiskId); }
    unsigned char* encodePayload() override;
    void decode(unsigned char* header, unsigned char* payload, int packetLength) override;

    int getRemoteDiskId() const { return remoteDiskId; }
    int getOffset() const { return offset; }
    int getBlockCount() const { return blockCount; }
    int getMaxBlocksPerPacket() const { return maxBlocksPerPacket; }
    void setRemoteDiskId(int v) { remoteDiskId = v; }
    void setOffset(int v) { offset = v; }
    void setBlockCount(int v) { blockCount = v; }
    void setMaxBlocksPerPacket(int v) { maxBlocksPerPacket = v; }

private:
    int remoteDiskId;
    int offset;
    int blockCount;
    int maxBlocksPerPacket;
};
