// The 512-byte header at the start of a firmware image file: its parsed form and its checks.
#pragma once

#include <cstddef>
#include <cstdint>

enum {
    IMAGE_HEADER_SIZE = 512,
    IMAGE_HEADER_TEXT_SIZE = 256, // size of the text buffers the checks fill
    IMAGE_PARTITION_OFFSET = 32,
    IMAGE_PARTITION_ENTRY_SIZE = 12,
    // Partition entries that fit in the header; a larger count cannot be checked.
    IMAGE_MAX_PARTITIONS = (IMAGE_HEADER_SIZE - IMAGE_PARTITION_OFFSET) / IMAGE_PARTITION_ENTRY_SIZE,
    IMAGE_SUPPORTED_HEADER_VERSION = 1,
    IMAGE_TYPE_CONTROLLER = 1,
};

struct IMAGE_HEADER {
    uint32_t crc;             // stored at offset 0
    uint8_t headerVersion;
    uint8_t imageType;
    uint8_t partitionCount;
    uint8_t reserved;
    uint8_t major;
    uint8_t minor;
    uint8_t revision[2];      // file order: low byte, high byte
    uint32_t imageLength;
    uint8_t bootloader1[4];
    uint8_t bootloader2[4];
    uint8_t boardType[4];
    uint32_t reservedWord;
    uint32_t fileLength;      // from the file system
    uint32_t computedCrc;     // CRC-32 of bytes 4 to 511
};

extern IMAGE_HEADER image_header;

// The little-endian value of count (1 or 4) bytes.
uint32_t read_data_from_file(const uint8_t* data, int count);

// Fills image_header from the header bytes, the computed CRC included; the file length
// already stored is kept.
void read_image_header(const uint8_t* bytes);

// Runs the header checks in order. Leaves the text to print in text (IMAGE_HEADER_TEXT_SIZE
// bytes) and the output class to print it with in *cls; returns 0 or 4.
int valid_file_header(int* cls, char* text, const uint8_t* bytes);

// The image's revision (build number).
uint16_t image_revision(const IMAGE_HEADER* header);

// True when the image carries bootloader versions worth comparing and showing.
bool image_has_bootloader_versions(const IMAGE_HEADER* header);
