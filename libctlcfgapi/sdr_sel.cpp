// SEL and SDR access through the host library's caches: counts, records by position, the SEL
// clock, clearing the SEL, the conversion of one SEL record to text and the SDR walk that
// the SEL decoder calls back.
#define RAC_MODULE "sdr_sel"
#include "racipmi_ops.h"
#include "tracelog.h"

#include <cstring>

#include "cslfsel.h"

namespace {

constexpr u16 kSelEnd = 0xFFFF;
constexpr u32 kSdrBytes = CSLF_SDR_COPY_SIZE;
constexpr u32 kSelBytes = CSLF_SEL_RECORD_SIZE;
constexpr u8 kClearSelErase = 0xAA;

unsigned fail(const char* op, unsigned st) {
    RAC_ERROR("\nRacIpmi::%s Return Code: %u -- %s\n\n", op, st, RacIpmiGetStatusStr(st));
    return st;
}

using AttachFn = u32 (*)(void);

// Attaches one host cache unless its flag says it is attached already.
unsigned attachCache(RacIpmiPrivateData* pd, u32 RacIpmiPrivateData::*flag, AttachFn VexaEntryTable::*fn,
                     const char* name, const char* hostName) {
    RAC_TRACE_FN(name);
    if (pd == nullptr || pd->pVexa == nullptr || pd->pVexa->*fn == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    if (pd->*flag) return RACIPMI_SUCCESS;
    AttachFn attach = pd->pVexa->*fn;
    const u32 status = racRetry(kRacStdRetry, [&] { return attach(); },
                                [](int left) { RAC_DEBUG("IPMI Timeout occured. Retry count: %d\n\n", left); });
    if (status != 0) {
        RAC_ERROR("\n%s Return Status: 0x%02X\n\n", hostName, status);
        return RACIPMI_CMD_FAILED;
    }
    pd->*flag = 1;
    return RACIPMI_SUCCESS;
}

unsigned detachCache(RacIpmiPrivateData* pd, u32 RacIpmiPrivateData::*flag, AttachFn VexaEntryTable::*fn,
                     const char* name) {
    RAC_TRACE_FN(name);
    if (pd == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    if (pd->*flag && pd->pVexa != nullptr && pd->pVexa->*fn != nullptr) (pd->pVexa->*fn)();
    pd->*flag = 0;
    return RACIPMI_SUCCESS;
}

// One of the two host caches read by position: how to attach it, count and copy its entries.
struct HostLog {
    unsigned (*attach)(RacIpmiPrivateData*);
    PFN_HSTIPMGetNumSDREntries VexaEntryTable::*count;
    PFN_HSTIPMGetSDRByIndex VexaEntryTable::*byIndex;
};

// Attaches the log's cache and reads its entry count (4 without a record or entry points).
unsigned entryCount(RacIpmi* pRacIpmi, const HostLog& log, u32* count);

u16 clampCount(u32 n) { return n > 0xFFFFu ? static_cast<u16>(0xFFFF) : static_cast<u16>(n); }

// The handle list: u32 count (little-endian), then the u16 handles.
u32 handleCount(const u8* list) {
    return static_cast<u32>(list[0]) | static_cast<u32>(list[1]) << 8 | static_cast<u32>(list[2]) << 16 |
           static_cast<u32>(list[3]) << 24;
}

u16 handleAt(const u8* list, u32 position) {
    const u8* p = list + 4 + 2 * position;  // 16-bit element position + 2
    return static_cast<u16>(p[0] | p[1] << 8);
}

// The record at the walk's current position, or none past the last handle.
const u8* sdrAtWalkPosition(const char* caller) {
    RacIpmiPrivateData* pd = g_pPrivateData;
    if (pd == nullptr || pd->pVexa == nullptr || pd->pVexa->fpHSTIPMGetSDRHandleList == nullptr ||
        pd->pVexa->fpHSTIPMGetSDR == nullptr)
        return nullptr;
    VexaEntryTable* t = pd->pVexa;
    VexaBuffer list(t, t->fpHSTIPMGetSDRHandleList());
    if (!list) {
        RAC_ERROR("\nRacIpmi::%s failed to get SDR list\n\n", caller);
        return nullptr;
    }
    if (g_sdrIndexSel >= handleCount(list.get())) return nullptr;
    return t->fpHSTIPMGetSDR(handleAt(list.get(), g_sdrIndexSel));
}

} // namespace

extern "C" {

unsigned attachSdrCache(RacIpmiPrivateData* pd) {
    return attachCache(pd, &RacIpmiPrivateData::sdrCacheAttached, &VexaEntryTable::fpHSTIPMSDRCacheAttach,
                       "attachSdrCache", "HSTIPMSDRCacheAttach");
}

unsigned detachSdrCache(RacIpmiPrivateData* pd) {
    return detachCache(pd, &RacIpmiPrivateData::sdrCacheAttached, &VexaEntryTable::fpHSTIPMSDRCacheDetach,
                       "detachSdrCache");
}

unsigned attachSelCache(RacIpmiPrivateData* pd) {
    return attachCache(pd, &RacIpmiPrivateData::selCacheAttached, &VexaEntryTable::fpHSTIPMSELCacheAttach,
                       "attachSelCache", "HSTIPMSELCacheAttach");
}

unsigned detachSelCache(RacIpmiPrivateData* pd) {
    return detachCache(pd, &RacIpmiPrivateData::selCacheAttached, &VexaEntryTable::fpHSTIPMSELCacheDetach,
                       "detachSelCache");
}

} // extern "C"

namespace {

const HostLog kSdrLog{attachSdrCache, &VexaEntryTable::fpHSTIPMGetNumSDREntries,
                      &VexaEntryTable::fpHSTIPMGetSDRByIndex};
const HostLog kSelLog{attachSelCache, &VexaEntryTable::fpHSTIPMGetNumSELEntries,
                      &VexaEntryTable::fpHSTIPMGetSELEntryByIndex};

unsigned entryCount(RacIpmi* pRacIpmi, const HostLog& log, u32* count) {
    VexaEntryTable* t = racVexa(pRacIpmi);
    if (t == nullptr || t->*log.count == nullptr || t->*log.byIndex == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    unsigned st = log.attach(pRacIpmi->pPrivateData);
    if (st != RACIPMI_SUCCESS) return st;
    *count = (t->*log.count)();
    return RACIPMI_SUCCESS;
}

} // namespace

extern "C" {

unsigned getNumbOfSdrEntries(RacIpmi* pRacIpmi, u16* count) {
    RAC_TRACE_OP("getNumbOfSdrEntries");
    if (count == nullptr) return fail("getNumbOfSdrEntries", RACIPMI_INVALID_INPUT_PARAM);
    u32 n = 0;
    unsigned st = entryCount(pRacIpmi, kSdrLog, &n);
    if (st != RACIPMI_SUCCESS) return fail("getNumbOfSdrEntries", st);
    *count = clampCount(n);
    RAC_DEBUG("\nNumber Of SDR Entries: 0x%02X\n\n", *count);
    return RACIPMI_SUCCESS;
}

unsigned getFirstSdrRecordNum(RacIpmi* pRacIpmi, u16* recordNum) {
    RAC_TRACE_OP("getFirstSdrRecordNum");
    if (pRacIpmi == nullptr || recordNum == nullptr) return fail("getFirstSdrRecordNum", RACIPMI_INVALID_INPUT_PARAM);
    *recordNum = 0;
    RAC_DEBUG("\nFirst SDR Record Number: 0x%02X\n\n", *recordNum);
    return RACIPMI_SUCCESS;
}

unsigned getSdr(RacIpmi* pRacIpmi, u16 index, u8* sdr, u16* next) {
    RAC_TRACE_OP("getSdr");
    if (sdr == nullptr || next == nullptr) return fail("getSdr", RACIPMI_INVALID_INPUT_PARAM);
    u32 count = 0;
    unsigned st = entryCount(pRacIpmi, kSdrLog, &count);
    if (st != RACIPMI_SUCCESS) return fail("getSdr", st);
    // Entries are numbered from 0; the count itself is already past the last one.
    if (index >= count) return fail("getSdr", RACIPMI_INVALID_INPUT_PARAM);
    VexaEntryTable* t = racVexa(pRacIpmi);
    VexaBuffer rec(t, t->fpHSTIPMGetSDRByIndex(index));
    if (!rec) return fail("getSdr", RACIPMI_CMD_FAILED);
    RAC_DEBUG("\nRecord Number: 0x%02X\n\n", index);
    RAC_DUMP("SDR data:\n", rec.get(), kSdrBytes);
    std::memcpy(sdr, rec.get(), kSdrBytes);
    *next = static_cast<u16>(index + 1);
    return RACIPMI_SUCCESS;
}

unsigned getSelTime(RacIpmi* pRacIpmi, u32* seconds) {
    RAC_TRACE_OP("getSelTime");
    VexaEntryTable* t = racVexa(pRacIpmi);
    if (t == nullptr || seconds == nullptr || t->fpHSTIPMGetSELTime == nullptr)
        return fail("getSelTime", RACIPMI_INVALID_INPUT_PARAM);
    unsigned st = attachSelCache(pRacIpmi->pPrivateData);
    if (st != RACIPMI_SUCCESS) return fail("getSelTime", st);
    RAC_DEBUG("\nHSTIPMGetSELTime:\n\n");
    VexaBuffer reply(t);
    u32 status = 0;
    status = racRetry(
        kRacStdRetry,
        [&] {
            reply.reset(t->fpHSTIPMGetSELTime(0, &status, VEXA_TIMEOUT));
            return status;
        },
        [](int left) { RAC_DEBUG("IPMI Timeout occured. Retry count: %d\n\n", left); });
    if (status != 0 || !reply) {
        RAC_ERROR("\nHSTIPMGetSELTime IPMI Completion Code: 0x%02X -- %s\n\n", status,
                  getIpmiCompletionCodeStr(status));
        return fail("getSelTime", RACIPMI_CMD_FAILED);
    }
    RAC_DUMP("Returned data:\n", reply.get(), 4);
    const u8* p = reply.get();
    *seconds = static_cast<u32>(p[0]) | static_cast<u32>(p[1]) << 8 | static_cast<u32>(p[2]) << 16 |
               static_cast<u32>(p[3]) << 24;
    return RACIPMI_SUCCESS;
}

unsigned getNumbOfSelEntries(RacIpmi* pRacIpmi, u16* count) {
    RAC_TRACE_OP("getNumbOfSelEntries");
    if (count == nullptr) return fail("getNumbOfSelEntries", RACIPMI_INVALID_INPUT_PARAM);
    u32 n = 0;
    unsigned st = entryCount(pRacIpmi, kSelLog, &n);
    if (st != RACIPMI_SUCCESS) return fail("getNumbOfSelEntries", st);
    *count = clampCount(n);
    RAC_DEBUG("\nNumber Of SEL Entries: 0x%02X\n\n", *count);
    return RACIPMI_SUCCESS;
}

unsigned getFirstSelRecordID(RacIpmi* pRacIpmi, u16* recordId) {
    RAC_TRACE_OP("getFirstSelRecordID");
    if (pRacIpmi == nullptr || recordId == nullptr) return fail("getFirstSelRecordID", RACIPMI_INVALID_INPUT_PARAM);
    *recordId = 0;
    RAC_DEBUG("\nFirst SEL Record ID: 0x%02X\n\n", *recordId);
    return RACIPMI_SUCCESS;
}

unsigned getSel(RacIpmi* pRacIpmi, u16 index, u8* sel, u16* next) {
    RAC_TRACE_OP("getSel");
    if (sel == nullptr || next == nullptr) return fail("getSel", RACIPMI_INVALID_INPUT_PARAM);
    u32 count = 0;
    unsigned st = entryCount(pRacIpmi, kSelLog, &count);
    if (st != RACIPMI_SUCCESS) return fail("getSel", st);
    if (index >= count) return fail("getSel", RACIPMI_INVALID_INPUT_PARAM);
    RAC_DEBUG("\nHSTIPMGetSELEntryByIndex:\nrecordID: 0x%02X \n\n", index);
    VexaEntryTable* t = racVexa(pRacIpmi);
    VexaBuffer rec(t, t->fpHSTIPMGetSELEntryByIndex(index));
    if (!rec) return fail("getSel", RACIPMI_CMD_FAILED);
    RAC_DEBUG("\nRecord ID: 0x%02X\n\n", index);
    RAC_DUMP("\nSEL data:\n", rec.get(), kSelBytes);
    std::memcpy(sel, rec.get(), kSelBytes);
    *next = index + 1u == count ? kSelEnd : static_cast<u16>(index + 1);
    return RACIPMI_SUCCESS;
}

unsigned convertSelToString(RacIpmi* pRacIpmi, const u8* sel, char* description, u16 descriptionSize,
                            char* date, u16 dateSize, u8* severity) {
    RAC_TRACE_OP("convertSelToString");
    if (pRacIpmi == nullptr || sel == nullptr || description == nullptr || date == nullptr ||
        severity == nullptr || descriptionSize == 0 || dateSize == 0)
        return fail("convertSelToString", RACIPMI_INVALID_INPUT_PARAM);
    if (CSLFSELEntryToStr(sel, 0, date, dateSize, description, descriptionSize, severity, nullptr) != 0) {
        RAC_ERROR("CSLFSELEntryToStr failed\n");
        return fail("convertSelToString", RACIPMI_SEL_TO_TEXT_FAILED);
    }
    return RACIPMI_SUCCESS;
}

unsigned clearSel(RacIpmi* pRacIpmi) {
    RAC_TRACE_OP("clearSel");
    VexaEntryTable* t = racVexa(pRacIpmi);
    if (t == nullptr || t->fpHSTIPMClearSEL == nullptr) return fail("clearSel", RACIPMI_INVALID_INPUT_PARAM);
    u8 progress = 0xFF;
    const u32 status = t->fpHSTIPMClearSEL(kClearSelErase, &progress);
    if (status != 0 || progress != 0) {
        RAC_ERROR("\nHSTIPMClearSEL Return Status: 0x%02X\n\n", status != 0 ? status : progress);
        return fail("clearSel", RACIPMI_CMD_FAILED);
    }
    detachSelCache(pRacIpmi->pPrivateData);  // the next SEL operation reads the log afresh
    return RACIPMI_SUCCESS;
}

const u8* getFirstSDR(void* /*userData*/) {
    g_sdrIndexSel = 0;
    if (g_pPrivateData == nullptr) return nullptr;
    if (attachSdrCache(g_pPrivateData) != RACIPMI_SUCCESS) return nullptr;
    return sdrAtWalkPosition("getFirstSDR");
}

const u8* getNextSDR(const u8* /*previous*/, void* /*userData*/) {
    if (g_pPrivateData == nullptr) return nullptr;
    ++g_sdrIndexSel;
    return sdrAtWalkPosition("getNextSDR");
}

} // extern "C"
