// The controller log and controller trace log: read once into the instance's caches, then
// served by line.
#define RAC_MODULE "racext"
#include "racext_groups.h"
#include "racipmi_ops.h"
#include "tracelog.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr u8 kLogToken = 21;
constexpr u8 kRacLog = 1, kTraceLog = 3;
constexpr int kLoadAttempts = 1000;
constexpr u32 kLoadRetryMs = 1000;
constexpr std::size_t kLogBuffer = 65537;
constexpr std::size_t kMaxLineChars = RAC_LOG_LINE_LEN - 2; // room for the line feed and the zero

RacLogCache* cacheOf(RacIpmiPrivateData* pd, u8 type) {
    if (type == kRacLog) return &pd->raclogCache;
    if (type == kTraceLog) return &pd->tracelogCache;
    return nullptr;
}

// Trace, arguments, readiness and a loaded cache: the start of every log operation.
unsigned openLog(RacIpmi* r, const char* op, u8 type, bool argsOk, RacLogCache** cache) {
    RAC_TRACE_OP(op);
    if (r == nullptr || r->pPrivateData == nullptr || !argsOk) return RACIPMI_INVALID_INPUT_PARAM;
    unsigned st = racReadinessGate(r);
    if (st == RACIPMI_SUCCESS) st = loadLogCache(r->pPrivateData, type);
    if (st == RACIPMI_SUCCESS) *cache = cacheOf(r->pPrivateData, type);
    return st;
}

unsigned count(RacIpmi* r, const char* op, u8 type, u16* out) {
    RacLogCache* c = nullptr;
    unsigned st = openLog(r, op, type, out != nullptr, &c);
    if (st == RACIPMI_SUCCESS) *out = c->lineCount;
    return racExtResult(op, st);
}

// Line 0 is refused before the controller is asked; lines past the count after loading.
unsigned line(RacIpmi* r, const char* op, u8 type, u16 n, char* out) {
    RacLogCache* c = nullptr;
    unsigned st = openLog(r, op, type, out != nullptr && n != 0, &c);
    if (st == RACIPMI_SUCCESS && n > c->lineCount) st = RACIPMI_INVALID_INPUT_PARAM;
    if (st == RACIPMI_SUCCESS) std::memcpy(out, c->lines[n - 1], RAC_LOG_LINE_LEN);
    return racExtResult(op, st);
}

unsigned whole(RacIpmi* r, const char* op, u8 type, RacLog* out) {
    RacLogCache* c = nullptr;
    unsigned st = openLog(r, op, type, out != nullptr, &c);
    if (st == RACIPMI_SUCCESS) {
        out->count = c->lineCount;
        std::memcpy(out->lines, c->lines, sizeof out->lines);
    }
    return racExtResult(op, st);
}

static_assert(sizeof(RacLog::lines) == sizeof(RacLogCache::lines), "log line layout");

} // namespace

void racSplitLogLines(const char* text, RacLogCache* cache) {
    std::memset(cache->lines, 0, sizeof cache->lines);
    u16 n = 0;
    const char* p = text;
    while (n < RAC_LOG_LINES && *p != '\0' && *p != '\n') {
        const char* end = p;
        while (*end != '\0' && *end != '\n') ++end;
        std::size_t chars = static_cast<std::size_t>(end - p);
        if (chars > kMaxLineChars) chars = kMaxLineChars;
        char* slot = cache->lines[n++];
        std::memcpy(slot, p, chars);
        if (*end != '\n') break;
        slot[chars] = '\n';
        p = end + 1;
    }
    cache->lineCount = n;
}

extern "C" {

unsigned loadLogCache(RacIpmiPrivateData* pd, u8 type) {
    RAC_TRACE_FN("loadLogCache");
    RacLogCache* cache = pd != nullptr ? cacheOf(pd, type) : nullptr;
    if (cache == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    if (cache->loaded) return RACIPMI_SUCCESS;
    char* text = static_cast<char*>(std::calloc(1, kLogBuffer));
    if (text == nullptr) return RACIPMI_MEM_ALLOC_FAILED;
    unsigned st = RACIPMI_SUCCESS;
    u16 len = 0;
    for (int attempt = 1;; ++attempt) {
        st = getRacExtCfgParam(pd, kLogToken, type, 0xFFFF, &len, reinterpret_cast<u8*>(text));
        if (st == RACIPMI_SUCCESS || attempt == kLoadAttempts) break;
        RAC_DEBUG("\nloadLogCache: read failed, attempt %d of %d\n\n", attempt, kLoadAttempts);
        racSleepMs(kLoadRetryMs);
    }
    if (st == RACIPMI_SUCCESS) {
        text[len] = '\0';
        racSplitLogLines(text, cache);
        cache->loaded = 1;
    }
    std::free(text);
    return st;
}

unsigned clearLogCache(RacIpmiPrivateData* pd, u8 type) {
    RAC_TRACE_FN("clearLogCache");
    RacLogCache* cache = pd != nullptr ? cacheOf(pd, type) : nullptr;
    if (cache == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    cache->loaded = 0;
    return RACIPMI_SUCCESS;
}

unsigned getRaclogRecordCount(RacIpmi* r, u16* n) { return count(r, "getRaclogRecordCount", kRacLog, n); }
unsigned getRacTracelogRecordCount(RacIpmi* r, u16* n) {
    return count(r, "getRacTracelogRecordCount", kTraceLog, n);
}
unsigned getRaclogRecord(RacIpmi* r, u16 n, char* out) { return line(r, "getRaclogRecord", kRacLog, n, out); }
unsigned getRacTracelogRecord(RacIpmi* r, u16 n, char* out) {
    return line(r, "getRacTracelogRecord", kTraceLog, n, out);
}
unsigned getRaclog(RacIpmi* r, RacLog* out) { return whole(r, "getRaclog", kRacLog, out); }
unsigned getRacTracelog(RacIpmi* r, RacLog* out) { return whole(r, "getRacTracelog", kTraceLog, out); }

} // extern "C"
