#include "image/devices.h"

#include "cli/console.h"
#include "cli/options.h"
#include "cli/result_codes.h"

#include <cstdio>
#include <cstring>

DEVICES_INFORMATION devices_information[DEVICE_COUNT];

namespace {

DEVICES_INFORMATION* device_table(BIN_FILE_INFO* info) {
    return info && info->devices ? info->devices : devices_information;
}

enum VersionOrder { IMAGE_OLDER, IMAGE_SAME, IMAGE_NEWER_THAN_DEVICE };

VersionOrder compare_versions(const IMAGE_HEADER* image, const uint8_t current[4]) {
    if (image->major != current[0])
        return image->major < current[0] ? IMAGE_OLDER : IMAGE_NEWER_THAN_DEVICE;
    if (image->minor != current[1])
        return image->minor < current[1] ? IMAGE_OLDER : IMAGE_NEWER_THAN_DEVICE;
    const uint16_t image_rev = image_revision(image);
    const uint16_t device_rev = device_revision(current);
    if (image_rev != device_rev)
        return image_rev < device_rev ? IMAGE_OLDER : IMAGE_NEWER_THAN_DEVICE;
    return IMAGE_SAME;
}

} // namespace

void image_constructor() {
    std::memset(devices_information, 0, sizeof devices_information);
    DEVICES_INFORMATION& controller = devices_information[0];
    controller.slaveAddress = DEFAULT_SLAVE_ADDRESS;
    controller.deviceType = DEVICE_TYPE_CONTROLLER;
    controller.state = DEV_INITIAL;
    std::snprintf(controller.displayName, sizeof controller.displayName, "%s",
                  CONTROLLER_DISPLAY_NAME);
    std::memset(&image_header, 0, sizeof image_header);
}

void image_destructor() {
    for (auto& device : devices_information)
        device.image = nullptr;
}

void bin_file_info_init(BIN_FILE_INFO* info) {
    std::memset(info, 0, sizeof *info);
    std::snprintf(info->imagePath, sizeof info->imagePath, "%s", DEFAULT_IMAGE_PATH);
}

uint16_t device_revision(const uint8_t version[4]) {
    return static_cast<uint16_t>(version[2] << 8 | version[3]);
}

int process_devices(BIN_FILE_INFO* info, int* cls, char* text) {
    info->header = &image_header;
    DEVICES_INFORMATION* devices = device_table(info);
    for (int i = 0; i < DEVICE_COUNT; ++i) {
        DEVICES_INFORMATION& device = devices[i];
        if (device.state != DEV_FOUND)
            continue;
        if (device.deviceType == image_header.imageType) {
            device.image = &image_header;
            device.state = DEV_IMAGE_MATCHED;
            *cls = PRT_DEBUG;
            std::snprintf(text, IMAGE_HEADER_TEXT_SIZE, "%s", "OK\n");
            return RC_SUCCESS;
        }
        *cls = PRT_ERROR;
        std::snprintf(text, IMAGE_HEADER_TEXT_SIZE, "%s", "\r   invalid current image type !! \n");
        return RC_BAD_DATA;
    }
    // Without a found device the image cannot be matched; going on would end in success
    // without anything flashed.
    *cls = PRT_ERROR;
    std::snprintf(text, IMAGE_HEADER_TEXT_SIZE, "%s", "\r   no device to match the image !! \n");
    return RC_BAD_DATA;
}

void check_img_revision(DEVICES_INFORMATION* device) {
    if (device->state != DEV_IMAGE_MATCHED || !device->image)
        return;
    const int mode = get_flash_mode();
    if (mode == FLASH_MODE_FORCE) {
        display_redirection(PRT_NORMAL, "\r   Force Vantro firmware update ...\n");
        device->state = DEV_FLASH;
        return;
    }
    const IMAGE_HEADER* image = device->image;
    switch (compare_versions(image, device->currentVersion)) {
    case IMAGE_SAME:
        device->state = DEV_SAME_VERSION;
        break;
    case IMAGE_OLDER:
        if (mode == FLASH_MODE_DOWNGRADE) {
            device->state = DEV_FLASH;
        } else if (mode == FLASH_MODE_QUIET) {
            device->state = DEV_FOUND;
        } else {
            std::string question = format_text(
                "   Downgrade %s from %u.%u.%u to %u.%u.%u (Y/N)?", device->displayName,
                device->currentVersion[0], device->currentVersion[1],
                device_revision(device->currentVersion), image->major, image->minor,
                image_revision(image));
            device->state = prompt_user(PRT_NORMAL, question.c_str()) == PROMPT_YES ? DEV_FLASH
                                                                                   : DEV_FOUND;
        }
        break;
    case IMAGE_NEWER_THAN_DEVICE:
        device->state = mode == FLASH_MODE_DOWNGRADE ? DEV_IMAGE_NEWER : DEV_FLASH;
        break;
    }
}

void check_images_revision(BIN_FILE_INFO* info) {
    DEVICES_INFORMATION* devices = device_table(info);
    for (int i = 0; i < DEVICE_COUNT; ++i)
        check_img_revision(&devices[i]);
}
