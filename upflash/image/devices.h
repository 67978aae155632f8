// The records that carry a run's state: the image file and the flashable devices, with the
// matching of image to device and the version decision.
#pragma once

#include "image/image_header.h"

#include <cstdint>

enum DEVICE_STATE {
    DEV_INITIAL = 0,
    DEV_PRESENT = 1,
    DEV_FOUND = 2,
    DEV_IMAGE_MATCHED = 3,
    DEV_NO_RESPONSE = 4,
    DEV_FLASH = 5,
    DEV_SAME_VERSION = 6,
    DEV_IMAGE_NEWER = 7,
};

enum {
    DEVICE_COUNT = 1,             // the table holds the controller only
    DEVICE_TYPE_CONTROLLER = 1,
    DEFAULT_SLAVE_ADDRESS = 0x20,
    IMAGE_PATH_SIZE = 256,
};

#define DEFAULT_IMAGE_PATH "firmimg.v6"
#define CONTROLLER_DISPLAY_NAME "Vantro"

struct DEVICES_INFORMATION {
    uint8_t slaveAddress;
    uint16_t deviceType;
    int state;
    char displayName[40];
    uint8_t currentVersion[4];    // major, minor, revision high byte, revision low byte
    IMAGE_HEADER* image;
    uint8_t standbyVersion[4];    // same layout
    uint8_t bootloaderKnown;
    uint8_t bootloaderVersion[8];
};

extern DEVICES_INFORMATION devices_information[DEVICE_COUNT];

struct BIN_FILE_INFO {
    DEVICES_INFORMATION* devices;
    IMAGE_HEADER* header;
    char imagePath[IMAGE_PATH_SIZE];
};

// Module start and end: the device table in its initial state.
void image_constructor();
void image_destructor();

// A zeroed record with the default image path.
void bin_file_info_init(BIN_FILE_INFO* info);

// Reads and checks the image file's header and matches it to the device; a result code.
int get_image_file_info(BIN_FILE_INFO* info);

// Attaches the header to the first device found; 0, or 9 when no device matches.
int process_devices(BIN_FILE_INFO* info, int* cls, char* text);

// The version decision for one device whose image was matched.
void check_img_revision(DEVICES_INFORMATION* device);
void check_images_revision(BIN_FILE_INFO* info);

// The device's running revision, from its high and low bytes.
uint16_t device_revision(const uint8_t version[4]);
