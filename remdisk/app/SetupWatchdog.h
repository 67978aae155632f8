// A deadline for a phase that waits on a peer without a bound of its own: unless disarmed in
// time, it calls the expiry action on its own thread. It also checks `abandon` every
// tenth of a second and calls `onAbandon` once that holds.
#pragma once

#include <functional>

#include "foundation/Monitor.h"
#include "foundation/ZThread.h"

class SetupWatchdog : public ZThread {
public:
    SetupWatchdog(int timeoutMs, std::function<void()> onExpiry, std::function<bool()> abandon = {},
                  std::function<void()> onAbandon = {});
    // Disarms and waits for the thread.
    ~SetupWatchdog() override;

    void run() override;
    void stopThread() override;
    // Stops the thread and waits for it; an action already running runs to its end.
    void disarm();

private:
    int timeoutMs;
    std::function<void()> onExpiry;
    std::function<bool()> abandon;
    std::function<void()> onAbandon;
    Monitor monitor;
};
