// CRC-32 of IEEE 802.3 (the one zlib computes), as the image header's checksum uses it.
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t Reflect(uint32_t value, int bits);
void init_crc32_tbl(uint32_t table[256]);
uint32_t calculate_crc(const uint8_t* data, size_t length);
