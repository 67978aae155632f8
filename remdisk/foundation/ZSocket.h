// Blocking IPv4 TCP client connection that can be switched to TLS after connecting.
//
// One receive thread may read while one send thread writes (the virtual media session does
// exactly that); everything else is single-threaded. See ZSocket.cpp for how TLS keeps
// that safe.
#pragma once

#include <netinet/in.h>
#include <openssl/ssl.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "foundation/ZComponentLog.h"
#include "foundation/ZInputStream.h"
#include "foundation/ZOutputStream.h"

class ZLog;

class ZSocket : public ZOutputStream, public ZInputStream {
public:
    // Values of getSocketState().
    enum State { CONNECTING = 0, CONNECTED = 1, PEER_CLOSED = 3, CONNECT_FAILED = 4, IO_ERROR = 5 };

    // Prepares TLS and connects; every failure is thrown as a C string ("Failed to open
    // socket\n", "could not connect to host", "Unable to connect.", "Can't get SSL
    // context"). Unless silent, prints the connecting lines.
    ZSocket(const char* host, int port, bool silent);
    // The same, not silent, reporting failures differently: a socket that cannot be created
    // is reported on standard error and the constructor returns with an unusable socket
    // (state 4); lookup and connect failures print the system error before the throw.
    ZSocket(const char* host, int port);
    // Adopts an accepted descriptor (state 1, no TLS context).
    ZSocket(int fd, const sockaddr_in& peer);
    // Shares the descriptor, byte order, address and state; no TLS.
    ZSocket(const ZSocket& other);
    ZSocket& operator=(const ZSocket&) = delete;
    // Releases the TLS objects; the descriptor is closed only by close().
    ~ZSocket() override;

    // ZOutputStream. Each does nothing (and returns -1) unless connected. A failed write
    // sets state 5 and prints "Socket write failed" with the system error.
    int write(const unsigned char* buf, int len) override;
    int writeInt(int v) override;
    int writeString(const unsigned char* s) override;
    void flush() override;
    // With TLS the header and the start of the body share one record, and all records of
    // the call leave in as few system calls as possible; the bytes are those of two writes.
    int writeParts(const unsigned char* head, int headLen, const unsigned char* body,
                   int bodyLen) override;
    // Closes the descriptor, then (with TLS) resets and shuts down the TLS session. The
    // state stays as it was, so a later write fails with state 5.
    void close() override;
    virtual int writeByte(unsigned char b);
    virtual int writeShort(int v);

    // ZInputStream.
    int read(unsigned char* buf, int offset, int len) override;
    int readInt(int& v) override;
    int readShort(short& v) override;
    int readByte(unsigned char& v) override;
    // Returns -1 when the peer closes first (state 3) or on an error (state 5).
    int readFully(unsigned char* buf, int offset, int len) override;

    ZSocket& operator<<(const unsigned char* s);
    ZSocket& operator<<(const char* s);

    void setLog(ZLog& base);
    void setSilent(bool s) { silent = s; }
    int getSocketState() const { return state.load(); }
    // Routes reads, writes and close through TLS when true.
    void setSSLConnection(bool on) { useTls.store(on); }
    bool isOpen() const { return fd.load() > 0; }
    // Ends both directions of the connection without releasing the descriptor: a read
    // blocked in another thread returns at once with the end of the stream.
    void shutdownConnection();
    // Sends small writes at once instead of holding them for the peer's acknowledgement: a
    // packet header followed by its payload must not wait for a delayed ACK.
    void setNoDelay(bool on);

    void SSLSetup();
    // TLS client handshake on the connected descriptor; returns true on success, throws
    // "SSL Connection error" on failure (OpenSSL's errors are appended to "sslError.log").
    bool sslConnect();
    void ssl_error(const char* text);
    static int verify_callback(int ok, X509_STORE_CTX* store);

private:
    ZSocket(const char* host, int port, bool silent, bool throwAlways);
    void connectTo(const char* host, int port, bool throwAlways);
    void releaseTls();
    int plainWrite(const unsigned char* buf, int len);
    // TLS transfers: bytes moved (> 0), 0 at a clean or unannounced end of stream, -1 on
    // an error (errno set).
    int tlsRead(unsigned char* buf, int len);
    int tlsWrite(const unsigned char* buf, int len);
    // Hands buf to TLS; the records may stay in outBuf until flushOut().
    int tlsSend(const unsigned char* buf, int len);
    // Sends what outBuf holds, waiting for room as needed: 0 when done, -1 on an error.
    int flushOut();
    // One non-blocking attempt (under sslLock): 1 when outBuf is empty, 0 when the kernel
    // has no room, -1 on an error (errno set).
    int drainOut();
    template <class Op> int sslCall(Op op);
    void appendSslErrors();

    static BIO_METHOD* bioMethod();
    static int bioWrite(BIO* bio, const char* data, int len);
    static int bioRead(BIO* bio, char* data, int len);
    static long bioCtrl(BIO* bio, int cmd, long num, void* ptr);

    std::atomic<int> fd;
    int networkOrder;
    sockaddr_in peer;
    ZComponentLog log;
    std::atomic<int> state;
    bool silent;
    SSL* ssl;
    SSL_CTX* sslContext;
    std::atomic<bool> handshakeDone;
    std::atomic<bool> useTls;
    // Guards every call on ssl (see ZSocket.cpp).
    std::mutex sslLock;
    bool closed;  // under sslLock
    // Encrypted records written by OpenSSL during tlsSend and not yet sent (under sslLock):
    // collecting them turns a packet's records into one send() instead of one each.
    std::vector<unsigned char> outBuf;
    size_t outSent = 0;      // bytes of outBuf already sent
    bool gathering = false;  // set while tlsSend is inside SSL_write
    // Header plus first body bytes of writeParts (used by the one writing thread only).
    std::vector<unsigned char> partsBuf;
};
