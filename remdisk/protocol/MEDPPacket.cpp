#include "protocol/MEDPPacket.h"

#include <cstring>

const char* const MEDPPacket::SHORT_PAYLOAD = "MEDP packet too short for its message type.";

MEDPPacket::MEDPPacket(int type) : packetType(type), packetLength(0) {}

MEDPPacket::~MEDPPacket() = default;

void MEDPPacket::decode(unsigned char* header, unsigned char* payload, int length) {
    decodeHeader(header);
}

int MEDPPacket::getPacketLength() { return packetLength; }

int MEDPPacket::getPayloadLength() { return getPacketLength() - HEADER_SIZE; }

unsigned char* MEDPPacket::encodeHeader() {
    return encodeHeader(static_cast<short>(packetType), getPacketLength());
}

void MEDPPacket::decodeHeader(unsigned char* header) {
    packetType = decodeShort(header, 8);
    packetLength = decodeInt(header, 4);
}

unsigned char* MEDPPacket::encodeHeader(short type, int length) {
    unsigned char* buf = new unsigned char[HEADER_SIZE]();
    std::memcpy(buf, "MEDP", 4);
    encodeInt(buf, 4, length);
    encodeShort(buf, 8, type);
    if (static_cast<unsigned short>(type) == GET_VDISK_INFO) {
        buf[10] = 0xFF;
        buf[11] = 0xFF;
    }
    return buf;
}

unsigned char* MEDPPacket::encodeHeaderWithDisk(int diskId) {
    unsigned char* buf = MEDPPacket::encodeHeader();
    encodeShort(buf, 10, static_cast<short>(diskId));
    return buf;
}

unsigned char* MEDPPacket::newPayload() {
    int n = getPayloadLength();
    return n > 0 ? new unsigned char[n]() : nullptr;
}

void MEDPPacket::requirePayload(int length, int needed) {
    if (length - HEADER_SIZE < needed)
        throw SHORT_PAYLOAD;
}

void MEDPPacket::encodeShort(unsigned char* buf, int pos, short v) {
    unsigned short u = static_cast<unsigned short>(v);
    buf[pos] = static_cast<unsigned char>(u >> 8);
    buf[pos + 1] = static_cast<unsigned char>(u);
}

void MEDPPacket::encodeInt(unsigned char* buf, int pos, int v) {
    unsigned int u = static_cast<unsigned int>(v);
    buf[pos] = static_cast<unsigned char>(u >> 24);
    buf[pos + 1] = static_cast<unsigned char>(u >> 16);
    buf[pos + 2] = static_cast<unsigned char>(u >> 8);
    buf[pos + 3] = static_cast<unsigned char>(u);
}

void MEDPPacket::encodeString(unsigned char* buf, int pos, const char* s) {
    std::memcpy(buf + pos, s, std::strlen(s));
}

int MEDPPacket::decodeShort(const unsigned char* buf, int pos) {
    return (buf[pos] << 8) | buf[pos + 1];
}

int MEDPPacket::decodeInt(const unsigned char* buf, int pos) {
    unsigned int u = (static_cast<unsigned int>(buf[pos]) << 24) |
                     (static_cast<unsigned int>(buf[pos + 1]) << 16) |
                     (static_cast<unsigned int>(buf[pos + 2]) << 8) |
                     static_cast<unsigned int>(buf[pos + 3]);
    return static_cast<int>(u);
}
