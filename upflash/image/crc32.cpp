#include "image/crc32.h"

namespace {
const uint32_t kPolynomial = 0x04C11DB7u;
}

uint32_t Reflect(uint32_t value, int bits) {
    uint32_t result = value;
    for (int i = 0; i < bits; ++i) {
        const uint32_t bit = 1u << (bits - 1 - i);
        if (value & (1u << i)) result |= bit;
        else result &= ~bit;
    }
    return result;
}

void init_crc32_tbl(uint32_t table[256]) {
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t entry = Reflect(i, 8) << 24;
        for (int k = 0; k < 8; ++k)
            entry = (entry << 1) ^ ((entry & 0x80000000u) ? kPolynomial : 0u);
        table[i] = Reflect(entry, 32);
    }
}

uint32_t calculate_crc(const uint8_t* data, size_t length) {
    uint32_t table[256];
    init_crc32_tbl(table);
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i)
        crc = (crc >> 8) ^ table[(crc ^ data[i]) & 0xFFu];
    return ~crc;
}
