#include "foundation/Monitor.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace {
// Incremented before use, so the first monitor of the process gets id 2.
std::atomic<int> NextMonitorId{1};

void addMilliseconds(timespec& t, int ms) {
    if (ms < 0)
        ms = 0;
    t.tv_sec += ms / 1000;
    t.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1000000000L;
    }
}
} // namespace

Monitor::Monitor() : id(++NextMonitorId) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);

    // Timed waits measure against the monotonic clock, so a change of the wall clock can
    // neither cut a wait short nor stretch it.
    pthread_condattr_t condAttributes;
    pthread_condattr_init(&condAttributes);
    pthread_condattr_setclock(&condAttributes, CLOCK_MONOTONIC);
    pthread_cond_init(&condition, &condAttributes);
    pthread_condattr_destroy(&condAttributes);
}

Monitor::~Monitor() {
    pthread_cond_destroy(&condition);
    pthread_mutex_destroy(&mutex);
}

MonitorLock Monitor::acquireLock() {
    pthread_mutex_lock(&mutex);
    return MonitorLock(*this);
}

void Monitor::fastLock() { pthread_mutex_lock(&mutex); }

void Monitor::releaseLock() { pthread_mutex_unlock(&mutex); }

void Monitor::wait() { pthread_cond_wait(&condition, &mutex); }

void Monitor::wait(int ms) {
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    addMilliseconds(deadline, ms);
    int result = pthread_cond_timedwait(&condition, &mutex, &deadline);
    if (result != 0 && result != ETIMEDOUT && result != EINTR)
        log.print(" pthread_cond_timedwait returned: %i\n", result);
}

void Monitor::notify() { pthread_cond_signal(&condition); }

void Monitor::setLog(ZLog& base) { log.setBaseLog(base); }

MonitorLock::~MonitorLock() {
    if (!released)
        monitor->releaseLock();
}

void MonitorLock::releaseLock() {
    if (released)
        return;
    monitor->releaseLock();
    released = true;
}
