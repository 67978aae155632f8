// Abstract blocking byte input. Reads return -1 when the stream has ended or failed.
#pragma once

class ZInputStream {
public:
    virtual ~ZInputStream() = default;
    // One receive of up to len bytes into buf + offset: the byte count, 0 at end of stream,
    // -1 on error.
    virtual int read(unsigned char* buf, int offset, int len) = 0;
    // Big-endian integers; -1 (and v unchanged) when the stream ended or failed.
    virtual int readInt(int& v) = 0;
    virtual int readShort(short& v) = 0;
    virtual int readByte(unsigned char& v) = 0;
    // Exactly len bytes into buf + offset, or -1 when the stream ends or fails first.
    virtual int readFully(unsigned char* buf, int offset, int len) = 0;
};
