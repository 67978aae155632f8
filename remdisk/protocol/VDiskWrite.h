// Controller writes blocks to a virtual disk (0x8310).
#pragma once

#include "protocol/BlockDataMessage.h"

class VDiskWrite : public BlockDataMessage {
public:
    VDiskWrite() : BlockDataMessage(VDISK_WRITE), blockSize(0) {}

    std::string getDisplayMessage() override { return "VDisk Write"; }

    // Stores the block size and copies block count x block size bytes to dst, but never more
    // than the data carried; returns the number of bytes copied.
    int getData(unsigned char* dst, int blockSize);
    int getBlockSize() const { return blockSize; }
    // Whether block count x block size bytes are carried.
    bool holdsBlocks(int blockSize) const;
    // Controller side.
    void setData(const unsigned char* buffer, int length) { assignData(buffer, length); }

private:
    int blockSize;
};
