#include "memory_stream.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace rdtest {

std::vector<unsigned char> hex(const std::string& text) {
    std::vector<unsigned char> out;
    int nibble = -1;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            continue;
        int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::toupper(c) - 'A' + 10);
        if (nibble < 0) {
            nibble = v;
        } else {
            out.push_back(static_cast<unsigned char>(nibble << 4 | v));
            nibble = -1;
        }
    }
    if (nibble >= 0)
        throw std::invalid_argument("odd number of hex digits");
    return out;
}

std::string toHex(const unsigned char* data, size_t n) {
    std::string s;
    char b[3];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, "%02X", data[i]);
        s += b;
    }
    return s;
}

int MemoryInputStream::read(unsigned char* buf, int offset, int len) {
    size_t n = std::min(remaining(), static_cast<size_t>(std::max(len, 0)));
    if (n == 0)
        return 0;
    std::memcpy(buf + offset, bytes.data() + pos, n);
    pos += n;
    return static_cast<int>(n);
}

int MemoryInputStream::readFully(unsigned char* buf, int offset, int len) {
    if (len < 0)
        return -1;
    if (remaining() < static_cast<size_t>(len)) {
        read(buf, offset, static_cast<int>(remaining()));
        return -1;
    }
    return read(buf, offset, len);
}

int MemoryInputStream::readInt(int& v) {
    unsigned char b[4];
    if (readFully(b, 0, 4) == -1)
        return -1;
    v = static_cast<int>((unsigned(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3]);
    return 4;
}

int MemoryInputStream::readShort(short& v) {
    unsigned char b[2];
    if (readFully(b, 0, 2) == -1)
        return -1;
    v = static_cast<short>((b[0] << 8) | b[1]);
    return 2;
}

int MemoryInputStream::readByte(unsigned char& v) {
    return readFully(&v, 0, 1);
}

}  // namespace rdtest
