// Queues a heartbeat every ten seconds (the first after about thirteen) so the controller
// sees the client alive.
#pragma once

#include <deque>

#include "foundation/Monitor.h"
#include "foundation/ZThread.h"

class MEDPPacket;
class MEDPSession;

class HeartBeatThread : public ZThread {
public:
    static constexpr int FIRST_PAUSE_MS = 3000;
    static constexpr int PAUSE_SECONDS = 10;

    explicit HeartBeatThread(MEDPSession& session);
    ~HeartBeatThread() override;

    // Clears an earlier stop request before starting again.
    bool start() override;
    void run() override;
    void stopThread() override;

private:
    // Sleeps up to ms milliseconds, returning early once a stop is requested.
    void pause(int ms);

    std::deque<MEDPPacket*> queue; // stays empty
    MEDPSession* session;
    Monitor monitor;
};
