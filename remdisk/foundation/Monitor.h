// Recursive mutex paired with a condition variable, and the scoped holder of its mutex.
#pragma once

#include <pthread.h>

#include "foundation/ZComponentLog.h"

class MonitorLock;
class ZLog;

class Monitor {
public:
    Monitor();
    virtual ~Monitor();
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    // Locks the mutex; it stays locked until the returned lock is released or destroyed.
    MonitorLock acquireLock();
    void fastLock();
    void releaseLock();

    // The caller holds the mutex; it is released while waiting and held again on return.
    void wait();
    // Waits at most ms milliseconds; a failure other than a time-out counts as one.
    void wait(int ms);
    void notify();

    void setLog(ZLog& base);
    int getId() const { return id; }

private:
    pthread_mutex_t mutex;
    pthread_cond_t condition;
    int id;
    ZComponentLog log;
};

// Holds a monitor's mutex locked by Monitor::acquireLock; unlocks it on release or destruction.
class MonitorLock {
public:
    virtual ~MonitorLock();
    MonitorLock(const MonitorLock&) = delete;
    MonitorLock& operator=(const MonitorLock&) = delete;

    void releaseLock();

private:
    friend class Monitor;
    // Only the monitor binds a lock, right after locking its mutex, so a lock object never
    // unlocks a mutex it did not lock.
    explicit MonitorLock(Monitor& m) : monitor(&m) {}

    Monitor* monitor;
    bool released = false;
};
