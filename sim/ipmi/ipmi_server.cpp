#include "ipmi/ipmi_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <sys/time.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace sim {

namespace {

constexpr size_t kMaxClients = 16;

bool sendAll(int fd, const vmcodec::Bytes& b) {
    size_t off = 0;
    while (off < b.size()) {
        ssize_t n = send(fd, b.data() + off, b.size() - off, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        off += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

IpmiServer::IpmiServer(IpmiDispatcher& dispatcher) : dispatcher_(dispatcher) {}

IpmiServer::~IpmiServer() { stop(); }

bool IpmiServer::start(uint16_t port, std::string& error) {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listenFd_, 8) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0 || pipe2(wakeFd_, O_CLOEXEC) != 0) {
        error = "IPMI port " + std::to_string(port) + ": " + std::strerror(errno);
        stop();
        return false;
    }
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { run(); });
    return true;
}

void IpmiServer::stop() {
    if (thread_.joinable()) {
        char c = 'q';
        if (write(wakeFd_[1], &c, 1) < 0) {
        }
        thread_.join();
    }
    for (int* fd : {&listenFd_, &wakeFd_[0], &wakeFd_[1]}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

void IpmiServer::run() {
    std::map<int, vmcodec::Decoder> clients;
    uint8_t buf[1024];
    for (;;) {
        std::vector<pollfd> fds{{wakeFd_[0], POLLIN, 0}, {listenFd_, POLLIN, 0}};
        for (const auto& c : clients) fds.push_back({c.first, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents) break;
        if (fds[1].revents & POLLIN) {
            int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                timeval tv{2, 0}; // a client that stops reading must not stall the endpoint
                setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
                bool ok = clients.size() < kMaxClients &&
                          sendAll(fd, vmcodec::encodeControl({vmcodec::kCtlVersion, vmcodec::kProtocolVersion})) &&
                          sendAll(fd, vmcodec::encodeControl({vmcodec::kCtlNoAttention}));
                if (ok) clients[fd];
                else close(fd);
            }
        }
        for (size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            int fd = fds[i].fd;
            ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            bool keep = n > 0;
            if (keep) {
                std::vector<vmcodec::Frame> frames;
                clients[fd].feed(buf, static_cast<size_t>(n), frames);
                for (const vmcodec::Frame& f : frames) {
                    vmcodec::Request req;
                    if (!vmcodec::parseRequest(f, req)) continue; // control commands from the host
                    vmcodec::Response rsp;
                    if (dispatcher_.dispatch(req, rsp) && !sendAll(fd, vmcodec::encodeResponse(rsp))) {
                        keep = false;
                        break;
                    }
                }
            }
            if (!keep) {
                close(fd);
                clients.erase(fd);
            }
        }
    }
    for (const auto& c : clients) close(c.first);
}

} // namespace sim
