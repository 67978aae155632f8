// Reading a firmware image back from the virtual USB device: the header's checksum and fixed
// fields, and the versions it carries.
#include "ipmi/fw_update.h"

#include <cstring>

namespace sim {

namespace {

enum { HEADER_SIZE = 512 };

uint32_t crc32(const uint8_t* p, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

uint32_t le32(const uint8_t* p) {
    return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

bool parse_firmware_image(const FwBytes& image, FwImageInfo* info) {
    if (image.size() < HEADER_SIZE)
        return false;
    const uint8_t* h = image.data();
    if (le32(h) != crc32(h + 4, HEADER_SIZE - 4))
        return false;
    if (h[4] != 1 || h[5] != 1 || h[7] != 0 || le32(h + 28) != 0)
        return false;
    const unsigned partitions = h[6];
    if (32 + 12 * partitions > HEADER_SIZE)
        return false;
    for (unsigned i = 0; i < partitions; ++i)
        if (le32(h + 32 + 12 * i + 4) == 0)
            return false;
    info->version[0] = h[8];
    info->version[1] = h[9];
    info->version[2] = h[11]; // the header keeps the revision low byte first
    info->version[3] = h[10];
    std::memcpy(info->bootloader, h + 16, 8);
    bool any = false;
    for (int i = 16; i < 24; ++i)
        any = any || h[i] != 0;
    info->hasBootloader = partitions > 2 && any;
    return true;
}

} // namespace sim
