// In-memory ZInputStream for codec and receiver tests: serves a fixed byte string and then
// reports the end of the stream like a socket whose peer has closed.
#pragma once

#include <string>
#include <vector>

#include "foundation/ZInputStream.h"

namespace rdtest {

std::vector<unsigned char> hex(const std::string& text);  // "4D 45 44 50" -> bytes
std::string toHex(const unsigned char* data, size_t n);    // bytes -> "4D454450"

class MemoryInputStream : public ZInputStream {
public:
    explicit MemoryInputStream(std::vector<unsigned char> data) : bytes(std::move(data)) {}
    int read(unsigned char* buf, int offset, int len) override;
    int readInt(int& v) override;
    int readShort(short& v) override;
    int readByte(unsigned char& v) override;
    int readFully(unsigned char* buf, int offset, int len) override;
    size_t position() const { return pos; }
    size_t remaining() const { return bytes.size() - pos; }

private:
    std::vector<unsigned char> bytes;
    size_t pos = 0;
};

}  // namespace rdtest
