// Map request for a CD/DVD drive or ISO image (0x0210), carrying the medium's table of
// contents.
#pragma once

#include <vector>

#include "protocol/MEDPPacket.h"

class VDiskRequest : public MEDPPacket {
public:
    static constexpr int FIXED_PAYLOAD = 12;
    static constexpr int MAX_TOC = 0xFFFF;  // the TOC length field is 16 bits

    VDiskRequest();

    std::string getDisplayMessage() override { return "Map Request"; }
    int getPacketLength() override { return HEADER_SIZE + FIXED_PAYLOAD + getTOCLength(); }
    unsigned char* encodeHeader() override { return encodeHeaderWithDisk(remoteDiskId); }
    unsigned char* encodePayload() override;
    // Controller side. Refuses a TOC length that runs past the payload.
    void decode(unsigned char* header, unsigned char* payload, int packetLength) override;

    void setRemoteDiskId(int v) { remoteDiskId = v; }
    void setBlockSize(int v) { blockSize = v; }
    void setCapacity(int v) { capacity = v; }
    void setDriveFlags(unsigned char v) { driveFlags = v; }
    void setRequestBlockLimit(int v) { requestBlockLimit = v; }
    // Copies length bytes from data + offset (at most MAX_TOC; nothing for a null pointer
    // or a negative length).
    void setTOC(const unsigned char* data, int offset, int length);

    int getRemoteDiskId() const { return remoteDiskId; }
    int getBlockSize() const { return blockSize; }
    int getCapacity() const { return capacity; }
    unsigned char getDriveFlags() const { return driveFlags; }
    int getRequestBlockLimit() const { return requestBlockLimit; }
    int getTOCLength() const { return static_cast<int>(toc.size()); }
    const unsigned char* getTOC() const { return toc.data(); }

private:
    int remoteDiskId;
    int blockSize;
    int capacity;
    unsigned char driveFlags;
    int requestBlockLimit;
    std::vector<unsigned char> toc;
};
