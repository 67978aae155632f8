#include "foundation/ZSocket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <algorithm>

#include "foundation/ZInteger.h"

// TLS and threads
// ---------------
// In a session the receive thread reads this socket while the send thread writes it. On a
// plain connection that is fine: the kernel handles concurrent recv and send. OpenSSL 3
// does not allow two threads inside calls on one SSL object at the same time, though, so
// every SSL call (handshake, read, write, shutdown) runs under sslLock.
//
// A reader must not sit inside SSL_read holding that lock while it waits for the
// controller, or the writer would stall behind it. So the TLS layer talks to the
// descriptor through our own BIO, which never blocks (MSG_DONTWAIT) and never raises
// SIGPIPE (MSG_NOSIGNAL). When OpenSSL wants more input or room for output it returns
// WANT_READ / WANT_WRITE; the caller then drops the lock, waits in poll() and tries again.
// The wait is bounded (POLL_SLICE_MS) and then retried, so data that the other thread's
// call happened to pull into OpenSSL's buffers is never left waiting for more network
// input.
//
// Fewer system calls on the read path: OpenSSL reads ahead (one recv() takes whatever has
// arrived, not a record header and then its body), and while tlsSend is inside SSL_write
// the BIO collects the encrypted records in outBuf instead of sending each one; the write
// then sends them together (flushOut). Any other BIO write first drains outBuf, so the
// byte order on the wire never changes.

namespace {

const int POLL_SLICE_MS = 200;
// Encrypted bytes collected before they must go out: a few full records.
const size_t OUT_LIMIT = 64 * 1024;
// The largest plaintext of one TLS record.
const int MAX_RECORD = 16 * 1024;

void waitFor(int fd, short events) {
    if (fd < 0)
        return;
    pollfd p{fd, events, 0};
    ::poll(&p, 1, POLL_SLICE_MS);  // EINTR and time-outs simply lead to another attempt
}

// An end of the TCP stream without a TLS closing alert. Peers (and our own close()) do
// that; it counts as the peer closing, not as an error.
bool unannouncedEof() {
    unsigned long e = ERR_peek_error();
    return ERR_GET_LIB(e) == ERR_LIB_SSL && ERR_GET_REASON(e) == SSL_R_UNEXPECTED_EOF_WHILE_READING;
}

}  // namespace

ZSocket::ZSocket(const char* host, int port, bool silentMode) : ZSocket(host, port, silentMode, true) {}

ZSocket::ZSocket(const char* host, int port) : ZSocket(host, port, false, false) {}

ZSocket::ZSocket(const char* host, int port, bool silentMode, bool throwAlways)
    : fd(-1), networkOrder(1), peer(), log("ZSocket"), state(CONNECTING), silent(silentMode),
      ssl(nullptr), sslContext(nullptr), handshakeDone(false), useTls(false), closed(false) {
    SSLSetup();
    try {
        connectTo(host, port, throwAlways);
    } catch (...) {
        // The destructor does not run for a failed constructor.
        releaseTls();
        throw;
    }
}

ZSocket::ZSocket(int acceptedFd, const sockaddr_in& address)
    : fd(acceptedFd), networkOrder(1), peer(address), log("ZSocket"), state(CONNECTED),
      silent(false), ssl(nullptr), sslContext(nullptr), handshakeDone(false), useTls(false),
      closed(false) {}

ZSocket::ZSocket(const ZSocket& other)
    : ZOutputStream(), ZInputStream(), fd(other.fd.load()), networkOrder(other.networkOrder),
      peer(other.peer), log(other.log), state(other.state.load()), silent(other.silent),
      ssl(nullptr), sslContext(nullptr), handshakeDone(false), useTls(false), closed(false) {}

ZSocket::~ZSocket() { releaseTls(); }

void ZSocket::releaseTls() {
    if (ssl)
        SSL_free(ssl);  // also frees our BIO
    ssl = nullptr;
    if (sslContext)
        SSL_CTX_free(sslContext);
    sslContext = nullptr;
}

void ZSocket::connectTo(const char* host, int port, bool throwAlways) {
    state = CONNECTING;
    networkOrder = 1;
    std::memset(&peer, 0, sizeof peer);

    int s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s >= 0) {
        int one = 1;
        ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    }
    if (s < 0) {
        state = CONNECT_FAILED;
        if (throwAlways)
            throw "Failed to open socket\n";
        std::perror("Failed to open socket\n");
        return;
    }
    fd = s;
    if (!silent) {
        std::printf("       connecting...\n");
        std::fflush(stdout);
    }

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = host ? ::getaddrinfo(host, nullptr, &hints, &found) : EAI_NONAME;
    if (rc != 0 || !found) {
        if (!throwAlways)
            std::fprintf(stderr, "host info not found: %s\n", gai_strerror(rc));
        ::close(s);
        fd = -1;
        throw "could not connect to host";
    }
    peer = *reinterpret_cast<sockaddr_in*>(found->ai_addr);
    ::freeaddrinfo(found);
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
        state = CONNECT_FAILED;
        if (!throwAlways)
            std::perror("Unable to connect socket");
        ::close(s);
        fd = -1;
        throw "Unable to connect.";
    }
    state = CONNECTED;
    if (!silent) {
        std::printf("  Successful connection to %s\n", host);
        std::fflush(stdout);
    }
}

// ---- TLS set-up -------------------------------------------------------------------------

void ZSocket::appendSslErrors() {
    if (FILE* f = std::fopen("sslError.log", "a+")) {
        ERR_print_errors_fp(f);
        std::fclose(f);
    }
    ERR_clear_error();
}

void ZSocket::SSLSetup() {
    SSL_library_init();
    SSL_load_error_strings();
    sslContext = SSL_CTX_new(SSLv23_client_method());
    if (!sslContext) {
        // Render the error for the console before the queue goes to the log file.
        ssl_error("Can't get SSL context");
        appendSslErrors();
        throw "Can't get SSL context";
    }
    SSL_CTX_set_mode(sslContext, SSL_MODE_ENABLE_PARTIAL_WRITE);
    SSL_CTX_set_cipher_list(sslContext, "ALL");
    SSL_CTX_set_options(sslContext, SSL_OP_ALL);
    // The controller's certificate is not verified and cannot fail the handshake.
    SSL_CTX_set_verify(sslContext, SSL_VERIFY_NONE, verify_callback);
}

int ZSocket::verify_callback(int ok, X509_STORE_CTX*) { return ok; }

void ZSocket::ssl_error(const char* text) {
    char rendered[1024] = "";
    unsigned long code = ERR_peek_error();
    if (code)
        ERR_error_string_n(code, rendered, sizeof rendered);
    if (rendered[0])
        std::printf("%s - %s\n", text, rendered);
    else
        std::printf("%s\n", text);
}

BIO_METHOD* ZSocket::bioMethod() {
    // Created once and kept for the life of the process, like OpenSSL's own methods.
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "ZSocket");
        if (m) {
            BIO_meth_set_write(m, bioWrite);
            BIO_meth_set_read(m, bioRead);
            BIO_meth_set_ctrl(m, bioCtrl);
        }
        return m;
    }();
    return method;
}

// The BIO reads the descriptor from its socket on every call (always under sslLock), so
// after close() it can never touch a descriptor number that has since been reused.
int ZSocket::bioWrite(BIO* bio, const char* data, int len) {
    auto* self = static_cast<ZSocket*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    if (len <= 0)
        return 0;
    const size_t ulen = static_cast<size_t>(len);
    if (self->gathering && (self->outBuf.size() - self->outSent) + ulen > OUT_LIMIT) {
        if (self->drainOut() < 0)
            return -1;
    }
    if (self->gathering && (self->outBuf.size() - self->outSent) + ulen <= OUT_LIMIT) {
        if (self->outSent > 0 && self->outSent == self->outBuf.size()) {
            self->outBuf.clear();
            self->outSent = 0;
        }
        self->outBuf.insert(self->outBuf.end(), data, data + len);
        return len;
    }
    // Sent directly, but only behind what is still collected.
    int drained = self->drainOut();
    if (drained <= 0) {
        if (drained == 0)
            BIO_set_retry_write(bio);
        return -1;
    }
    ssize_t n;
    do {
        n = ::send(self->fd.load(), data, len, MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        BIO_set_retry_write(bio);
    return static_cast<int>(n);
}

int ZSocket::bioRead(BIO* bio, char* data, int len) {
    auto* self = static_cast<ZSocket*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    ssize_t n;
    do {
        n = ::recv(self->fd.load(), data, len, MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        BIO_set_retry_read(bio);
    return static_cast<int>(n);
}

long ZSocket::bioCtrl(BIO* bio, int cmd, long, void*) {
    if (cmd != BIO_CTRL_FLUSH)
        return 0;
    BIO_clear_retry_flags(bio);
    int drained = static_cast<ZSocket*>(BIO_get_data(bio))->drainOut();
    if (drained == 0)
        BIO_set_retry_write(bio);
    return drained > 0 ? 1 : -1;
}

int ZSocket::drainOut() {
    while (outSent < outBuf.size()) {
        ssize_t n = ::send(fd.load(), outBuf.data() + outSent, outBuf.size() - outSent,
                           MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
        outSent += static_cast<size_t>(n);
    }
    outBuf.clear();
    outSent = 0;
    return 1;
}

int ZSocket::flushOut() {
    for (;;) {
        int waitFd;
        {
            std::lock_guard<std::mutex> hold(sslLock);
            if (!ssl || closed) {
                errno = EBADF;
                return -1;
            }
            int drained = drainOut();
            if (drained != 0)
                return drained > 0 ? 0 : -1;
            waitFd = fd.load();
        }
        waitFor(waitFd, POLLOUT);
    }
}

template <class Op>
int ZSocket::sslCall(Op op) {
    for (;;) {
        int error;
        int waitFd;
        {
            std::lock_guard<std::mutex> hold(sslLock);
            if (!ssl || closed) {
                errno = EBADF;
                return -1;
            }
            ERR_clear_error();
            errno = 0;
            int r = op(ssl);
            if (r > 0)
                return r;
            error = SSL_get_error(ssl, r);
            if (error == SSL_ERROR_ZERO_RETURN || (error == SSL_ERROR_SYSCALL && r == 0 && errno == 0) ||
                (error == SSL_ERROR_SSL && unannouncedEof())) {
                return 0;  // the queue keeps the cause for a failed handshake's log
            }
            if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
                if (errno == 0)
                    errno = EPROTO;
                return -1;
            }
            waitFd = fd.load();
        }
        waitFor(waitFd, error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT);
    }
}

bool ZSocket::sslConnect() {
    {
        std::lock_guard<std::mutex> hold(sslLock);
        if (ssl)
            SSL_free(ssl);
        ssl = sslContext ? SSL_new(sslContext) : nullptr;
        if (!ssl) {
            appendSslErrors();
            throw "SSL Connection error";
        }
        if (!silent)
            std::printf("SSL Initialized\n");
        SSL_clear(ssl);
        SSL_set_read_ahead(ssl, 1);
        BIO* bio = BIO_new(bioMethod());
        if (!bio) {
            appendSslErrors();
            throw "SSL Connection error";
        }
        BIO_set_data(bio, this);
        BIO_set_init(bio, 1);
        SSL_set_bio(ssl, bio, bio);
        if (!silent)
            std::printf("SSL Start handshake\n");
    }
    if (sslCall([](SSL* s) { return SSL_connect(s); }) != 1) {
        appendSslErrors();
        throw "SSL Connection error";
    }
    handshakeDone = true;
    if (!silent)
        std::printf("SSL Handshake Completed\n");
    return handshakeDone;
}

int ZSocket::tlsRead(unsigned char* buf, int len) {
    return sslCall([buf, len](SSL* s) { return SSL_read(s, buf, len); });
}

int ZSocket::tlsWrite(const unsigned char* buf, int len) {
    if (tlsSend(buf, len) < 0)
        return -1;
    return flushOut() < 0 ? -1 : len;
}

// With partial writes enabled one SSL_write carries at most one TLS record; keep going
// until the whole buffer is out. After WANT_WRITE the retry uses the same arguments, as
// OpenSSL requires.
int ZSocket::tlsSend(const unsigned char* buf, int len) {
    int sent = 0;
    while (sent < len) {
        const unsigned char* p = buf + sent;
        int rest = len - sent;
        int n = sslCall([this, p, rest](SSL* s) {
            gathering = true;
            int r = SSL_write(s, p, rest);
            gathering = false;
            return r;
        });
        if (n <= 0) {
            if (n == 0)
                errno = EPIPE;
            return -1;
        }
        sent += n;
    }
    return sent;
}

// ---- writing ------------------------------------------------------------------------------

int ZSocket::plainWrite(const unsigned char* buf, int len) {
    int sent = 0;
    while (sent < len) {
        ssize_t n = ::send(fd.load(), buf + sent, len - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        sent += static_cast<int>(n);
    }
    return sent;
}

int ZSocket::write(const unsigned char* buf, int len) {
    if (state != CONNECTED)
        return -1;
    log.logTrace("ZSocket: write( %x, %i )\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(buf)), len);
    if (len <= 0)
        return 0;
    int n = useTls ? tlsWrite(buf, len) : plainWrite(buf, len);
    if (n < 0) {
        state = IO_ERROR;
        std::perror("Socket write failed");
    }
    return n;
}

int ZSocket::writeByte(unsigned char b) {
    if (state != CONNECTED)
        return -1;
    log.logTrace("ZSocket: write( %x, %i )\n", b, 1);
    int n = useTls ? tlsWrite(&b, 1) : plainWrite(&b, 1);
    if (n < 0) {
        state = IO_ERROR;
        std::perror("Socket write failed");
    }
    return n;
}

int ZSocket::writeInt(int v) {
    if (state != CONNECTED)
        return -1;
    log.logTrace("ZSocket: writeInt( %i )\n", v);
    unsigned char b[4];
    ZInteger::encodeInt(b, 0, v);
    return write(b, 4);
}

int ZSocket::writeShort(int v) {
    if (state != CONNECTED)
        return -1;
    log.logTrace("ZSocket: writeShort( %i )\n", v);
    unsigned char b[2];
    ZInteger::encodeShort(b, 0, static_cast<short>(v));
    return write(b, 2);
}

int ZSocket::writeString(const unsigned char* s) {
    if (!s || state != CONNECTED)
        return -1;
    log.logTrace("ZSocket: writeString( %s )\n", reinterpret_cast<const char*>(s));
    return write(s, static_cast<int>(std::strlen(reinterpret_cast<const char*>(s))));
}

ZSocket& ZSocket::operator<<(const unsigned char* s) {
    writeString(s);
    return *this;
}

ZSocket& ZSocket::operator<<(const char* s) {
    writeString(reinterpret_cast<const unsigned char*>(s));
    return *this;
}

void ZSocket::flush() {}  // writes are not buffered

int ZSocket::writeParts(const unsigned char* head, int headLen, const unsigned char* body,
                        int bodyLen) {
    if (!useTls || headLen <= 0 || headLen >= MAX_RECORD || !body || bodyLen <= 0)
        return ZOutputStream::writeParts(head, headLen, body, bodyLen);
    if (state != CONNECTED)
        return -1;
    log.logTrace("ZSocket: write( %x, %i )\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(head)), headLen);
    log.logTrace("ZSocket: write( %x, %i )\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(body)), bodyLen);
    // The header travels in the first record with as much of the body as fits: a small
    // copy, where a record of its own would cost a record and a send.
    const int first = std::min(bodyLen, MAX_RECORD - headLen);
    partsBuf.assign(head, head + headLen);
    partsBuf.insert(partsBuf.end(), body, body + first);
    int n = tlsSend(partsBuf.data(), static_cast<int>(partsBuf.size()));
    if (n >= 0 && first < bodyLen)
        n = tlsSend(body + first, bodyLen - first);
    if (n >= 0)
        n = flushOut();
    if (n < 0) {
        state = IO_ERROR;
        std::perror("Socket write failed");
        return -1;
    }
    return headLen + bodyLen;
}

// ---- reading ------------------------------------------------------------------------------

int ZSocket::read(unsigned char* buf, int offset, int len) {
    if (state != CONNECTED)
        return 0;
    log.logTrace(" read( %x, %i, %i )\n", static_cast<unsigned>(reinterpret_cast<uintptr_t>(buf)), offset, len);
    if (len <= 0)
        return 0;
    int n;
    if (useTls) {
        n = tlsRead(buf + offset, len);
    } else {
        ssize_t r;
        do {
            r = ::recv(fd.load(), buf + offset, len, 0);
        } while (r < 0 && errno == EINTR);
        n = static_cast<int>(r);
    }
    if (n == -1) {
        state = IO_ERROR;
        std::perror("Socket recv failed");
    }
    log.logTrace("ZSocket:    read %i bytes\n", n);
    return n;
}

int ZSocket::readFully(unsigned char* buf, int offset, int len) {
    if (state != CONNECTED)
        return -1;
    int received = 0;
    while (received < len) {
        log.logTrace("ZSocket:    about to read from socket\n");
        int n;
        if (useTls) {
            n = tlsRead(buf + offset + received, len - received);
        } else {
            ssize_t r = ::recv(fd.load(), buf + offset + received, len - received, MSG_WAITALL);
            if (r < 0 && errno == EINTR)
                continue;  // interrupted before anything arrived: try again
            n = static_cast<int>(r);
        }
        log.logTrace("ZSocket:    read returned %i, %i bytes have been read.\n", n, received);
        if (n < 0) {
            state = IO_ERROR;
            log.logTrace(" Socket receive failed.\n");
            std::perror("Socket recv failed");
            return -1;
        }
        if (n == 0) {
            state = PEER_CLOSED;
            log.logTrace(" Connection closed by peer.");
            return -1;
        }
        received += n;
    }
    log.logTrace("ZSocket:    read %i bytes\n", received);
    return received;
}

int ZSocket::readInt(int& v) {
    unsigned char b[4];
    int n = readFully(b, 0, 4);
    if (n == -1)
        return -1;
    v = ZInteger::decodeInt(b, 0);
    log.logTrace("ZSocket:    read int value = %i\n", v);
    return n;
}

int ZSocket::readShort(short& v) {
    unsigned char b[2];
    int n = readFully(b, 0, 2);
    if (n == -1)
        return -1;
    v = ZInteger::decodeShort(b, 0);
    log.logTrace("ZSocket:    read short value = %i\n", v);
    return n;
}

int ZSocket::readByte(unsigned char& v) {
    unsigned char b;
    int n = readFully(&b, 0, 1);
    if (n == -1)
        return -1;
    v = b;
    log.logTrace("ZSocket:    read byte value = %i\n", v);
    return n;
}

// ---- closing ------------------------------------------------------------------------------

void ZSocket::shutdownConnection() {
    int s = fd.load();
    if (s >= 0)
        ::shutdown(s, SHUT_RDWR);
}

void ZSocket::setNoDelay(bool on) {
    int s = fd.load();
    int value = on ? 1 : 0;
    if (s >= 0)
        ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value);
}

void ZSocket::close() {
    std::lock_guard<std::mutex> hold(sslLock);
    int s = fd.exchange(-1);
    if (s >= 0) {
        // Wakes a read blocked in another thread before the descriptor goes away.
        ::shutdown(s, SHUT_RDWR);
        ::close(s);
    }
    closed = true;
    outBuf.clear();
    outSent = 0;
    if (useTls && ssl) {
        // The descriptor is already gone, so no closing alert reaches the peer.
        SSL_clear(ssl);
        SSL_shutdown(ssl);
        ERR_clear_error();
    }
    handshakeDone = false;
}

void ZSocket::setLog(ZLog& base) { log.setBaseLog(base); }
