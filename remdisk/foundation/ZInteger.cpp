#include "foundation/ZInteger.h"

#include <cstdint>
#include <cstdio>

#include "foundation/NumberFormatException.h"

ZInteger::ZInteger(int v) : value(v) {}

ZInteger::~ZInteger() = default;

int ZInteger::parseInt(const char* text) {
    int v = 0;
    if (!text || std::sscanf(text, "%i", &v) != 1)
        throw NumberFormatException("not a number: %s", text ? text : "(null)");
    return v;
}

std::string ZInteger::toString() const { return toString(value); }

std::string ZInteger::toString(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%i", v);
    return buf;
}

short ZInteger::decodeShort(const unsigned char* buf, int pos) {
    return static_cast<short>(static_cast<uint16_t>((buf[pos] << 8) | buf[pos + 1]));
}

int ZInteger::decodeInt(const unsigned char* buf, int pos) {
    uint32_t v = (uint32_t(buf[pos]) << 24) | (uint32_t(buf[pos + 1]) << 16) |
                 (uint32_t(buf[pos + 2]) << 8) | uint32_t(buf[pos + 3]);
    return static_cast<int32_t>(v);
}

void ZInteger::encodeShort(unsigned char* buf, int pos, short v) {
    uint16_t u = static_cast<uint16_t>(v);
    buf[pos] = static_cast<unsigned char>(u >> 8);
    buf[pos + 1] = static_cast<unsigned char>(u);
}

void ZInteger::encodeInt(unsigned char* buf, int pos, int v) {
    uint32_t u = static_cast<uint32_t>(v);
    buf[pos] = static_cast<unsigned char>(u >> 24);
    buf[pos + 1] = static_cast<unsigned char>(u >> 16);
    buf[pos + 2] = static_cast<unsigned char>(u >> 8);
    buf[pos + 3] = static_cast<unsigned char>(u);
}
