// Controller's status report on a virtual disk (0x8410).
#pragma once

#include "protocol/DiskStatusMessage.h"

class DeviceStatus : public DiskStatusMessage {
public:
    DeviceStatus() : DiskStatusMessage(DEVICE_STATUS, 0, 0) {}

    std::string getDisplayMessage() override { return "Device Status"; }

    // Text for a status code: "" for 0, "Unspecified error." outside 1..9.
    static const char* statusText(int code);
};
