#include "listen_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

ListenSocket::~ListenSocket() { close(); }

bool ListenSocket::open(int port, std::string& error) {
    close();
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 16) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        close();
        return false;
    }
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    return true;
}

int ListenSocket::accept(int ms, const std::atomic<bool>& stop) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (fd_ >= 0 && !stop) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count();
        if (left <= 0) return -1;
        pollfd p{fd_, POLLIN, 0};
        int r = ::poll(&p, 1, static_cast<int>(left < 100 ? left : 100));
        if (r <= 0) continue;
        int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c >= 0) {
            // Requests are small and each one waits for its answer: send them at once.
            int one = 1;
            setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            return c;
        }
    }
    return -1;
}

void ListenSocket::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

} // namespace sim
