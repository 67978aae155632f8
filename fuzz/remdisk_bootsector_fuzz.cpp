// Fuzzes the boot sector classifier and the geometry derived from it. The first 512 bytes
// are sector 0 (zero-padded), the next 4 the medium's capacity in sectors. The sector is
// also read through a file handle, as the media provider does, with the input as the whole
// medium (so short media take the failure path). No floating-point division by zero or
// invalid operation may happen, and the geometry must never be negative.
#include <cfenv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

#include "media/BootSector.h"

namespace {

void check(const BootSector& boot, long capacityIn) {
    long capacity = capacityIn;
    int geometry[3] = {0, 0, 0};
    std::feclearexcept(FE_ALL_EXCEPT);
    boot.getCHS(&capacity, geometry);
    if (std::fetestexcept(FE_DIVBYZERO | FE_INVALID))
        __builtin_trap();
    if (geometry[0] < 0 || geometry[1] < 0 || geometry[2] < 0 || capacity < 0)
        __builtin_trap();
    if (boot.hasMBR() && boot.getPartitionCount() > 0 && (geometry[1] > 255 || geometry[2] > 63))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    unsigned char sector[BootSector::kSectorSize] = {};
    std::memcpy(sector, data, size < sizeof sector ? size : sizeof sector);
    uint32_t rawCapacity = 2880;
    if (size >= sizeof sector + 4)
        std::memcpy(&rawCapacity, data + sizeof sector, 4);
    const long capacity = static_cast<long>(rawCapacity & 0x7FFFFFFF);

    BootSector fromMemory(sector, BootSector::kImageFileMedium);
    check(fromMemory, capacity);

    int fd = memfd_create("bootsector", 0);
    if (fd < 0)
        return 0;
    if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    try {
        BootSector fromHandle(fd, BootSector::kDriveMedium);
        if (size < sizeof sector || fromHandle.getKind() != fromMemory.getKind() ||
            fromHandle.getPartitionCount() != fromMemory.getPartitionCount())
            __builtin_trap();
        check(fromHandle, capacity);
    } catch (const char* text) {
        if (size >= sizeof sector || std::strcmp(text, "Drive is not available.") != 0)
            __builtin_trap();
    }
    close(fd);
    return 0;
}
