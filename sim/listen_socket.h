// A TCP listener on 127.0.0.1 whose accepts are bounded in time and can be stopped.
#pragma once

#include <atomic>
#include <string>

namespace sim {

class ListenSocket {
public:
    ListenSocket() = default;
    ~ListenSocket();
    ListenSocket(const ListenSocket&) = delete;
    ListenSocket& operator=(const ListenSocket&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port) and listens.
    bool open(int port, std::string& error);
    int port() const { return port_; }
    bool isOpen() const { return fd_ >= 0; }
    // An accepted descriptor, or -1 when nobody connected within ms or stop became set.
    int accept(int ms, const std::atomic<bool>& stop);
    void close();

private:
    int fd_ = -1;
    int port_ = 0;
};

} // namespace sim
