#include "server_stream.h"

#include <openssl/err.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

ServerStream::ServerStream(int fd, const std::atomic<bool>* stop)
    : fd_(fd), stop_(stop), deadline_(Clock::now() + std::chrono::seconds(30)) {
    int flags = fcntl(fd_, F_GETFL);
    if (flags >= 0) fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
}

ServerStream::~ServerStream() { close(); }

bool ServerStream::waitFor(Wait w) {
    for (;;) {
        if (stop_ && *stop_) return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
        if (left <= 0) {
            timedOut_ = true;
            return false;
        }
        pollfd p{fd_, static_cast<short>(w == Wait::READ ? POLLIN : POLLOUT), 0};
        int r = ::poll(&p, 1, static_cast<int>(left < 100 ? left : 100));
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return false;
    }
}

bool ServerStream::startTls(SSL_CTX* ctx, std::string& error) {
    ssl_ = SSL_new(ctx);
    if (!ssl_ || SSL_set_fd(ssl_, fd_) != 1) {
        error = "TLS: cannot create the session";
        return false;
    }
    for (;;) {
        int r = SSL_accept(ssl_);
        if (r == 1) return true;
        int e = SSL_get_error(ssl_, r);
        if ((e == SSL_ERROR_WANT_READ && waitFor(Wait::READ)) || (e == SSL_ERROR_WANT_WRITE && waitFor(Wait::WRITE)))
            continue;
        char text[256] = "";
        unsigned long code = ERR_get_error();
        if (code) ERR_error_string_n(code, text, sizeof text);
        ERR_clear_error();
        error = timedOut_ ? "TLS handshake timed out" : std::string("TLS handshake failed") + (code ? std::string(": ") + text : "");
        SSL_free(ssl_);
        ssl_ = nullptr;
        return false;
    }
}

std::string ServerStream::cipher() const { return ssl_ ? SSL_get_cipher_name(ssl_) : "none"; }

int ServerStream::read(unsigned char* buf, int offset, int len) {
    if (fd_ < 0 || len <= 0) return -1;
    for (;;) {
        if (ssl_) {
            int r = SSL_read(ssl_, buf + offset, len);
            if (r > 0) return r;
            int e = SSL_get_error(ssl_, r);
            if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
                if (!waitFor(e == SSL_ERROR_WANT_READ ? Wait::READ : Wait::WRITE)) return -1;
                continue;
            }
            ERR_clear_error();
            return e == SSL_ERROR_ZERO_RETURN || e == SSL_ERROR_SYSCALL ? 0 : -1;
        }
        ssize_t r = ::recv(fd_, buf + offset, static_cast<size_t>(len), 0);
        if (r >= 0) return static_cast<int>(r);
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            if (!waitFor(Wait::READ)) return -1;
            continue;
        }
        return errno == ECONNRESET ? 0 : -1;
    }
}

int ServerStream::readFully(unsigned char* buf, int offset, int len) {
    int got = 0;
    while (got < len) {
        int r = read(buf, offset + got, len - got);
        if (r <= 0) return -1;
        got += r;
    }
    return got;
}

int ServerStream::readInt(int& v) {
    unsigned char b[4];
    if (readFully(b, 0, 4) < 0) return -1;
    v = static_cast<int>((uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3]);
    return 4;
}

int ServerStream::readShort(short& v) {
    unsigned char b[2];
    if (readFully(b, 0, 2) < 0) return -1;
    v = static_cast<short>((b[0] << 8) | b[1]);
    return 2;
}

int ServerStream::readByte(unsigned char& v) { return readFully(&v, 0, 1) < 0 ? -1 : 1; }

int ServerStream::write(const unsigned char* buf, int len) {
    if (fd_ < 0) return -1;
    int sent = 0;
    while (sent < len) {
        if (ssl_) {
            int r = SSL_write(ssl_, buf + sent, len - sent);
            if (r > 0) {
                sent += r;
                continue;
            }
            int e = SSL_get_error(ssl_, r);
            if ((e == SSL_ERROR_WANT_WRITE && waitFor(Wait::WRITE)) || (e == SSL_ERROR_WANT_READ && waitFor(Wait::READ)))
                continue;
            ERR_clear_error();
            return -1;
        }
        ssize_t r = ::send(fd_, buf + sent, static_cast<size_t>(len - sent), MSG_NOSIGNAL);
        if (r > 0) {
            sent += static_cast<int>(r);
        } else if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!waitFor(Wait::WRITE)) return -1;
        } else {
            return -1;
        }
    }
    return len;
}

int ServerStream::writeInt(int v) {
    unsigned char b[4] = {static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
                          static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    return write(b, 4);
}

int ServerStream::writeString(const unsigned char* s) {
    return write(s, static_cast<int>(std::strlen(reinterpret_cast<const char*>(s))));
}

bool ServerStream::peerClosedWithin(long ms) {
    setTimeLimitMs(ms);
    unsigned char sink[4096];
    for (;;) {
        int r = read(sink, 0, sizeof sink);
        if (r == 0) return true;
        if (r < 0) return !timedOut_;
    }
}

void ServerStream::close() {
    if (ssl_) {
        SSL_shutdown(ssl_);  // one closing alert; the descriptor is non-blocking, so no wait
        ERR_clear_error();
        SSL_free(ssl_);
        ssl_ = nullptr;
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

} // namespace sim
