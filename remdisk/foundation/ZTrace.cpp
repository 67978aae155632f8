#include "foundation/ZTrace.h"

#include <cstdarg>
#include <cstring>
#include <ctime>
#include <sys/time.h>

ZTrace* gTrace = nullptr;

ZTrace::ZTrace() = default;

ZTrace::~ZTrace() { Close(); }

void ZTrace::Init(int newLevel, const char* name) {
    level.store(newLevel, std::memory_order_relaxed);
    if (!name) {
        std::printf("Trace File Name Missing\n");
        return;
    }
    {
        MonitorLock lock = monitor.acquireLock();
        if (file) {
            std::fclose(file);
            file = nullptr;
        }
        size_t length = std::strlen(name) + 1;
        fileName.reset(new char[length]);
        std::memcpy(fileName.get(), name, length);
    }
    disabled.store(false, std::memory_order_release);
    TraceLog(0, "%s Trace Starting\n", "ZTrace::Init:");
}

void ZTrace::TraceLog(int entryLevel, const char* fmt, ...) {
    if (disabled.load(std::memory_order_acquire))
        return;
    if (entryLevel != 0 && entryLevel > level.load(std::memory_order_relaxed))
        return;

    MonitorLock lock = monitor.acquireLock();
    if (disabled.load(std::memory_order_relaxed) || !fileName)
        return;
    if (!file) {
        if (firstOpen) {
            // Empties a file left by an earlier run.
            if (FILE* truncating = std::fopen(fileName.get(), "w"))
                std::fclose(truncating);
            firstOpen = false;
        }
        file = std::fopen(fileName.get(), "a");
        if (!file)
            return;
    }

    timeval now{};
    gettimeofday(&now, nullptr);
    time_t seconds = now.tv_sec;
    struct tm local{};
    localtime_r(&seconds, &local);
    std::fprintf(file, "%04i/%02i/%02i %02i:%02i:%02i_%03lu ", local.tm_year + 1900,
                 local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                 static_cast<unsigned long>(now.tv_usec / 1000));

    va_list args;
    va_start(args, fmt);
    std::vfprintf(file, fmt, args);
    va_end(args);
    std::fflush(file);
}

void ZTrace::Close() {
    MonitorLock lock = monitor.acquireLock();
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
}

void ZTrace::Shutdown() {
    MonitorLock lock = monitor.acquireLock();
    disabled.store(true, std::memory_order_release);
    Close();
}

namespace {
// Keeps a retired writer reachable, so the leak checker does not count it.
ZTrace* volatile retired = nullptr;
} // namespace

void ZTrace::retireGlobal() {
    ZTrace* writer = __atomic_exchange_n(&gTrace, nullptr, __ATOMIC_ACQ_REL);
    if (!writer)
        return;
    writer->Shutdown();
    retired = writer;
}
