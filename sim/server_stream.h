// The simulator's end of one accepted connection, plain or TLS, as the blocking streams the
// MEDP packet classes read and write. Every wait is bounded by a deadline the caller sets
// and ends early when the stop flag becomes set, so a silent peer never hangs a session.
#pragma once

#include "foundation/ZInputStream.h"
#include "foundation/ZOutputStream.h"

#include <openssl/ssl.h>

#include <atomic>
#include <chrono>
#include <string>

namespace sim {

class ServerStream : public ZInputStream, public ZOutputStream {
public:
    using Clock = std::chrono::steady_clock;

    // Takes ownership of fd; stop may be null.
    ServerStream(int fd, const std::atomic<bool>* stop);
    ~ServerStream() override;
    ServerStream(const ServerStream&) = delete;
    ServerStream& operator=(const ServerStream&) = delete;

    // Reads and writes give up at this point in time.
    void setDeadline(Clock::time_point t) { deadline_ = t; }
    void setTimeLimitMs(long ms) { deadline_ = Clock::now() + std::chrono::milliseconds(ms); }
    bool timedOut() const { return timedOut_; }

    // TLS server handshake within the deadline.
    bool startTls(SSL_CTX* ctx, std::string& error);
    bool tls() const { return ssl_ != nullptr; }
    std::string cipher() const;

    // ZInputStream: read returns the byte count, 0 at end of stream, -1 on an error or when
    // the deadline passed (timedOut() then tells which).
    int read(unsigned char* buf, int offset, int len) override;
    int readInt(int& v) override;
    int readShort(short& v) override;
    int readByte(unsigned char& v) override;
    int readFully(unsigned char* buf, int offset, int len) override;

    // ZOutputStream: write sends everything (one TLS write, so one record for up to 16 KiB)
    // and returns len, or -1.
    int write(const unsigned char* buf, int len) override;
    int writeInt(int v) override;
    int writeString(const unsigned char* s) override;
    void flush() override {}
    // Sends the TLS closing alert (best effort) and closes the descriptor.
    void close() override;

    // True when the peer has closed its end or the connection failed, waiting at most ms
    // (data that arrives meanwhile is read and dropped).
    bool peerClosedWithin(long ms);

private:
    enum class Wait { READ, WRITE };
    bool waitFor(Wait w);

    int fd_;
    const std::atomic<bool>* stop_;
    SSL* ssl_ = nullptr;
    Clock::time_point deadline_;
    bool timedOut_ = false;
};

} // namespace sim
