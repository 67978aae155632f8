// One packet of read data sent back to the controller (0x0300).
#pragma once

#include "protocol/BlockDataMessage.h"

class ReadResponse : public BlockDataMessage {
public:
    ReadResponse() : BlockDataMessage(READ_RESPONSE) {}

    std::string getDisplayMessage() override { return "Read Response"; }

    void setRemoteDistId(int v) { remoteDiskId = v; }  // the disk id
    // Copies length bytes from buffer + start (nothing for a null buffer or length <= 0).
    void setData(const unsigned char* buffer, int start, int length) {
        assignData(buffer ? buffer + start : nullptr, length);
    }
    const unsigned char* getData() const { return data.data(); }
    static int getFLAG_READONLY() { return 1; }
};
