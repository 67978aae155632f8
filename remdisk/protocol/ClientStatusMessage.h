// The client's status for a request on a virtual disk (0x0410).
#pragma once

#include "protocol/DiskStatusMessage.h"

class ClientStatusMessage : public DiskStatusMessage {
public:
    ClientStatusMessage() : DiskStatusMessage(CLIENT_STATUS, 0, 0) {}
    ClientStatusMessage(int diskId, int status) : DiskStatusMessage(CLIENT_STATUS, diskId, status) {}

    std::string getDisplayMessage() override { return "Client Status"; }
};
