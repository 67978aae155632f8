// Scripted test peers for the socket, connection-setup and session tests: a TCP listener on
// 127.0.0.1 (ephemeral port) whose accepted connections are handled by a test-supplied
// function on a server thread, with TLS from a self-signed certificate made at run time.
// Every wait is bounded, so a broken client can fail a test but never hang it.
#pragma once

#include <openssl/ssl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace rdtest {

// Server context with a fresh self-signed EC certificate (made once per process).
SSL_CTX* newServerTlsContext();

// A port on 127.0.0.1 where nothing listens (connecting is refused).
int refusedPort();

// One accepted connection, plain until startTls(). Reads and writes block for at most
// the server's I/O limit.
class PeerConnection {
public:
    PeerConnection(int fd, SSL_CTX* ctx) : fd_(fd), ctx_(ctx) {}
    ~PeerConnection();
    PeerConnection(const PeerConnection&) = delete;
    PeerConnection& operator=(const PeerConnection&) = delete;

    // Exactly n bytes; false when the client closed, failed or was too slow.
    bool readExact(void* buf, size_t n);
    std::vector<unsigned char> readExact(size_t n);  // empty on failure
    // Up to n bytes in one receive; 0 at end of stream, -1 on failure.
    int readSome(void* buf, size_t n);
    bool writeAll(const void* buf, size_t n);
    bool writeAll(const std::vector<unsigned char>& bytes) { return writeAll(bytes.data(), bytes.size()); }
    // TLS server handshake on this connection.
    bool startTls();
    // Closes at once (no TLS closing alert).
    void close();
    bool tls() const { return ssl_ != nullptr; }

private:
    int fd_;
    SSL_CTX* ctx_;
    SSL* ssl_ = nullptr;
};

class TestServer {
public:
    using Handler = std::function<void(PeerConnection&)>;

    // Accepts up to maxConnections connections one after another and runs handler on each;
    // with tls the handshake is done before handler runs.
    explicit TestServer(Handler handler, bool tls = false, int maxConnections = 1);
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    int port() const { return port_; }
    // Waits until every handler has returned (or the server gave up); false on time-out.
    bool waitDone(int ms = 10000);
    int accepted() const { return accepted_.load(); }

    static constexpr int IO_LIMIT_MS = 10000;

private:
    void serve();

    Handler handler_;
    bool tls_;
    int maxConnections_;
    int listenFd_ = -1;
    int port_ = 0;
    SSL_CTX* ctx_ = nullptr;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<int> accepted_{0};
    std::thread thread_;
};

}  // namespace rdtest
