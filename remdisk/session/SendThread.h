// The only writer of the session socket: packets queued from any thread are written one at a
// time, in queue order, each as a header write and a payload write.
#pragma once

#include <cstdint>
#include <deque>

#include "foundation/Monitor.h"
#include "foundation/ZThread.h"

class MEDPPacket;
class MEDPSession;

class SendThread : public ZThread {
public:
    explicit SendThread(MEDPSession& session);
    // Packets still queued are released unwritten.
    ~SendThread() override;

    // Clears an earlier stop request before starting again.
    bool start() override;
    void run() override;
    void stopThread() override;

    // Takes ownership of packet (a null packet is ignored).
    void send(MEDPPacket* packet);
    // Waits at most ms milliseconds until every packet queued before the call has been
    // written (or dropped); returns whether that happened.
    bool waitUntilSent(int ms);
    int queuedPackets();

private:
    void writePacket(MEDPPacket& packet);

    std::deque<MEDPPacket*> queue;
    MEDPSession* session;
    Monitor monitor;
    // Packets handed to send() and packets finished with (written or dropped), both under
    // monitor.
    uint64_t accepted = 0;
    uint64_t done = 0;
};
