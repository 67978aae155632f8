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
    // A packet in two pieces, with the effect of write(head, headLen) followed by
    // write(body, bodyLen) (no body when it is null or bodyLen <= 0): the total written, or
    // -1 once a piece fails. Streams that can hand both pieces to the network together
    // override it.
    virtual int writeParts(const unsigned char* head, int headLen, const unsigned char* body,
                           int bodyLen) {
        int n = write(head, headLen);
        if (n < 0 || !body || bodyLen <= 0)
            return n;
        int m = write(body, bodyLen);
        return m < 0 ? -1 : n + m;
    }
    virtual void close() = 0;
};
