#include "media/BootSector.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "foundation/ZTrace.h"
#include "media/LinuxVMProvider.h"

namespace {
int unsigned16LE(const unsigned char* p) { return p[0] | p[1] << 8; }
const int kEntryOffsets[4] = {446, 462, 478, 494};
} // namespace

BootSector::BootSector(long fileHandle, int kindOfMedium)
    : handle(fileHandle), mediumKind(kindOfMedium) {
    load();
}

BootSector::BootSector(const unsigned char* bytes, int kindOfMedium) : mediumKind(kindOfMedium) {
    std::memcpy(sector, bytes, kSectorSize);
    classify();
}

BootSector::~BootSector() { ZTRACE(0, "%s Destructor called\n", "BootSector::~BootSector"); }

void BootSector::readSector(int n, unsigned char* destination) {
    static const char* const where = "BootSector::readSector";
    LinuxVMProvider provider;
    unsigned char buffer[kSectorSize];
    ZTRACE(1, "%s Using seek and read to load block 0.\n", where);
    int result = provider.readSectors(handle, kSectorSize, 1, 0, buffer);
    if (result != kSectorSize) {
        ZTRACE(0, "%s failed. reading with readDrive\n", where);
        provider.seekDrive(handle, 0);
        result = provider.readDrive(handle, kSectorSize, buffer);
    }
    if (result != kSectorSize) {
        ZTRACE(0, "%s Boot sector failed to read %d\n", where, n);
        throw n;
    }
    ZTRACE(1, "%s Boot sector read successfully\n", where);
    std::memcpy(destination, buffer, kSectorSize);
}

void BootSector::load() {
    try {
        partitions.clear();
        kind.clear();
        readSector(0, sector);
        classify();
    } catch (...) {
        ZTRACE(0, "%s Drive is not available. Throwing Exception.\n", "BootSector::load");
        throw "Drive is not available.";
    }
}

void BootSector::classify() {
    static const char* const where = "BootSector::load";
    partitions.clear();
    ZTRACE(1, "%s EB? Byte[0]=%02x Byte[0]&FF=%02x\n", where, sector[0], sector[0] & 0xFF);
    if (sector[0] == 0xEB) {
        ZTRACE(1, "%s Detected BPB type boot sector.\n", where);
        kind = bpbLabel;
    } else if (sector[0] == 0x00) {
        kind = nogLabel;
    } else {
        ZTRACE(1, "%s Detected MBR type boot sector.\n", where);
        kind = mbrLabel;
        for (int offset : kEntryOffsets) {
            auto entry = std::make_unique<PartitionInfo>(sector, offset);
            if (entry->getLBAStart() > 0)
                partitions.push_back(std::move(entry));
        }
        ZTRACE(1, "%s MBR sector has %d partitions. \n", where, getPartitionCount());
    }
}

const PartitionInfo* BootSector::getPartitionAt(int i) const {
    if (i < 0 || i >= getPartitionCount())
        return nullptr;
    return partitions[static_cast<size_t>(i)].get();
}

void BootSector::getCHS(long* capacity, int* geometry) const {
    static const char* const where = "BootSector::getCHS";
    if (!capacity || !geometry)
        return;
    if (kind == bpbLabel) {
        const int sectorsPerTrack = unsigned16LE(sector + 24);
        const int heads = unsigned16LE(sector + 26);
        if (heads == 0 || sectorsPerTrack == 0) {
            ZTRACE(1, "%s BPB without geometry (heads %d, sectors %d): none reported\n", where,
                   heads, sectorsPerTrack);
            return;
        }
        const int64_t perCylinder = static_cast<int64_t>(heads) * sectorsPerTrack;
        const int64_t cylinders = *capacity > 0 ? *capacity / perCylinder : 0;
        geometry[0] = cylinders > INT_MAX ? INT_MAX : static_cast<int>(cylinders);
        geometry[1] = heads;
        geometry[2] = sectorsPerTrack;
    } else if (kind == mbrLabel) {
        const PartitionInfo* first = getPartitionAt(0);
        if (!first) {
            ZTRACE(1, "%s MBR without a usable partition: no geometry reported\n", where);
            return;
        }
        first->calculateDeviceCHS(geometry);
        // The end of the first partition becomes the medium's size, when there is one.
        const int64_t end = static_cast<int64_t>(first->getSize()) + first->getLBAStart();
        if (first->getSize() > 0 && end <= INT_MAX)
            *capacity = static_cast<long>(end);
        else
            ZTRACE(1, "%s partition size %d unusable: capacity kept\n", where, first->getSize());
    }
}
