// The controller's web server, as far as the virtual media client uses it: HTTPS GET
// "/data/templogin" on 127.0.0.1, served one connection at a time on its own thread.
#pragma once

#include "http/credential_response.h"
#include "listen_socket.h"

#include <openssl/ssl.h>

#include <atomic>
#include <string>
#include <thread>

namespace sim {

class CredentialServer {
public:
    explicit CredentialServer(const CredentialConfig& config);
    ~CredentialServer();
    CredentialServer(const CredentialServer&) = delete;
    CredentialServer& operator=(const CredentialServer&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port) and starts serving; vmPort is the value
    // of the "vport" element unless the configuration names one.
    bool start(int port, int vmPort, std::string& error);
    int port() const { return listener_.port(); }
    void stop();
    // Requests answered so far (any status).
    int served() const { return served_.load(); }

    static constexpr int IO_LIMIT_MS = 10000;

private:
    void run();
    void serveOne(int fd);

    CredentialConfig config_;
    int vmPort_ = 0;
    SSL_CTX* ctx_ = nullptr;
    ListenSocket listener_;
    std::atomic<bool> stop_{false};
    std::atomic<int> served_{0};
    std::thread thread_;
};

} // namespace sim
