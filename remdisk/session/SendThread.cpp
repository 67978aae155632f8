#include "session/SendThread.h"

#include <chrono>
#include <exception>
#include <memory>
#include <thread>

#include "foundation/ZOutputStream.h"
#include "foundation/ZTrace.h"
#include "protocol/MEDPPacket.h"
#include "session/MEDPSession.h"

SendThread::SendThread(MEDPSession& owner) : session(&owner) {
    ZTRACE(0, "%s Created\n", "SendThread");
}

SendThread::~SendThread() {
    ZTRACE(0, "%s Destructor called\n", "SendThread");
    for (MEDPPacket* packet : queue)
        delete packet;
    queue.clear();
}

bool SendThread::start() {
    stopRequested.store(false);
    return ZThread::start();
}

void SendThread::send(MEDPPacket* packet) {
    if (!packet) {
        ZTRACE(1, "%s Ignoring NULL packet.\n", "SendThread::send");
        return;
    }
    MonitorLock lock = monitor.acquireLock();
    ZTRACE(9, "%s Add to Queue\n", "SendThread::send");
    queue.push_back(packet);
    ++accepted;
    monitor.notify();
}

void SendThread::stopThread() {
    ZTRACE(1, "%s Stopping\n", "SendThread::stopThread");
    MonitorLock lock = monitor.acquireLock();
    stopRequested.store(true);
    monitor.notify();
}

int SendThread::queuedPackets() {
    MonitorLock lock = monitor.acquireLock();
    return static_cast<int>(queue.size());
}

bool SendThread::waitUntilSent(int ms) {
    // A short poll: the monitor's condition belongs to the send thread's own wait.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    uint64_t target;
    {
        MonitorLock lock = monitor.acquireLock();
        target = accepted;
    }
    for (;;) {
        {
            MonitorLock lock = monitor.acquireLock();
            if (done >= target)
                return true;
        }
        if (std::chrono::steady_clock::now() >= deadline || !isRunning() || isStopRequested())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void SendThread::run() {
    {
        MonitorLock lock = monitor.acquireLock();
        ZTRACE(1, "%s called: queue (%x), size(%i)\n", "SendThread::run",
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(&queue)),
               static_cast<int>(queue.size()));
    }
    // Everything queued by the time the thread wakes is taken in one go, so a burst of read
    // responses costs one wake-up and one lock round; the order stays the queue's.
    std::deque<MEDPPacket*> batch;
    monitor.fastLock();
    while (!stopRequested.load()) {
        while (queue.empty() && !stopRequested.load())
            monitor.wait();
        if (stopRequested.load())
            break;
        batch.swap(queue);
        monitor.releaseLock();
        for (MEDPPacket* taken : batch) {
            std::unique_ptr<MEDPPacket> packet(taken);
            // After a stop request the rest of the batch is released unwritten, as it would
            // have been in the queue.
            if (!stopRequested.load())
                writePacket(*packet);
        }
        const size_t finished = batch.size();
        batch.clear();
        monitor.fastLock();
        done += finished;
    }
    monitor.releaseLock();
    ZTRACE(1, "%s Stopped\n", "SendThread::run");
}

void SendThread::writePacket(MEDPPacket& packet) {
    static const char* const where = "SendThread::run";
    // An encoder that refuses its message (a login with an impossible name, say) must not
    // take the session down: the packet is dropped and the queue goes on.
    try {
        ZTRACE(7, "%s sending (0x%.4x) length=%i.\n", where, packet.getPacketType(),
               packet.getPacketLength());
        std::unique_ptr<unsigned char[]> header(packet.encodeHeader());
        if (!header) {
            ZTRACE(0, "%s Error: NULL packet header seen.\n", where);
            return;
        }
        std::unique_ptr<unsigned char[]> payload(packet.encodePayload());
        ZOutputStream* out = session->getOutputStream();
        if (!out) {
            ZTRACE(0, "%s Error: no output stream, packet dropped.\n", where);
            return;
        }
        // Header and payload together: one network write per packet instead of two.
        out->writeParts(header.get(), MEDPPacket::HEADER_SIZE, payload.get(),
                        payload ? packet.getPayloadLength() : 0);
    } catch (const char* text) {
        ZTRACE(0, "%s Error: %s Packet (0x%.4x) dropped.\n", where, text, packet.getPacketType());
    } catch (const std::exception& e) {
        ZTRACE(0, "%s Error: %s Packet (0x%.4x) dropped.\n", where, e.what(),
               packet.getPacketType());
    } catch (...) {
        ZTRACE(0, "%s Error: packet (0x%.4x) dropped.\n", where, packet.getPacketType());
    }
}
