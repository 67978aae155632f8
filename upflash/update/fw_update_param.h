// Run state of an update: rollback mode, clearing of private storage and the image size.
#pragma once

#include <cstdint>

struct FW_UPDATE_PARAM {
    uint8_t rollbackMode;
    uint8_t clearPSMode;
    uint8_t imageSizeMiB;
};

extern FW_UPDATE_PARAM gFwUpdParam;

void fw_update_constructor();
void fw_update_destructor();

void set_rollbackMode(uint8_t on);
uint8_t get_rollbackMode();
void set_ClearPSMode(uint8_t on);
uint8_t get_ClearPSMode();
// The image size in MiB, the smallest virtual USB device the image fits on.
uint8_t get_USBDeviceMinSize();
