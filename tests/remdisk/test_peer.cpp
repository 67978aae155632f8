#include "test_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>
#include <chrono>
#include <mutex>
#include <stdexcept>

namespace rdtest {

namespace {

struct Credentials {
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
};

const Credentials& credentials() {
    static Credentials c = [] {
        Credentials made;
        made.key = EVP_EC_gen("P-256");
        made.cert = X509_new();
        if (!made.key || !made.cert)
            throw std::runtime_error("test certificate: key generation failed");
        X509_set_version(made.cert, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(made.cert), 1);
        X509_gmtime_adj(X509_getm_notBefore(made.cert), -3600);
        X509_gmtime_adj(X509_getm_notAfter(made.cert), 24 * 3600);
        X509_set_pubkey(made.cert, made.key);
        X509_NAME* name = X509_get_subject_name(made.cert);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("vantro-test"), -1, -1, 0);
        X509_set_issuer_name(made.cert, name);
        if (!X509_sign(made.cert, made.key, EVP_sha256()))
            throw std::runtime_error("test certificate: signing failed");
        return made;
    }();
    return c;
}

void setIoLimit(int fd, int ms) {
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

}  // namespace

SSL_CTX* newServerTlsContext() {
    const Credentials& c = credentials();
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (!ctx || SSL_CTX_use_certificate(ctx, c.cert) != 1 || SSL_CTX_use_PrivateKey(ctx, c.key) != 1)
        throw std::runtime_error("test TLS context");
    return ctx;
}

int refusedPort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);  // bound but never listening: nothing accepts on this port now
    return ntohs(a.sin_port);
}

// ---- PeerConnection ---------------------------------------------------------------------

PeerConnection::~PeerConnection() { close(); }

void PeerConnection::close() {
    if (ssl_) {
        SSL_free(ssl_);
        ssl_ = nullptr;
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool PeerConnection::startTls() {
    ssl_ = SSL_new(ctx_);
    SSL_set_fd(ssl_, fd_);
    if (SSL_accept(ssl_) != 1) {
        ERR_clear_error();
        return false;
    }
    return true;
}

int PeerConnection::readSome(void* buf, size_t n) {
    if (fd_ < 0)
        return -1;
    if (ssl_) {
        int r = SSL_read(ssl_, buf, static_cast<int>(n));
        if (r > 0)
            return r;
        int e = SSL_get_error(ssl_, r);
        ERR_clear_error();
        return e == SSL_ERROR_ZERO_RETURN || e == SSL_ERROR_SYSCALL || e == SSL_ERROR_SSL ? 0 : -1;
    }
    ssize_t r = recv(fd_, buf, n, 0);
    return static_cast<int>(r);
}

bool PeerConnection::readExact(void* buf, size_t n) {
    size_t got = 0;
    while (got < n) {
        int r = readSome(static_cast<char*>(buf) + got, n - got);
        if (r <= 0)
            return false;
        got += r;
    }
    return true;
}

std::vector<unsigned char> PeerConnection::readExact(size_t n) {
    std::vector<unsigned char> v(n);
    if (!readExact(v.data(), n))
        v.clear();
    return v;
}

bool PeerConnection::writeAll(const void* buf, size_t n) {
    const char* p = static_cast<const char*>(buf);
    size_t sent = 0;
    while (sent < n) {
        int r;
        if (ssl_)
            r = SSL_write(ssl_, p + sent, static_cast<int>(n - sent));
        else
            r = static_cast<int>(send(fd_, p + sent, n - sent, MSG_NOSIGNAL));
        if (r <= 0) {
            ERR_clear_error();
            return false;
        }
        sent += r;
    }
    return true;
}

// ---- TestServer -------------------------------------------------------------------------

TestServer::TestServer(Handler handler, bool tls, int maxConnections)
    : handler_(std::move(handler)), tls_(tls), maxConnections_(maxConnections) {
    // The peer's OpenSSL writes with write(); a client that has gone must not kill the
    // test program.
    std::signal(SIGPIPE, SIG_IGN);
    ctx_ = newServerTlsContext();
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listenFd_, 8) != 0)
        throw std::runtime_error("test server: cannot listen");
    socklen_t len = sizeof a;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { serve(); });
}

TestServer::~TestServer() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    ::close(listenFd_);
    SSL_CTX_free(ctx_);
}

void TestServer::serve() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(IO_LIMIT_MS);
    for (int i = 0; i < maxConnections_ && !stop_; ) {
        if (std::chrono::steady_clock::now() > deadline)
            break;
        pollfd p{listenFd_, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        int fd = accept(listenFd_, nullptr, nullptr);
        if (fd < 0)
            continue;
        ++i;
        accepted_++;
        setIoLimit(fd, IO_LIMIT_MS);
        PeerConnection conn(fd, ctx_);
        if (tls_ && !conn.startTls())
            continue;
        handler_(conn);
        deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(IO_LIMIT_MS);
    }
    done_ = true;
}

bool TestServer::waitDone(int ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done_) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace rdtest
