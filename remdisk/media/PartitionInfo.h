// One 16-byte entry of a master boot record's partition table, and the drive geometry that
// its CHS and LBA values imply.
#pragma once

#include <cstdint>

class PartitionInfo {
public:
    // Decodes the entry at sector + offset (16 bytes must be readable there).
    PartitionInfo(const unsigned char* sector, int offset);
    virtual ~PartitionInfo();

    void initialize(const unsigned char* sector, int offset);

    bool isBootable() const { return bootFlag; }
    int getPartitionType() const { return partitionType; }
    int getStartCylinder() const { return startCylinder; }
    int getStartHeads() const { return startHead; }
    int getStartSector() const { return startSector; }
    int getEndCylinder() const { return endCylinder; }
    int getEndHeads() const { return endHead; }
    int getEndSector() const { return endSector; }
    int getLBAStart() const { return lbaStart; }
    int getSize() const { return size; }

    // Fills cylinders, heads and sectors per track. The arithmetic is 32-bit floating point,
    // rounded after every step, so the results match the ones partitioning tools expect.
    // Implausible or incalculable values give the usual large-disk translation
    // (size / 1008 cylinders, at most 16,383; 16 heads; 63 sectors).
    void calculateDeviceCHS(int* geometry) const;

private:
    bool bootFlag = false;
    int startHead = 0;
    int startSector = 0;
    int startCylinder = 0;
    int partitionType = 0;
    int endHead = 0;
    int endSector = 0;
    int endCylinder = 0;
    int32_t lbaStart = 0;
    int32_t size = 0;
};
