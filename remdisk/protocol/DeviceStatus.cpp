#include "protocol/DeviceStatus.h"

unsigned char* DeviceStatus::encodePayload() {
    unsigned char* buf = newPayload();
    encodeInt(buf, 0, status);
    return buf;
}

void DeviceStatus::decode(unsigned char* header, unsigned char* payload, int length) {
    MEDPPacket::decode(header, payload, length);
    requirePayload(length, PACKET_LENGTH - HEADER_SIZE);
    remoteDiskId = decodeShort(header, 10);
    status = decodeInt(payload, 0);
}

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
