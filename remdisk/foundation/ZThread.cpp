#include "foundation/ZThread.h"

#include <cstring>

#include "foundation/ZTrace.h"

ZThread::ZThread() = default;

ZThread::~ZThread() {
    running.store(false, std::memory_order_release);
    pthread_mutex_destroy(&joinMutex);
}

void* ZThread::entry(void* self) {
    static_cast<ZThread*>(self)->run();
    return nullptr;
}

bool ZThread::start() {
    pthread_mutex_lock(&joinMutex);
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_JOINABLE);
    running.store(true, std::memory_order_release);
    int result = pthread_create(&thread, &attributes, &ZThread::entry, this);
    pthread_attr_destroy(&attributes);
    if (result != 0) {
        running.store(false, std::memory_order_release);
        pthread_mutex_unlock(&joinMutex);
        ZTRACE(0, "%s pthread_create failed: %i %s\n", "ZThread::start", result,
               std::strerror(result));
        return false;
    }
    joinPending = true;
    pthread_mutex_unlock(&joinMutex);
    return true;
}

void ZThread::stopThread() { stopRequested.store(true, std::memory_order_release); }

void ZThread::join() {
    pthread_mutex_lock(&joinMutex);
    // A thread that joins itself would wait forever.
    if (joinPending && running.load(std::memory_order_acquire) &&
        !pthread_equal(thread, pthread_self())) {
        pthread_join(thread, nullptr);
        joinPending = false;
    }
    pthread_mutex_unlock(&joinMutex);
}
