// A TCP client for a BMC that speaks the VM protocol: one connection, kept open between
// requests and reopened after a failure, with bounded connect and reply waits.
#pragma once

#include "vm_codec.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace vmcodec {

// Where the BMC listens: "host:port" from the environment variable VANTRO_BMC, else
// 127.0.0.1:9002 (ipmi_sim's usual VM port).
constexpr const char* kBmcEnv = "VANTRO_BMC";
constexpr const char* kDefaultBmc = "127.0.0.1:9002";

bool parseHostPort(const std::string& text, std::string& host, uint16_t& port);

class BmcLink {
public:
    enum class Result { Ok, Timeout, Unreachable };

    BmcLink(std::string host, uint16_t port, int connectTimeoutMs = 2000);
    ~BmcLink();
    BmcLink(const BmcLink&) = delete;
    BmcLink& operator=(const BmcLink&) = delete;

    // Sends one request and waits up to replyTimeoutMs for its response (matched by sequence
    // number, network function and command; anything else on the line is skipped).
    Result transact(uint8_t netfn, uint8_t cmd, const Bytes& data, Response& rsp, int replyTimeoutMs);
    const std::string& lastError() const { return error_; }
    void close();

private:
    bool connectLocked();
    bool sendAll(const Bytes& b);
    Result awaitResponse(const Request& req, Response& rsp, int timeoutMs);

    std::mutex mu_;
    std::string host_;
    uint16_t port_;
    int connectTimeoutMs_;
    int fd_ = -1;
    uint8_t seq_ = 0;
    Decoder decoder_;
    std::string error_;
};

} // namespace vmcodec
