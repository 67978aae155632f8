// Process-wide trace log: level-filtered lines to standard output and/or a log file, and hex
// dumps of the bytes exchanged with the controller. Not thread-safe by design (plain statics).
#include "ctlcfgapi.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/times.h>

namespace {

uint32_t tracelogLevel = 0;
uint32_t tracelogComponent = 0xFFFFFFFFu;
uint32_t tracelogTarget = TRACELOG_TARGET_STDOUT;
uint32_t tracelogTimestampsEnabled = 1;
char tracelogLogName[256] = "/tmp/tracelog.txt";

constexpr size_t kMessageBufferSize = 65536;

const char tmplat[] = "%08X  __ __ __ __ __ __ __ __-__ __ __ __ __ __ __ __|        -        |";
const int hexofs[16] = {10, 13, 16, 19, 22, 25, 28, 31, 34, 37, 40, 43, 46, 49, 52, 55};
const int ascofs[16] = {58, 59, 60, 61, 62, 63, 64, 65, 67, 68, 69, 70, 71, 72, 73, 74};
const char hex[] = "0123456789ABCDEF";

struct AsciiTable {
    char c[256];
    AsciiTable() {
        for (int i = 0; i < 256; ++i) c[i] = (i >= 0x20 && i <= 0x7E) ? static_cast<char>(i) : '.';
    }
};
const AsciiTable ascii;

bool enabledFor(uint32_t levelMask) {
    return tracelogLevel != 0 && tracelogComponent != 0 && tracelogTarget != 0 &&
           (levelMask & tracelogLevel) != 0;
}

// The dump shows eight hex digits: on hosts with wider addresses only the low 32 bits.
uint32_t shownAddress(const void* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

} // namespace

extern "C" {

uint32_t TraceLogEnableTimestamps(uint32_t enable) { return tracelogTimestampsEnabled = enable; }
uint32_t TraceLogSetLevel(uint32_t levelMask) { return tracelogLevel = levelMask; }
uint32_t TraceLogSetComponent(uint32_t component) { return tracelogComponent = component; }
uint32_t TraceLogSetTarget(uint32_t targetMask) { return tracelogTarget = targetMask; }

void TraceLogSetLogFile(const char* path) {
    if (path == nullptr) return;
    size_t n = std::strlen(path);
    if (n > 254) return;
    std::memcpy(tracelogLogName, path, n + 1);
}

uint32_t GetTickCount(void) {
    struct tms t;
    return static_cast<uint32_t>(times(&t)) * 10u;
}

int TraceLogMessage(uint32_t levelMask, const char* format, ...) {
    if (!enabledFor(levelMask) || format == nullptr) return 0;
    char* buf = static_cast<char*>(std::calloc(kMessageBufferSize, 1));
    if (buf == nullptr) return 0;
    size_t used = 0;
    if (tracelogTimestampsEnabled)
        used = static_cast<size_t>(std::snprintf(buf, kMessageBufferSize, "%08u ", GetTickCount()));
    va_list ap;
    va_start(ap, format);
    int n = std::vsnprintf(buf + used, kMessageBufferSize - used, format, ap);
    va_end(ap);
    if (n >= 0 && used + static_cast<size_t>(n) < kMessageBufferSize) {
        size_t len = used + static_cast<size_t>(n);
        if (tracelogTarget & TRACELOG_TARGET_STDOUT) {
            std::fwrite(buf, 1, len, stdout);
            std::fflush(stdout);
        }
        if ((tracelogTarget & TRACELOG_TARGET_FILE) && tracelogLogName[0] != '\0') {
            if (FILE* f = std::fopen(tracelogLogName, "a")) {
                std::fwrite(buf, 1, len, f);
                std::fclose(f);
            }
        }
    }
    std::free(buf);
    return 0;
}

void TraceHexDump(uint32_t levelMask, const char* title, const void* address, uint32_t length) {
    if (!enabledFor(levelMask) || address == nullptr || length == 0) return;
    const unsigned char* p = static_cast<const unsigned char*>(address);
    std::printf("%s", title ? title : "");
    std::printf("             Starting Address: 0x%08X   Length: %d(0x%02X)\n", shownAddress(p),
                static_cast<int>(length), length);
    char row[96];
    for (uint32_t off = 0; off < length; off += 16) {
        std::snprintf(row, sizeof row, tmplat, shownAddress(p + off));
        for (uint32_t i = 0; i < 16 && off + i < length; ++i) {
            unsigned char b = p[off + i];
            row[hexofs[i]] = hex[b >> 4];
            row[hexofs[i] + 1] = hex[b & 0x0F];
            row[ascofs[i]] = ascii.c[b];
        }
        std::printf("   %s\n", row);
    }
    std::printf("\n");
    std::fflush(stdout);
}

} // extern "C"
