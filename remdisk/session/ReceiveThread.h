// Reads the controller's packets one after another and hands each to the session's request
// processor, on this thread.
#pragma once

#include <memory>

#include "foundation/ZThread.h"

class MEDPSession;
class PacketReceiver;

class ReceiveThread : public ZThread {
public:
    explicit ReceiveThread(MEDPSession& session);
    ~ReceiveThread() override;

    // Clears an earlier stop request before starting again.
    bool start() override;
    void run() override;
    void stopThread() override;

private:
    MEDPSession* session;
    std::unique_ptr<PacketReceiver> receiver;
};
