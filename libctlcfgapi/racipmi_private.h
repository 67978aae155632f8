// Instance data and the functions the library's modules share (exported with C linkage,
// declared here rather than in the public header).
#pragma once

#include "ctlcfgapi.h"
#include "vexa.h"

#ifdef __cplusplus
extern "C" {
#endif

#define RAC_LOG_LINES 2730
#define RAC_LOG_LINE_LEN 1024

// One cached controller log (lines numbered from 1).
typedef struct RacLogCache {
    u32 loaded;
    u16 lineCount;
    char lines[RAC_LOG_LINES][RAC_LOG_LINE_LEN];
} RacLogCache;

// Valid flags and copies of the cached extended-configuration groups, one of each per index:
// X(member, number of indexes, record size).
#define RAC_GROUP_CACHES(X) \
    X(ipv6, 1, 49) X(nicLinkSet, 1, 8) X(lanTune, 1, 36) X(snmp, 1, 67) X(dnsDdns, 1, 333) \
    X(ad, 1, 2323) X(emailAlert, 4, 99) X(ssl, 1, 1551) X(ssh, 1, 12) X(telnet, 1, 10) \
    X(webServer, 1, 11) X(cr, 1, 10) X(vm, 1, 525) X(info, 1, 377) X(fwUpdate, 1, 346) \
    X(serialShell, 1, 179) X(misc, 1, 10) X(oobSecurity, 1, 19) X(nicTeaming, 1, 277) \
    X(timeZone, 1, 5) X(ssad, 5, 518) X(configDisable, 1, 2) X(localConsred, 1, 2) \
    X(ipv6Ext, 1, 251) X(ipsec, 16, 123) X(ike, 4, 70) X(ipv6Url, 1, 82) X(ud, 40, 257) \
    X(smartCard, 1, 2) X(power, 1, 299)

#define RAC_GROUP_CACHE_MEMBER_(member, count, size) \
    struct { \
        u32 valid[count]; \
        u8 copy[count][size]; \
    } member;
typedef struct RacGroupCaches {
    RAC_GROUP_CACHES(RAC_GROUP_CACHE_MEMBER_)
} RacGroupCaches;
#undef RAC_GROUP_CACHE_MEMBER_

struct RacIpmiPrivateData {
    u32* pInitBlock;             // copy of the caller's 20-word initialisation block
    VexaEntryTable* pVexa;       // the resolved host IPMI library
    u32 selCacheAttached;
    u32 sdrCacheAttached;
    u32 chanNumbLoaded;
    u8 ipmbChanNumb;
    u8 lanChanNumb;
    u8 serialChanNumb;
    u8 presentChanNumb;
    u8 systemChanNumb;
    RacGroupCaches groups;
    RacLogCache tracelogCache;
    RacLogCache raclogCache;
};
typedef struct RacIpmiPrivateData RacIpmiPrivateData;

// Channel discovery and lookups.
unsigned loadChanNumbers(RacIpmiPrivateData* pData);
unsigned getIpmbChanNumb(RacIpmiPrivateData* pData, u8* chan);
unsigned getLanChanNumb(RacIpmiPrivateData* pData, u8* chan);
unsigned getSerialChanNumb(RacIpmiPrivateData* pData, u8* chan);
unsigned getPresentChanNumb(RacIpmiPrivateData* pData, u8* chan);
unsigned getSystemChanNumb(RacIpmiPrivateData* pData, u8* chan);

// Extended configuration command layer.
unsigned getRacExtCfgParam(RacIpmiPrivateData* pData, u8 token, u8 index, u16 capacity,
                           u16* length, u8* dest);
unsigned setRacExtCfgParam(RacIpmiPrivateData* pData, u8 token, u8 index, u8 header, u16 mask,
                           u16 dataLen, const u8* data);

// The clock behind every retry delay. Tests install their own so retries do not wait;
// null restores the real sleep. Returns the previous function.
typedef void (*RacSleepFn)(u32 milliseconds);
RacSleepFn racSetSleepFunction(RacSleepFn fn);
void racSleepMs(u32 milliseconds);

// Test seam for the controller probe that RacIpmiInit runs: when set, it is called instead
// of the record's getRacStatus slot. Null restores the slot.
typedef unsigned (*RacStatusProbe)(RacIpmi* pRacIpmi, u32* statusWord);
RacStatusProbe racSetStatusProbe(RacStatusProbe probe);

// Result of an operation that is not built yet: 4 for a null record, otherwise 11.
unsigned racNotSupported(RacIpmi* pRacIpmi, const char* name);

#ifdef __cplusplus
}

// Retry policies: the standard one and that of the extended-configuration command.
struct RacRetryPolicy {
    int attempts;
    u32 delayMs;
};
constexpr RacRetryPolicy kRacStdRetry{4, 1000};
constexpr RacRetryPolicy kRacExtRetry{1000, 5000};

inline bool vexaIsTimeout(u32 status) {
    return status == VEXA_STATUS_TIMEOUT || status == VEXA_STATUS_TIMEOUT_ALT;
}

// Runs call() until it returns a status that is not a time-out or the attempts are used up.
// onTimeout(left) traces each time-out with the attempts still left.
template <class Call, class OnTimeout>
u32 racRetry(const RacRetryPolicy& policy, Call call, OnTimeout onTimeout) {
    u32 status = 0;
    for (int left = policy.attempts - 1;; --left) {
        status = call();
        if (!vexaIsTimeout(status)) break;
        onTimeout(left);
        if (left <= 0) break;
        racSleepMs(policy.delayMs);
    }
    return status;
}

// Frees a host-library buffer on scope exit, whatever path the operation takes.
class VexaBuffer {
public:
    VexaBuffer(const VexaEntryTable* t, u8* p = nullptr) : table_(t), p_(p) {}
    ~VexaBuffer() { reset(); }
    VexaBuffer(const VexaBuffer&) = delete;
    VexaBuffer& operator=(const VexaBuffer&) = delete;
    void reset(u8* p = nullptr) {
        if (p_ != nullptr && table_ != nullptr && table_->fpHSTIPMIFreeGeneric != nullptr)
            table_->fpHSTIPMIFreeGeneric(p_);
        p_ = p;
    }
    u8* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    const VexaEntryTable* table_;
    u8* p_;
};

inline VexaEntryTable* racVexa(RacIpmi* r) {
    return (r != nullptr && r->pPrivateData != nullptr) ? r->pPrivateData->pVexa : nullptr;
}
#endif
