#include "protocol/DeviceStatus.h"

const char* DeviceStatus::statusText(int code) {
    static const char* const texts[] = {
        "",
        "Command not supported",
        "Read failed",
        "Write failed",
        "USB not connected",
        "Drive already attached",
        "Drive disabled",
        "Unknown configuration option",
        "Request failed",
        "Unknown cause",
    };
    if (code >= 0 && code <= 9)
        return texts[code];
    return "Unspecified error.";
}
