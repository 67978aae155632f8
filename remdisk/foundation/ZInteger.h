// An int value with the big-endian integer helpers used by the socket and the protocol code.
#pragma once

#include <string>

class ZInteger {
public:
    explicit ZInteger(int value);
    virtual ~ZInteger();
    int getValue() const { return value; }

    // Reads an integer like the C "%i" conversion: decimal, 0x-prefixed hexadecimal or
    // 0-prefixed octal, with an optional sign. Throws NumberFormatException when the text
    // (or a null pointer) holds no number.
    static int parseInt(const char* text);

    std::string toString() const;
    static std::string toString(int value);

    // Signed 16- and 32-bit values at buf + pos, most significant byte first. No bounds
    // checks: the caller provides the room.
    static short decodeShort(const unsigned char* buf, int pos);
    static int decodeInt(const unsigned char* buf, int pos);
    static void encodeShort(unsigned char* buf, int pos, short value);
    static void encodeInt(unsigned char* buf, int pos, int value);

private:
    int value;
};
