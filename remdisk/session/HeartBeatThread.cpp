#include "session/HeartBeatThread.h"

#include <chrono>
#include <cstdint>

#include "foundation/ZTrace.h"
#include "session/MEDPSession.h"

HeartBeatThread::HeartBeatThread(MEDPSession& owner) : session(&owner) {
    ZTRACE(0, "%s Created\n", "HeartBeatThread");
}

HeartBeatThread::~HeartBeatThread() { ZTRACE(0, "%s Destructor called\n", "HeartBeatThread"); }

bool HeartBeatThread::start() {
    stopRequested.store(false);
    return ZThread::start();
}

void HeartBeatThread::stopThread() {
    ZTRACE(0, "%s Stopping\n", "HeartBeatThread::stopThread");
    MonitorLock lock = monitor.acquireLock();
    stopRequested.store(true);
    monitor.notify();
}

void HeartBeatThread::pause(int ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    MonitorLock lock = monitor.acquireLock();
    while (!stopRequested.load()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0)
            break;
        monitor.wait(static_cast<int>(left));
    }
}

void HeartBeatThread::run() {
    ZTRACE(0, "%s called: queue (%x), size(%i)\n", "HeartBeatThread::run",
           static_cast<unsigned>(reinterpret_cast<uintptr_t>(&queue)),
           static_cast<int>(queue.size()));
    // The first pause is cut short by a stop as well, so a stop always takes effect within
    // a second.
    pause(FIRST_PAUSE_MS);
    while (!stopRequested.load()) {
        for (int i = 0; i < PAUSE_SECONDS && !stopRequested.load(); ++i)
            pause(1000);
        session->sendHeartbeatMsg();
    }
    ZTRACE(0, "%s Stopped\n", "HeartBeatThread::run");
}
