#include "session/ReceiveThread.h"

#include <cerrno>
#include <cstdio>

#include "devices/RequestProcessor.h"
#include "foundation/ZTrace.h"
#include "protocol/PacketReceiver.h"
#include "session/MEDPSession.h"

ReceiveThread::ReceiveThread(MEDPSession& owner)
    : session(&owner), receiver(std::make_unique<PacketReceiver>()) {}

ReceiveThread::~ReceiveThread() = default;

bool ReceiveThread::start() {
    stopRequested.store(false);
    return ZThread::start();
}

void ReceiveThread::stopThread() {
    ZTRACE(0, "%s Stopping\n", "ReceiveThread::stopThread");
    stopRequested.store(true);
}

void ReceiveThread::run() {
    static const char* const where = "ReceiveThread::run";
    ZTRACE(0, "%s called.\n", where);
    while (!stopRequested.load()) {
        try {
            std::unique_ptr<MEDPPacket> packet(receiver->receive(session->getInputStream()));
            if (packet) {
                session->getRequestProcessor().process(packet.get());
                continue;
            }
            ZTRACE(0, "%s EOF on packet stream.  Shutting down receive thread,\n", where);
            stopRequested.store(true);
            // Nobody would read the controller's requests any more: end the session, so the
            // program ends instead of sitting deaf.
            session->stopSession();
        } catch (const char* text) {
            if (stopRequested.load())
                break;
            ZTRACE(0, "%s const Exception: %s\n", where, text);
            if (!session->isSilent())
                std::printf("Error: %s\n", text);
            stopRequested.store(true);
            session->stopSession();
        } catch (...) {
            const int error = errno;
            if (stopRequested.load())
                break;
            ZTRACE(0, "%s ... Exception: %i\n", where, error);
            if (!session->isSilent()) {
                std::printf("Receive Thread Error");
                if (error != 0)
                    std::printf(" %i\n", error);
            }
            stopRequested.store(true);
            session->stopSession();
        }
    }
    ZTRACE(0, "%s stopped.\n", where);
}
