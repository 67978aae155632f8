#include "media/CdToc.h"

#include <cstring>

CdToc::CdToc(int firstTrack, int lastTrack) {
    bytes[2] = static_cast<unsigned char>(firstTrack);
    bytes[3] = static_cast<unsigned char>(lastTrack);
}

bool CdToc::add(int adr, int control, int track, int32_t lba) {
    if (length + 2 + 8 > kMaxLength)
        return false;
    unsigned char* d = bytes + 2 + length;
    const uint32_t address = static_cast<uint32_t>(lba);
    d[0] = 0;
    d[1] = static_cast<unsigned char>((adr & 0x0F) << 4 | (control & 0x0F));
    d[2] = static_cast<unsigned char>(track);
    d[3] = 0;
    d[4] = static_cast<unsigned char>(address >> 24);
    d[5] = static_cast<unsigned char>(address >> 16);
    d[6] = static_cast<unsigned char>(address >> 8);
    d[7] = static_cast<unsigned char>(address);
    length += 8;
    return true;
}

int CdToc::finish(unsigned char* out) {
    bytes[0] = static_cast<unsigned char>(length >> 8);
    bytes[1] = static_cast<unsigned char>(length);
    std::memcpy(out, bytes, static_cast<size_t>(length + 2));
    return length + 2;
}
