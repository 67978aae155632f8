// Object wrapper around a joinable POSIX thread with a cooperative stop flag: run() loops test
// stopRequested, stopThread() sets it (subclasses add their own wake-ups).
#pragma once

#include <atomic>
#include <pthread.h>

class ZThread {
public:
    ZThread();
    // The owner stops and joins the thread before destroying the object.
    virtual ~ZThread();
    ZThread(const ZThread&) = delete;
    ZThread& operator=(const ZThread&) = delete;

    // Creates the thread running run(). Returns false (and leaves the object not running)
    // when the system cannot create it.
    virtual bool start();
    virtual void run() = 0;
    virtual void stopThread();

    // Waits for the thread started last; returns at once when it was already waited for or
    // never started. Safe to call from several threads.
    void join();
    // Whether start() succeeded on this object; stays true after run() has returned.
    bool isRunning() const { return running.load(std::memory_order_acquire); }
    bool isStopRequested() const { return stopRequested.load(std::memory_order_acquire); }

protected:
    std::atomic<bool> stopRequested{false};

private:
    static void* entry(void* self);

    pthread_t thread{};
    pthread_attr_t attributes{};
    std::atomic<bool> running{false};
    bool joinPending = false; // guarded by joinMutex
    pthread_mutex_t joinMutex = PTHREAD_MUTEX_INITIALIZER;
};
