#include "image/image_header.h"

#include "cli/console.h"
#include "cli/result_codes.h"
#include "image/crc32.h"

#include <cstdio>
#include <cstring>

IMAGE_HEADER image_header;

uint32_t read_data_from_file(const uint8_t* data, int count) {
    if (count == 4)
        return static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
               static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
    return data[0];
}

void read_image_header(const uint8_t* bytes) {
    IMAGE_HEADER& h = image_header;
    h.crc = read_data_from_file(bytes + 0, 4);
    h.headerVersion = bytes[4];
    h.imageType = bytes[5];
    h.partitionCount = bytes[6];
    h.reserved = bytes[7];
    h.major = bytes[8];
    h.minor = bytes[9];
    h.revision[0] = bytes[10];
    h.revision[1] = bytes[11];
    h.imageLength = read_data_from_file(bytes + 12, 4);
    std::memcpy(h.bootloader1, bytes + 16, 4);
    std::memcpy(h.bootloader2, bytes + 20, 4);
    std::memcpy(h.boardType, bytes + 24, 4);
    h.reservedWord = read_data_from_file(bytes + 28, 4);
    h.computedCrc = calculate_crc(bytes + 4, IMAGE_HEADER_SIZE - 4);
}

namespace {

int fail(char* text, const char* message) {
    std::snprintf(text, IMAGE_HEADER_TEXT_SIZE, "%s", message);
    return RC_ERROR_IN_FILE;
}

bool known_board_type(const uint8_t* board) {
    return std::memcmp(board, "MRKA", 4) == 0 || std::memcmp(board, "MRKB", 4) == 0;
}

} // namespace

int valid_file_header(int* cls, char* text, const uint8_t* bytes) {
    *cls = PRT_ERROR;
    text[0] = '\0';
    if (read_data_from_file(bytes, 4) != calculate_crc(bytes + 4, IMAGE_HEADER_SIZE - 4))
        return fail(text, "\r   invalid head CRC !! \n");
    if (bytes[4] != IMAGE_SUPPORTED_HEADER_VERSION)
        return fail(text, "\r   invalid head version !! \n");
    if (bytes[5] != IMAGE_TYPE_CONTROLLER)
        return fail(text, "\r   invalid image type !! \n");
    bool board_warning = false;
    if (!known_board_type(bytes + 24)) {
        std::snprintf(text, IMAGE_HEADER_TEXT_SIZE, "%s", "   Warning: invalid board type! \n");
        board_warning = true;
    }
    if (bytes[7] != 0 || read_data_from_file(bytes + 28, 4) != 0)
        return fail(text, "\r   invalid reserved byte !! \n");
    const int partitions = bytes[6];
    // Entries beyond the header's 512 bytes cannot be checked: such a count is refused.
    if (partitions > IMAGE_MAX_PARTITIONS)
        return fail(text, "\r   invalid partition size !! \n");
    for (int i = 0; i < partitions; ++i) {
        const uint8_t* size = bytes + IMAGE_PARTITION_OFFSET + IMAGE_PARTITION_ENTRY_SIZE * i + 4;
        if (read_data_from_file(size, 4) == 0)
            return fail(text, "\r   invalid partition size !! \n");
    }
    if (board_warning) {
        *cls = PRT_NORMAL;
    } else {
        *cls = PRT_DEBUG;
        std::snprintf(text, IMAGE_HEADER_TEXT_SIZE, "%s", "OK\n");
    }
    return RC_SUCCESS;
}

uint16_t image_revision(const IMAGE_HEADER* header) {
    return static_cast<uint16_t>(header->revision[0] | header->revision[1] << 8);
}

bool image_has_bootloader_versions(const IMAGE_HEADER* header) {
    if (header->partitionCount <= 2)
        return false;
    for (int i = 0; i < 4; ++i)
        if (header->bootloader1[i] || header->bootloader2[i])
            return true;
    return false;
}
