#include "app/SetupWatchdog.h"

#include <chrono>

SetupWatchdog::SetupWatchdog(int ms, std::function<void()> expiry, std::function<bool()> giveUp,
                             std::function<void()> giveUpAction)
    : timeoutMs(ms), onExpiry(std::move(expiry)), abandon(std::move(giveUp)),
      onAbandon(std::move(giveUpAction)) {}

SetupWatchdog::~SetupWatchdog() { disarm(); }

void SetupWatchdog::stopThread() {
    MonitorLock lock = monitor.acquireLock();
    stopRequested.store(true);
    monitor.notify();
}

void SetupWatchdog::disarm() {
    stopThread();
    join();
}

void SetupWatchdog::run() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        {
            MonitorLock lock = monitor.acquireLock();
            if (stopRequested.load())
                return;
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
            if (left <= 0)
                break;
            monitor.wait(static_cast<int>(left < 100 ? left : 100));
            if (stopRequested.load())
                return;
        }
        if (abandon && abandon()) {
            if (onAbandon)
                onAbandon();
            return;
        }
    }
    if (onExpiry)
        onExpiry();
}
