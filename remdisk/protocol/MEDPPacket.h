// Base of every MEDP message: the 12-byte packet header and the big-endian helpers.
//
// Header: "MEDP", packet length (signed 32-bit, header included), packet type (16-bit),
// disk id (16-bit). Every integer in MEDP is big-endian; fields are packed.
#pragma once

#include <string>

class MEDPPacket {
public:
    static constexpr int HEADER_SIZE = 12;

    // Message types; the high bit marks messages sent by the controller.
    enum Type {
        LOGIN = 0x0100,
        GET_VDISK_INFO = 0x0200,
        VDISK_REQUEST = 0x0210,
        VDISK_REQUEST2 = 0x0211,
        VDISK_RELEASE_CLIENT = 0x0220,
        READ_RESPONSE = 0x0300,
        HEARTBEAT = 0x0400,
        CLIENT_STATUS = 0x0410,
        LOGIN_RESPONSE = 0x8100,
        VDISK_INFO = 0x8200,
        VDISK_RELEASE_CONTROLLER = 0x8240,
        READ_REQUEST = 0x8300,
        VDISK_WRITE = 0x8310,
        DEVICE_STATUS = 0x8410,
    };

    // Thrown (as a C string) by decoders when the payload is too short for the fixed fields
    // the message carries.
    static const char* const SHORT_PAYLOAD;

    explicit MEDPPacket(int type);
    virtual ~MEDPPacket();
    MEDPPacket(const MEDPPacket&) = delete;
    MEDPPacket& operator=(const MEDPPacket&) = delete;

    // Short name of the message kind for trace lines.
    virtual std::string getDisplayMessage() = 0;
    // New buffer of exactly getPayloadLength() bytes (caller frees with delete[]), or null
    // when the message has no payload.
    virtual unsigned char* encodePayload() = 0;
    // Fills the object from a received packet; packetLength is the whole length from the
    // header and payload holds packetLength - 12 valid bytes.
    virtual void decode(unsigned char* header, unsigned char* payload, int packetLength);
    virtual int getPacketLength();
    virtual int getPayloadLength();
    // New 12-byte buffer (caller frees with delete[]).
    virtual unsigned char* encodeHeader();
    virtual void decodeHeader(unsigned char* header);

    int getPacketType() const { return packetType; }

    static unsigned char* encodeHeader(short type, int length);
    static void encodeShort(unsigned char* buf, int pos, short v);
    static void encodeInt(unsigned char* buf, int pos, int v);
    static void encodeString(unsigned char* buf, int pos, const char* s);
    static int decodeShort(const unsigned char* buf, int pos);
    static int decodeInt(const unsigned char* buf, int pos);

protected:
    // Refuses a received packet whose payload is shorter than needed bytes.
    static void requirePayload(int packetLength, int needed);
    // Header with the disk id in bytes 10-11, for the messages that name a disk.
    unsigned char* encodeHeaderWithDisk(int diskId);
    // New zero-filled payload buffer of getPayloadLength() bytes.
    unsigned char* newPayload();

    int packetType;
    int packetLength;
};
