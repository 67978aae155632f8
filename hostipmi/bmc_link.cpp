#include "bmc_link.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vmcodec {

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
    auto d = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return d < 0 ? 0 : static_cast<int>(d);
}

} // namespace

bool parseHostPort(const std::string& text, std::string& host, uint16_t& port) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size()) return false;
    std::string p = text.substr(colon + 1);
    if (p.size() > 5 || p.find_first_not_of("0123456789") != std::string::npos) return false;
    unsigned long v = std::stoul(p);
    if (v == 0 || v > 65535) return false;
    host = text.substr(0, colon);
    port = static_cast<uint16_t>(v);
    return true;
}

BmcLink::BmcLink(std::string host, uint16_t port, int connectTimeoutMs)
    : host_(std::move(host)), port_(port), connectTimeoutMs_(connectTimeoutMs) {}

BmcLink::~BmcLink() { close(); }

void BmcLink::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    decoder_ = Decoder();
}

bool BmcLink::connectLocked() {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* res = nullptr;
    std::string service = std::to_string(port_);
    int rc = getaddrinfo(host_.c_str(), service.c_str(), &hints, &res);
    if (rc != 0) {
        error_ = "cannot resolve " + host_ + ": " + gai_strerror(rc);
        return false;
    }
    auto deadline = Clock::now() + std::chrono::milliseconds(connectTimeoutMs_);
    error_ = "no address for " + host_;
    for (addrinfo* a = res; a != nullptr && fd_ < 0; a = a->ai_next) {
        int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) continue;
        int r = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (r != 0 && errno == EINPROGRESS) {
            pollfd pfd{fd, POLLOUT, 0};
            int err = 0;
            socklen_t len = sizeof err;
            if (poll(&pfd, 1, msLeft(deadline)) == 1 &&
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0)
                r = 0;
            else
                errno = err ? err : ETIMEDOUT;
        }
        if (r == 0) {
            int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            fd_ = fd;
        } else {
            error_ = "cannot connect to " + host_ + ":" + service + ": " + std::strerror(errno);
            ::close(fd);
        }
    }
    freeaddrinfo(res);
    if (fd_ < 0) return false;
    decoder_ = Decoder();
    // Announce ourselves as QEMU does: protocol version 1.
    return sendAll(encodeControl({kCtlVersion, kProtocolVersion}));
}

bool BmcLink::sendAll(const Bytes& b) {
    size_t off = 0;
    auto deadline = Clock::now() + std::chrono::milliseconds(connectTimeoutMs_);
    while (off < b.size()) {
        ssize_t n = send(fd_, b.data() + off, b.size() - off, MSG_NOSIGNAL);
        if (n > 0) {
            off += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd pfd{fd_, POLLOUT, 0};
            if (poll(&pfd, 1, msLeft(deadline)) == 1) continue;
        } else if (n < 0 && errno == EINTR) {
            continue;
        }
        error_ = "send to BMC failed";
        close();
        return false;
    }
    return true;
}

BmcLink::Result BmcLink::awaitResponse(const Request& req, Response& rsp, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<Frame> frames;
    uint8_t buf[512];
    for (;;) {
        pollfd pfd{fd_, POLLIN, 0};
        int pr = poll(&pfd, 1, msLeft(deadline));
        if (pr < 0 && errno == EINTR) continue;
        if (pr == 0) {
            error_ = "no reply from the BMC in time";
            return Result::Timeout;
        }
        ssize_t n = recv(fd_, buf, sizeof buf, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) {
            error_ = "the BMC closed the connection";
            close();
            return Result::Unreachable;
        }
        frames.clear();
        decoder_.feed(buf, static_cast<size_t>(n), frames);
        for (const Frame& f : frames) {
            Response r;
            if (!parseResponse(f, r)) continue; // control commands carry nothing for us
            if (r.seq == req.seq && r.netfn == (req.netfn | 1) && r.cmd == req.cmd) {
                rsp = std::move(r);
                return Result::Ok;
            }
        }
    }
}

BmcLink::Result BmcLink::transact(uint8_t netfn, uint8_t cmd, const Bytes& data, Response& rsp,
                                  int replyTimeoutMs) {
    std::lock_guard<std::mutex> lock(mu_);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (fd_ < 0 && !connectLocked()) return Result::Unreachable;
        Request req;
        req.seq = ++seq_;
        req.netfn = netfn;
        req.cmd = cmd;
        req.data = data;
        if (!sendAll(encodeRequest(req))) continue; // the link dropped: reconnect once
        Result r = awaitResponse(req, rsp, replyTimeoutMs);
        if (r != Result::Unreachable) return r;
    }
    return Result::Unreachable;
}

} // namespace vmcodec
