// Sector 0 of a floppy-kind medium, classified by its first byte as a FAT boot sector with
// a BIOS parameter block ("BPB"), a master boot record ("MBR") or neither ("NOG", no
// geometry), and the drive geometry it implies.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "media/PartitionInfo.h"

class BootSector {
public:
    static constexpr int kSectorSize = 512;
    static constexpr int kDriveMedium = 102;
    static constexpr int kImageFileMedium = 103;

    // Reads sector 0 of the open handle and classifies it; throws "Drive is not available."
    // when the sector cannot be read.
    BootSector(long handle, int mediumKind);
    // Classifies a sector already in memory (kSectorSize bytes).
    BootSector(const unsigned char* sector, int mediumKind);
    virtual ~BootSector();
    BootSector(const BootSector&) = delete;
    BootSector& operator=(const BootSector&) = delete;

    void load();
    // Always reads sector 0; n only names it in messages. Throws n when it cannot be read.
    void readSector(int n, unsigned char* destination);

    const std::string& getKind() const { return kind; }
    int getMediumKind() const { return mediumKind; }
    bool hasMBR() const { return kind == mbrLabel; }
    int getPartitionCount() const { return static_cast<int>(partitions.size()); }
    // Null outside the list.
    const PartitionInfo* getPartitionAt(int i) const;

    // geometry: cylinders, heads, sectors per track. capacity: 512-byte sectors on entry;
    // for an MBR it becomes the end of the first partition. A sector that yields no usable
    // geometry leaves both as they were.
    void getCHS(long* capacity, int* geometry) const;

private:
    void classify();

    const std::string name = "BootSector";
    const std::string bpbLabel = "BPB";
    const std::string mbrLabel = "MBR";
    const std::string nogLabel = "NOG";
    long handle = 0;
    std::string kind;
    int mediumKind = 0;
    std::vector<std::unique_ptr<PartitionInfo>> partitions;
    unsigned char sector[kSectorSize] = {};
};
