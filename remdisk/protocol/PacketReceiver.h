// Reads one MEDP packet at a time from a stream and turns it into its message object.
#pragma once

#include "foundation/ZInputStream.h"
#include "protocol/MEDPPacket.h"

class PacketReceiver {
public:
    // Largest payload accepted by default; a longer one ends receive() with an int
    // exception carrying the packet length.
    static constexpr int MAX_PAYLOAD = 0x7FFF;

    // The client receives controller messages. The controller side (the simulator) passes
    // true to receive client messages instead, and may raise the payload limit.
    explicit PacketReceiver(bool acceptClientMessages = false, int maxPayload = MAX_PAYLOAD);
    virtual ~PacketReceiver();
    PacketReceiver(const PacketReceiver&) = delete;
    PacketReceiver& operator=(const PacketReceiver&) = delete;

    // The next message (caller owns it), or null for a message type this side does not know
    // (its payload is consumed). Throws the C strings "Socket Closed by peer.",
    // "Bad magic string while reading MEDP packet.", "Bad packet length while reading MEDP
    // packet." (length field below 12), a decoder's refusal of a short payload, and an int
    // (the packet length) for a payload above the limit.
    MEDPPacket* receive(ZInputStream& in);
    // New empty message of the class registered for type on this side, or null.
    MEDPPacket* createPacket(int type);

    int getPayloadCapacity() const { return payloadCapacity; }

private:
    MEDPPacket* createControllerPacket(int type);
    MEDPPacket* createClientPacket(int type);

    unsigned char header[MEDPPacket::HEADER_SIZE];
    int headerSize;
    unsigned char* payload;
    int payloadCapacity;
    bool acceptClientMessages;
    int maxPayload;
};
