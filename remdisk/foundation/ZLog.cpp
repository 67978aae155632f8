#include "foundation/ZLog.h"

#include <cstring>
#include <ctime>

namespace {
std::unique_ptr<char[]> copyName(const char* name) {
    const char* text = name ? name : "";
    size_t length = std::strlen(text) + 1;
    std::unique_ptr<char[]> copy(new char[length]);
    std::memcpy(copy.get(), text, length);
    return copy;
}

// Appends a formatted text at used, never past the buffer; returns the new used length.
size_t appendFormatted(char* buffer, size_t size, size_t used, const char* fmt, va_list args) {
    if (used + 1 >= size)
        return used;
    int n = std::vsnprintf(buffer + used, size - used, fmt, args);
    if (n < 0)
        return used;
    size_t added = static_cast<size_t>(n);
    return (used + added >= size) ? size - 1 : used + added;
}

size_t appendFormatted(char* buffer, size_t size, size_t used, const char* fmt, ...)
    __attribute__((format(printf, 4, 5)));
size_t appendFormatted(char* buffer, size_t size, size_t used, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    used = appendFormatted(buffer, size, used, fmt, args);
    va_end(args);
    return used;
}
} // namespace

ZLog::ZLog(const char* n) : name(copyName(n)), lineSize(4096), line(new char[4096]) {
    line[0] = '\0';
}

ZLog::ZLog(const char* n, FILE* stream)
    : file(stream), enabled(true), name(copyName(n)), lineSize(1024), line(new char[1024]) {
    line[0] = '\0';
}

ZLog::~ZLog() { closeOwnedFile(); }

void ZLog::closeOwnedFile() {
    if (file && ownsFile)
        std::fclose(file);
    file = nullptr;
    ownsFile = false;
}

int ZLog::setOutputFile(const char* path) {
    FILE* opened = path ? std::fopen(path, "w+") : nullptr;
    if (!opened)
        return -1;
    MonitorLock lock = monitor.acquireLock();
    closeOwnedFile();
    file = opened;
    ownsFile = true;
    return 0;
}

void ZLog::print(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    vprint(fmt, args);
    va_end(args);
    flush();
}

void ZLog::print(int level, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    vprint(level, fmt, args);
    va_end(args);
    flush();
}

void ZLog::vprint(const char* fmt, va_list args) { vprint(INFO, fmt, args); }

void ZLog::vprint(int, const char* fmt, va_list args) {
    if (!enabled)
        return;
    MonitorLock lock = monitor.acquireLock();
    if (!file) {
        file = std::fopen("debug.log", "w+");
        if (!file)
            return;
        ownsFile = true;
    }
    size_t used = 0;
    line[0] = '\0';
    if (showTimestamp) {
        time_t now = std::time(nullptr);
        struct tm local{};
        localtime_r(&now, &local);
        used = appendFormatted(line.get(), lineSize, used, "%i/%i/%i %i:%i:%i ", local.tm_mon + 1,
                               local.tm_mday, local.tm_year + 1900, local.tm_hour, local.tm_min,
                               local.tm_sec);
    }
    used = appendFormatted(line.get(), lineSize, used, "%s -", name.get());
    appendFormatted(line.get(), lineSize, used, fmt, args);
    std::fprintf(file, "%s", line.get());
    if (echoToConsole) {
        std::printf("%s", line.get());
        std::fflush(stdout);
    }
}

void ZLog::flush() {
    MonitorLock lock = monitor.acquireLock();
    if (file)
        std::fflush(file);
    if (echoToConsole)
        std::fflush(stdout);
}
