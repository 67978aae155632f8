// A small scripted virtual media client for driving vantro-sim in tests, built from the
// client's own protocol classes: set-up exchange, login, disk list, map requests, and then
// serving the simulator's reads and writes from in-memory media until it releases them.
// Behaviour switches let a test play a faulty client.
#pragma once

#include "foundation/ZSocket.h"
#include "protocol/MEDPPacket.h"
#include "protocol/PacketReceiver.h"
#include "protocol/ReadRequest.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace simtest {

struct Medium {
    bool cd = false;
    int blockSize = 2048;
    std::vector<uint8_t> data;
    bool writable = false;
    int diskId = -1;   // set when mapped
    bool mapped = false;
};

struct Behaviour {
    std::string user = "vmuser";
    std::string password = "pw";
    bool loginWithRandom = false;   // send the controller's random data instead of the password
    bool heartbeatAfterLogin = true;
    long corruptByte = -1;          // serve this byte of the first medium changed
    bool advanceOffsets = false;    // a naive client: each response packet carries its own offset
    bool ignoreWrites = false;      // answer writes with status 0 but keep the data
    int pastEndStatus = 7;          // status for a read beyond the medium
    int mapDiskOffset = 0;          // add this to the disk id of every map request
    int closeAfterReads = -1;       // close the connection after serving this many read requests
    int closeAfterReleases = -1;    // close the connection after this many releases
};

struct ScriptLog {
    int loginStatus = -1;
    std::vector<int> diskTypes, diskStatus;
    std::vector<int> requestBlocks;  // block count of every read request
    std::vector<int> maxBlocks;      // maximum blocks per packet of every read request
    std::vector<int> released;       // disk ids released by the simulator
    int writes = 0;
    std::vector<int> deviceStatus;
    bool closedBySimulator = false;
    std::string error;
};

class ScriptClient {
public:
    ~ScriptClient();
    // The set-up exchange on 127.0.0.1:port offering caps; TLS when granted. False with
    // log.error when no usable connection came out of it.
    bool connect(int port, int caps = 4);
    // The whole client side; media are served until all are released or the simulator
    // closes. Returns the log.
    ScriptLog run(std::vector<Medium>& media, const Behaviour& b);
    void close();
    bool tls() const { return tls_; }
    const std::vector<uint8_t>& controllerRandom() const { return random_; }
    ScriptLog& log() { return log_; }

private:
    // Queues the packet's bytes; flush() writes everything queued in one write, so a read's
    // responses and status never wait on the peer's delayed acknowledgement.
    void send(MEDPPacket& p);
    void flush();
    std::unique_ptr<MEDPPacket> receive();
    void serveRead(std::vector<Medium>& media, ReadRequest& rq, const Behaviour& b);

    PacketReceiver receiver_;
    std::vector<unsigned char> pending_;
    ZSocket* socket_ = nullptr;
    bool tls_ = false;
    std::vector<uint8_t> random_;
    ScriptLog log_;
};

// Deterministic pseudo-random content.
std::vector<uint8_t> testContent(size_t n, uint32_t seed);
std::string sha256Hex(const std::vector<uint8_t>& data);

} // namespace simtest
