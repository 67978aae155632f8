#include "protocol/PacketReceiver.h"

#include <cstring>

#include "foundation/ZTrace.h"
#include "protocol/ClientStatusMessage.h"
#include "protocol/DeviceStatus.h"
#include "protocol/GetVDiskInfo.h"
#include "protocol/Heartbeat.h"
#include "protocol/LoginMessage.h"
#include "protocol/LoginResponse.h"
#include "protocol/ReadRequest.h"
#include "protocol/ReadResponse.h"
#include "protocol/VDiskInfo.h"
#include "protocol/VDiskRelease.h"
#include "protocol/VDiskRequest.h"
#include "protocol/VDiskRequest2.h"
#include "protocol/VDiskWrite.h"

namespace {
const char* const RECEIVE = "PacketReceiver::receive";
const int INITIAL_CAPACITY = 1024;
}  // namespace

PacketReceiver::PacketReceiver(bool clientMessages, int limit)
    : header(), headerSize(MEDPPacket::HEADER_SIZE), payload(new unsigned char[INITIAL_CAPACITY]()),
      payloadCapacity(INITIAL_CAPACITY), acceptClientMessages(clientMessages), maxPayload(limit) {}

PacketReceiver::~PacketReceiver() {
    ZTRACE(0, "%s destructor called\n", "PacketReceiver::~PacketReceiver");
    delete[] payload;
}

MEDPPacket* PacketReceiver::receive(ZInputStream& in) {
    ZTRACE(9, "%s reading next packet header.\n", RECEIVE);
    if (in.readFully(header, 0, headerSize) == -1) {
        ZTRACE(0, "%s Socket Closed by peer.\n", RECEIVE);
        throw "Socket Closed by peer.";
    }
    if (std::memcmp(header, "MEDP", 4) != 0) {
        ZTRACE(0, "%s Bad magic string while reading MEDP packet.\n", RECEIVE);
        throw "Bad magic string while reading MEDP packet.";
    }
    int type = MEDPPacket::decodeShort(header, 8);
    int length = MEDPPacket::decodeInt(header, 4);
    ZTRACE(9, "%s MEDP Packet (0x%x) length=%i\n", RECEIVE, type, length);

    // A length below the header size cannot be framed: the stream is out of step.
    if (length < MEDPPacket::HEADER_SIZE) {
        ZTRACE(0, "%s Bad packet length %i while reading MEDP packet.\n", RECEIVE, length);
        throw "Bad packet length while reading MEDP packet.";
    }
    int payloadLength = length - MEDPPacket::HEADER_SIZE;
    if (payloadLength > payloadCapacity) {
        if (payloadLength > maxPayload)
            throw length;
        // Grows to exactly the size needed and never shrinks.
        unsigned char* grown = new unsigned char[payloadLength]();
        delete[] payload;
        payload = grown;
        payloadCapacity = payloadLength;
    }
    if (payloadLength > 0 && in.readFully(payload, 0, payloadLength) == -1) {
        ZTRACE(0, "%s Socket Closed by peer.\n", RECEIVE);
        throw "Socket Closed by peer.";
    }

    MEDPPacket* message = createPacket(type);
    if (message) {
        try {
            message->decode(header, payload, length);
        } catch (...) {
            delete message;
            throw;
        }
    }
    return message;
}

MEDPPacket* PacketReceiver::createPacket(int type) {
    MEDPPacket* p = acceptClientMessages ? createClientPacket(type) : createControllerPacket(type);
    if (!p)
            ZTRACE(0, "%s Unknown message type: (0x%x)\n", "PacketReceiver::createPacket", type);
    return p;
}

MEDPPacket* PacketReceiver::createControllerPacket(int type) {
    switch (type) {
    case MEDPPacket::LOGIN_RESPONSE: return new LoginResponse();
    case MEDPPacket::VDISK_INFO: return new VDiskInfo();
    case MEDPPacket::VDISK_RELEASE_CONTROLLER: return new VDiskRelease(type);
    case MEDPPacket::READ_REQUEST: return new ReadRequest();
    case MEDPPacket::VDISK_WRITE: return new VDiskWrite();
    case MEDPPacket::DEVICE_STATUS: return new DeviceStatus();
    default: return nullptr;
    }
}

MEDPPacket* PacketReceiver::createClientPacket(int type) {
    switch (type) {
    case MEDPPacket::LOGIN: return new LoginMessage();
    case MEDPPacket::GET_VDISK_INFO: return new GetVDiskInfo();
    case MEDPPacket::VDISK_REQUEST: return new VDiskRequest();
    case MEDPPacket::VDISK_REQUEST2: return new VDiskRequest2();
    case MEDPPacket::VDISK_RELEASE_CLIENT: return new VDiskRelease(type);
    case MEDPPacket::READ_RESPONSE: return new ReadResponse();
    case MEDPPacket::HEARTBEAT: return new Heartbeat();
    case MEDPPacket::CLIENT_STATUS: return new ClientStatusMessage();
    default: return nullptr;
    }
}
