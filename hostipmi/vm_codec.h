// The external-BMC "VM" serial protocol, as QEMU and OpenIPMI's ipmi_sim speak it over TCP.
// A message ends with A0h, a control command with A1h; the bytes A0h, A1h and AAh inside a
// frame travel as AAh followed by the byte ORed with 10h. A message is
//   request:  seq, (netfn << 2) | lun, cmd, data..., checksum
//   response: seq, (netfn << 2) | lun, cmd, completion code, data..., checksum
// with the checksum making the byte sum of the whole message zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vmcodec {

constexpr uint8_t kMessageEnd = 0xA0;
constexpr uint8_t kControlEnd = 0xA1;
constexpr uint8_t kEscape = 0xAA;

// Control commands.
constexpr uint8_t kCtlNoAttention = 0x00;
constexpr uint8_t kCtlAttention = 0x01;
constexpr uint8_t kCtlCapabilities = 0x08;
constexpr uint8_t kCtlVersion = 0xFF;
constexpr uint8_t kProtocolVersion = 1;

// Longest frame accepted (unescaped); longer ones are dropped as garbage.
constexpr size_t kMaxFrame = 1024;

using Bytes = std::vector<uint8_t>;

uint8_t checksum(const uint8_t* p, size_t n);

// Escapes body and appends the terminator; a message also gets its checksum first.
Bytes encodeMessage(const Bytes& body);
Bytes encodeControl(const Bytes& body);

struct Frame {
    bool control = false;
    Bytes bytes; // unescaped; for a message the checksum is verified and removed
};

// Splits a byte stream into frames. Broken frames (bad checksum, too short, too long, a
// dangling escape) are dropped and counted; decoding resumes after the next terminator.
class Decoder {
public:
    void feed(const uint8_t* p, size_t n, std::vector<Frame>& out);
    size_t errors() const { return errors_; }

private:
    void finish(bool control, std::vector<Frame>& out);
    Bytes buf_;
    bool escaped_ = false;
    bool overflow_ = false;
    size_t errors_ = 0;
};

struct Request {
    uint8_t seq = 0;
    uint8_t netfn = 0;
    uint8_t lun = 0;
    uint8_t cmd = 0;
    Bytes data;
};

struct Response {
    uint8_t seq = 0;
    uint8_t netfn = 0; // the response network function (request netfn + 1)
    uint8_t lun = 0;
    uint8_t cmd = 0;
    uint8_t cc = 0;
    Bytes data;
};

Bytes encodeRequest(const Request& r);
Bytes encodeResponse(const Response& r);
// False when the frame is a control command or too short to be one.
bool parseRequest(const Frame& f, Request& r);
bool parseResponse(const Frame& f, Response& r);

} // namespace vmcodec
