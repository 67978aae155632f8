// The trace-file writer. Silent until Init enables it; then each entry is one timestamped
// line in the trace file, filtered by level: level 0 is always written, levels 1 to the
// configured level as well. The file is emptied on the first entry of a run and appended to
// from then on.
#pragma once

#include <atomic>
#include <cstdio>
#include <memory>

#include "foundation/Monitor.h"

class ZTrace {
public:
    ZTrace();
    virtual ~ZTrace();
    ZTrace(const ZTrace&) = delete;
    ZTrace& operator=(const ZTrace&) = delete;

    // Stores the level; a non-null name enables tracing into that file (a private copy is
    // kept), a null one prints "Trace File Name Missing" and leaves tracing off.
    void Init(int level, const char* name);
    void TraceLog(int level, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
    // Closes the file; a later entry reopens it in append mode.
    void Close();
    // Closes the file and ignores every later entry (used while the process ends).
    void Shutdown();

    // Detaches gTrace and shuts it down while the process ends. The writer itself stays
    // allocated, because another thread may still be inside one of its calls.
    static void retireGlobal();

    bool isEnabled() const { return !disabled.load(std::memory_order_acquire); }
    int getLevel() const { return level.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> disabled{true};
    std::unique_ptr<char[]> fileName;
    FILE* file = nullptr;
    std::atomic<int> level{0};
    bool firstOpen = true;
    Monitor monitor;
};

// The program's single trace writer; null when there is none. Test it before every call, or
// use ZTRACE, which does both.
extern ZTrace* gTrace;

// Reads gTrace safely while another thread may be retiring it at process end.
inline ZTrace* currentTrace() { return __atomic_load_n(&gTrace, __ATOMIC_ACQUIRE); }

#define ZTRACE(level, ...)                                  \
    do {                                                    \
        if (ZTrace* ztrace_writer_ = currentTrace())        \
            ztrace_writer_->TraceLog((level), __VA_ARGS__); \
    } while (0)
