// A scripted controller for the session tests: answers the HSHK set-up (TLS or plain), then
// hands the connection to the test, which receives the client's MEDP packets and sends its
// own. Every wait is bounded by the test server's I/O limit.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/ZInputStream.h"
#include "protocol/MEDPPacket.h"
#include "protocol/PacketReceiver.h"
#include "test_peer.h"

namespace rdtest {

// ZInputStream over a test peer connection.
class PeerStream : public ZInputStream {
public:
    PeerConnection* connection = nullptr;
    int read(unsigned char* buf, int offset, int len) override;
    int readInt(int& v) override;
    int readShort(short& v) override;
    int readByte(unsigned char& v) override;
    int readFully(unsigned char* buf, int offset, int len) override;
};

class ScriptedController {
public:
    // capabilities as granted in the set-up answer (4: TLS, 1: plain, 0: none).
    explicit ScriptedController(int capabilities = 4, int randomLength = 32);
    ~ScriptedController();

    int port() const { return server->port(); }
    // Waits until the set-up exchange is over and the connection is the test's.
    bool waitConnected(int ms = 5000);
    // The next client message; null when the connection ended or the message is unknown.
    std::unique_ptr<MEDPPacket> receive();
    // The next client message of the given type, skipping heartbeats.
    std::unique_ptr<MEDPPacket> receiveSkippingHeartbeats();
    bool send(MEDPPacket& packet);
    // Closes the connection at once.
    void close();

    const std::vector<unsigned char>& setupRequest() const { return request; }
    const std::vector<unsigned char>& randomData() const { return random; }

private:
    void serve(PeerConnection& c);

    int capabilities;
    std::vector<unsigned char> random;
    std::vector<unsigned char> request;
    std::mutex lock;
    std::condition_variable changed;
    PeerConnection* connection = nullptr;
    bool released = false;
    bool closed = false;
    PeerStream stream;
    PacketReceiver receiver{true, 1 << 20};
    std::unique_ptr<TestServer> server; // last: its thread uses everything above
};

} // namespace rdtest
