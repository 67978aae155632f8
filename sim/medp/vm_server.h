// The controller's virtual media service on 127.0.0.1: each connection runs the set-up
// exchange (HSHK), optionally moves to a second port, switches to TLS when granted, and
// then runs one MEDP session through the scenario. Sessions are served one at a time on
// the server's own thread; each ends with one summary line per drive and a verdict line.
#pragma once

#include "hshk/hshk_exchange.h"
#include "listen_socket.h"
#include "medp/medp_controller.h"
#include "medp/scenario.h"

#include <openssl/ssl.h>

#include <atomic>
#include <string>
#include <thread>

namespace sim {

class VmServer {
public:
    VmServer(const HshkConfig& hshk, const ScenarioConfig& scenario, bool once);
    ~VmServer();
    VmServer(const VmServer&) = delete;
    VmServer& operator=(const VmServer&) = delete;

    // Binds 127.0.0.1:port (and the session port when one is configured; 0 picks free
    // ports) and starts serving.
    bool start(int port, std::string& error);
    int port() const { return listener_.port(); }
    int sessionPort() const { return sessionListener_.isOpen() ? sessionListener_.port() : -1; }
    void stop();

    // With once: set after the first session, whose result then holds.
    bool finished() const { return finished_.load(); }
    int sessions() const { return sessions_.load(); }
    int failedSessions() const { return failed_.load(); }
    bool lastCompleted() const { return lastCompleted_.load(); }

private:
    void run();
    SessionResult serve(int fd);

    HshkConfig hshk_;
    ScenarioConfig scenario_;
    bool once_;
    SSL_CTX* ctx_ = nullptr;
    ListenSocket listener_;
    ListenSocket sessionListener_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::atomic<int> sessions_{0};
    std::atomic<int> failed_{0};
    std::atomic<bool> lastCompleted_{false};
    std::thread thread_;
};

} // namespace sim
