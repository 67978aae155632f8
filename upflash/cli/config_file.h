// The waiting times and retry count, with their defaults and the reader of "upflash.cfg".
#pragma once

#include <cstddef>
#include <cstdint>

#define CONFIG_FILE_NAME "upflash.cfg"

struct CONFIG_TYPE {
    uint16_t fwUpdateWaitingTime;     // seconds, "FwUpdateWaitingTime"
    uint16_t vantroRebootWaitingTime; // seconds, "VantroRebootWaitingTime"
    uint16_t usbDeviceSearchingTime;  // seconds, "USBDeviceSearchingTime"
    uint8_t ipmiCommandRetryTimes;    // count, "IPMICommandRetryTimes"
};

extern CONFIG_TYPE gConfig;

void initial_config();

// Defaults, then what "upflash.cfg" in the current directory sets. 0 read, 1 missing or
// unreadable, 3 no memory; the defaults stay for everything not read.
int ReadConfigFile();

// Applies the settings of a configuration text (any bytes, any length) to cfg.
void parse_config_text(const char* text, size_t length, CONFIG_TYPE* cfg);
