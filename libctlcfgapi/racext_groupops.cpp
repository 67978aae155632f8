// The group operations of the extended configuration: readiness gate, index check, cache,
// and the generic read and write over the group table; the exported operations are thin
// entries into them.
#define RAC_MODULE "racext"
#include "racext_groups.h"
#include "racipmi_ops.h"
#include "tracelog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct CacheSlot {
    u32* valid;
    u8* copy;
};

// The cached copy of group g at index (null members for an uncached group).
CacheSlot cacheSlot(RacIpmiPrivateData* pd, const RacGroup& g, u8 index) {
    if (g.cache < 0 || (g.flags & kRacNoCache) != 0) return {nullptr, nullptr};
    u8* base = reinterpret_cast<u8*>(&pd->groups) + g.cache;
    unsigned count = static_cast<unsigned>(g.lastIndex - g.firstIndex) + 1u;
    unsigned slot = static_cast<unsigned>(index - g.firstIndex);
    return {reinterpret_cast<u32*>(base) + slot, base + count * sizeof(u32) + slot * g.recordSize};
}

bool indexInRange(const RacGroup& g, u8 index) { return index >= g.firstIndex && index <= g.lastIndex; }

// Arguments and readiness, the steps every read and write starts with.
unsigned enter(RacIpmi* r, const RacGroup& g, u8 index, const void* record) {
    if (r == nullptr || r->pPrivateData == nullptr || record == nullptr || !indexInRange(g, index))
        return RACIPMI_INVALID_INPUT_PARAM;
    if ((g.flags & kRacNoGate) != 0) return RACIPMI_SUCCESS;
    return racReadinessGate(r);
}

} // namespace

unsigned racExtResult(const char* op, unsigned st) {
    if (st != RACIPMI_SUCCESS)
        RAC_ERROR("\nRacIpmi::%s Return Code: %u -- %s\n\n", op, st, RacIpmiGetStatusStr(st));
    return st;
}

unsigned racReadinessGate(RacIpmi* r) {
    using StatusFn = unsigned (*)(RacIpmi*, u32*);
    StatusFn fn = r->getRacStatus != nullptr ? reinterpret_cast<StatusFn>(r->getRacStatus) : getRacStatus;
    u32 word = 0;
    unsigned st = fn(r, &word);
    if (st != RACIPMI_SUCCESS) return st;
    if ((word & RAC_STATUS_CONFIG_READY) == 0) {
        RAC_ERROR("\nRAC is in NOT READY State\n\n");
        return RACIPMI_RAC_NOT_READY;
    }
    return RACIPMI_SUCCESS;
}

void racInvalidateGroup(RacIpmiPrivateData* pd, const RacGroup& g, u8 index) {
    CacheSlot c = cacheSlot(pd, g, index);
    if (c.valid != nullptr) *c.valid = 0;
}

unsigned racGroupRead(RacIpmi* r, const RacGroup& g, const char* op, u8 index, void* out) {
    RAC_TRACE_OP(op);
    if (out == nullptr && &g == &kRacGroup_RacIPv6URLGroup) {
        std::printf("pRacIPv6URLGroup = NULL\n");
        std::fflush(stdout);
    }
    unsigned st = enter(r, g, index, out);
    if (st != RACIPMI_SUCCESS) return racExtResult(op, st);
    RacIpmiPrivateData* pd = r->pPrivateData;
    CacheSlot c = cacheSlot(pd, g, index);
    if (c.valid != nullptr && *c.valid) {
        std::memcpy(out, c.copy, g.recordSize);
        return RACIPMI_SUCCESS;
    }
    u8* scratch = static_cast<u8*>(std::calloc(1, g.wireSize));
    u8* record = static_cast<u8*>(std::calloc(1, g.recordSize));
    u16 len = 0;
    if (scratch == nullptr || record == nullptr) st = RACIPMI_MEM_ALLOC_FAILED;
    if (st == RACIPMI_SUCCESS) st = getRacExtCfgParam(pd, g.token, index, g.wireSize, &len, scratch);
    if (st == RACIPMI_SUCCESS) {
        st = racUnpackGroup(g, scratch, len, record);
        if (st != RACIPMI_SUCCESS)
            RAC_ERROR("\n%s: a string length from the RAC exceeds its field\n\n", op);
    }
    if (st == RACIPMI_SUCCESS) {
        if (c.valid != nullptr) {
            std::memcpy(c.copy, record, g.recordSize);
            *c.valid = 1;
        }
        std::memcpy(out, record, g.recordSize);
    }
    std::free(scratch);
    std::free(record);
    return racExtResult(op, st);
}

unsigned racGroupWrite(RacIpmi* r, const RacGroup& g, const char* op, u8 index, u16 mask,
                       const void* in) {
    RAC_TRACE_OP(op);
    unsigned st = enter(r, g, index, in);
    u8* wire = nullptr;
    u16 len = 0;
    if (st == RACIPMI_SUCCESS) {
        wire = static_cast<u8*>(std::calloc(1, g.wireSize));
        if (wire == nullptr) return racExtResult(op, RACIPMI_MEM_ALLOC_FAILED);
        st = racPackGroup(g, static_cast<const u8*>(in), mask, wire, &len);
        if (st != RACIPMI_SUCCESS) {
            RAC_ERROR("\n%s: a string is longer than its field\n\n", op);
            std::free(wire);
            return racExtResult(op, st);
        }
        u16 sentMask = (g.flags & kRacMaskLowByte) ? static_cast<u16>(mask & 0xFF) : mask;
        st = setRacExtCfgParam(r->pPrivateData, g.token, index, 1, sentMask, len, wire);
        std::free(wire);
        if (st == RACIPMI_SUCCESS) racInvalidateGroup(r->pPrivateData, g, index);
    } else if (st == RACIPMI_INVALID_INPUT_PARAM) {
        return racExtResult(op, st);
    }
    // A refused virtual-media write can only report the SD card when it touched field 4.
    if (st != RACIPMI_SUCCESS && (g.flags & kRacVmResult) != 0 && (mask & 0x10) == 0)
        st = RACIPMI_CMD_FAILED;
    return racExtResult(op, st);
}

extern "C" {

#define RAC_GROUP_OPS_(get, set, type, ...)                                               \
    unsigned get(RacIpmi* r, type* out) { return racGroupRead(r, kRacGroup_##type, #get, 0, out); } \
    unsigned set(RacIpmi* r, u16 mask, const type* in) {                                  \
        return racGroupWrite(r, kRacGroup_##type, #set, 0, mask, in);                     \
    }
#define RAC_INDEXED_OPS_(get, set, type, ...)                                             \
    unsigned get(RacIpmi* r, u8 index, type* out) {                                       \
        return racGroupRead(r, kRacGroup_##type, #get, index, out);                       \
    }                                                                                     \
    unsigned set(RacIpmi* r, u8 index, u16 mask, const type* in) {                        \
        return racGroupWrite(r, kRacGroup_##type, #set, index, mask, in);                 \
    }
CTLCFG_RAC_GROUPS(RAC_GROUP_OPS_)
CTLCFG_RAC_INDEXED_GROUPS(RAC_INDEXED_OPS_)
#undef RAC_GROUP_OPS_
#undef RAC_INDEXED_OPS_

unsigned RacGetRacPostConsRedDisable(RacIpmi* r, RacCrCfg* out) {
    return racGroupRead(r, kRacGroup_RacCrCfg, "RacGetRacPostConsRedDisable", 0, out);
}
unsigned RacSetRacPostConsRedDisable(RacIpmi* r, u16 mask, const RacCrCfg* in) {
    return racGroupWrite(r, kRacGroup_RacCrCfg, "RacSetRacPostConsRedDisable", 0, mask, in);
}

unsigned getRacInfo(RacIpmi* r, RacInfo* out) { return racGroupRead(r, kRacGroup_RacInfo, "getRacInfo", 0, out); }

unsigned getRacPostResult(RacIpmi* r, RacPostResult* out) {
    return racGroupRead(r, kRacGroup_RacPostResult, "getRacPostResult", 0, out);
}

unsigned getRacUserPriv(RacIpmi* r, u8 userIndex, u8 privilege[4]) {
    return racGroupRead(r, kRacGroup_UserPriv, "getRacUserPriv", userIndex, privilege);
}

unsigned setRacUserPriv(RacIpmi* r, u8 userIndex, u32 privilege) {
    const u8 rec[4] = {static_cast<u8>(privilege), static_cast<u8>(privilege >> 8),
                       static_cast<u8>(privilege >> 16), static_cast<u8>(privilege >> 24)};
    return racGroupWrite(r, kRacGroup_UserPriv, "setRacUserPriv", userIndex, 1, rec);
}

// Configuration disable: one cached two-byte record behind two reads; each write sends its
// own byte in both positions and lets the mask pick the field.
static unsigned readConfigDisable(RacIpmi* r, const char* op, RacConfigDisable* out) {
    unsigned st = racGroupRead(r, kRacGroup_RacConfigDisable, op, 0, out);
    if (st == RACIPMI_SUCCESS) {
        RAC_DEBUG("\nIP/ GET Local Config Disable : %d \n \n", out->bytes[1]);
        RAC_DEBUG("\nIP/ GET BBB Config Disable : %d \n \n", out->bytes[0]);
    }
    return st;
}

static unsigned writeConfigDisable(RacIpmi* r, const char* op, u16 mask, const RacConfigDisable* in,
                                   int byte) {
    if (in == nullptr) {
        RAC_TRACE_OP(op);
        return racExtResult(op, RACIPMI_INVALID_INPUT_PARAM);
    }
    RacConfigDisable both{{in->bytes[byte], in->bytes[byte]}};
    RAC_DEBUG("\nIP/ token field : %d \n \n", mask);
    RAC_DEBUG("\nIP/ Local Config Disable : %d \n \n", both.bytes[1]);
    RAC_DEBUG("\nIP/ BBB Config Disable : %d \n \n", both.bytes[0]);
    return racGroupWrite(r, kRacGroup_RacConfigDisable, op, 0, mask, &both);
}

unsigned RacGetRacPostConfigDisable(RacIpmi* r, RacConfigDisable* out) {
    return readConfigDisable(r, "RacGetRacPostConfigDisable", out);
}
unsigned RacGetRacLocalConfigDisable(RacIpmi* r, RacConfigDisable* out) {
    return readConfigDisable(r, "RacGetRacLocalConfigDisable", out);
}
unsigned RacSetRacPostConfigDisable(RacIpmi* r, u16 mask, const RacConfigDisable* in) {
    return writeConfigDisable(r, "RacSetRacPostConfigDisable", mask, in, 0);
}
unsigned RacSetRacLocalConfigDisable(RacIpmi* r, u16 mask, const RacConfigDisable* in) {
    return writeConfigDisable(r, "RacSetRacLocalConfigDisable", mask, in, 1);
}

} // extern "C"
