// Abstract byte output. Writes are not buffered; they return the byte count written or -1.
#pragma once

class ZOutputStream {
public:
    virtual ~ZOutputStream() = default;
    virtual int write(const unsigned char* buf, int len) = 0;
    // Big-endian 32-bit value.
    virtual int writeInt(int v) = 0;
    // The characters of a NUL-terminated text, without the terminator.
    virtual int writeString(const unsigned char* s) = 0;
    virtual void flush() = 0;
    virtual void close() = 0;
};
