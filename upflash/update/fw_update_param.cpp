#include "update/fw_update_param.h"

#include <cstring>

FW_UPDATE_PARAM gFwUpdParam;

void fw_update_constructor() { std::memset(&gFwUpdParam, 0, sizeof gFwUpdParam); }

void fw_update_destructor() {}

void set_rollbackMode(uint8_t on) { gFwUpdParam.rollbackMode = on; }

uint8_t get_rollbackMode() { return gFwUpdParam.rollbackMode; }

void set_ClearPSMode(uint8_t on) { gFwUpdParam.clearPSMode = on; }

uint8_t get_ClearPSMode() { return gFwUpdParam.clearPSMode; }

uint8_t get_USBDeviceMinSize() { return gFwUpdParam.imageSizeMiB; }
