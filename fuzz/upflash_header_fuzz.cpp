// Image header parsing, checks, matching and the version decision on arbitrary header bytes.
#include "cli/console.h"
#include "cli/options.h"
#include "image/crc32.h"
#include "image/devices.h"
#include "image/image_header.h"

#include <cstdio>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FILE* sink = std::fopen("/dev/null", "w+");
    console_set_streams(sink, sink, sink); // the prompt then meets end of input
    if (size < 2)
        return 0;
    // Byte 0 steers: bit 0 repairs the CRC so that the later checks are reached, bits 1-2
    // pick the flash mode, bits 3-4 the display state.
    const uint8_t steer = data[0];
    ++data;
    --size;
    uint8_t header[IMAGE_HEADER_SIZE] = {};
    std::memcpy(header, data, size < sizeof header ? size : sizeof header);
    if (steer & 1) {
        const uint32_t crc = calculate_crc(header + 4, IMAGE_HEADER_SIZE - 4);
        for (int i = 0; i < 4; ++i) header[i] = static_cast<uint8_t>(crc >> (8 * i));
    }

    print_constructor();
    options_constructor();
    image_constructor();
    set_flash_mode((steer >> 1) & 3);
    set_display_state((steer >> 3) & 3);

    read_image_header(header);
    int cls = 0;
    char text[IMAGE_HEADER_TEXT_SIZE];
    if (valid_file_header(&cls, text, header) == 0) {
        BIN_FILE_INFO info;
        bin_file_info_init(&info);
        devices_information[0].state = DEV_FOUND;
        std::memcpy(devices_information[0].currentVersion, data + (size > 4 ? size - 4 : 0),
                    size >= 4 ? 4 : 0);
        if (process_devices(&info, &cls, text) == 0)
            check_images_revision(&info);
        image_has_bootloader_versions(&image_header);
    }
    display_redirection(cls, text);
    return 0;
}
