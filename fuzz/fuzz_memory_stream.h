// ZInputStream over the fuzzer's bytes; ends like a closed connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "foundation/ZInputStream.h"

class FuzzInputStream : public ZInputStream {
public:
    FuzzInputStream(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    int read(unsigned char* buf, int offset, int len) override {
        if (len <= 0)
            return 0;
        size_t n = size_ - pos_ < static_cast<size_t>(len) ? size_ - pos_ : static_cast<size_t>(len);
        if (n == 0)
            return 0;
        std::memcpy(buf + offset, data_ + pos_, n);
        pos_ += n;
        return static_cast<int>(n);
    }
    int readFully(unsigned char* buf, int offset, int len) override {
        if (len < 0 || size_ - pos_ < static_cast<size_t>(len))
            return -1;
        return read(buf, offset, len);
    }
    int readInt(int& v) override {
        unsigned char b[4];
        if (readFully(b, 0, 4) == -1)
            return -1;
        v = static_cast<int>((uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3]);
        return 4;
    }
    int readShort(short& v) override {
        unsigned char b[2];
        if (readFully(b, 0, 2) == -1)
            return -1;
        v = static_cast<short>((b[0] << 8) | b[1]);
        return 2;
    }
    int readByte(unsigned char& v) override { return readFully(&v, 0, 1); }
    bool atEnd() const { return pos_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};
