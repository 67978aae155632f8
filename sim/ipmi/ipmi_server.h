// The simulated controller's IPMI endpoint: listens on 127.0.0.1 for clients speaking the VM
// protocol (as a host's BMC link would), greets each one with the control commands ipmi_sim
// sends (version 1, no attention) and answers requests through the dispatcher.
#pragma once

#include "ipmi/ipmi_dispatch.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace sim {

class IpmiServer {
public:
    explicit IpmiServer(IpmiDispatcher& dispatcher);
    ~IpmiServer();
    IpmiServer(const IpmiServer&) = delete;
    IpmiServer& operator=(const IpmiServer&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port) and starts serving.
    bool start(uint16_t port, std::string& error);
    uint16_t port() const { return port_; }
    void stop();

private:
    void run();

    IpmiDispatcher& dispatcher_;
    int listenFd_ = -1;
    int wakeFd_[2] = {-1, -1};
    uint16_t port_ = 0;
    std::thread thread_;
};

} // namespace sim
