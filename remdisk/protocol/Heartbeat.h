// Client keep-alive (0x0400): header only.
#pragma once

#include "protocol/MEDPPacket.h"

class Heartbeat : public MEDPPacket {
public:
    Heartbeat() : MEDPPacket(HEARTBEAT) {}
    std::string getDisplayMessage() override { return "Heartbeat"; }
    int getPacketLength() override { return HEADER_SIZE; }
    unsigned char* encodePayload() override { return nullptr; }
};
