// Client request for the controller's virtual disk list (0x0200): header only, with
// 0xFFFF in the disk id field.
#pragma once

#include "protocol/MEDPPacket.h"

class GetVDiskInfo : public MEDPPacket {
public:
    GetVDiskInfo() : MEDPPacket(GET_VDISK_INFO) {}
    std::string getDisplayMessage() override { return "Get VDisk Info"; }
    int getPacketLength() override { return HEADER_SIZE; }
    unsigned char* encodePayload() override { return nullptr; }
};
