// The common shape of one host-library call inside an operation: the time-out retry rule,
// the completion-code or return-status line on failure, and the "RacIpmi::" result line.
// Include after defining RAC_MODULE: the trace lines carry the including module's name.
#pragma once

#include "racipmi_ops.h"
#include "tracelog.h"

#include <cstring>

namespace {

// The instance behind a record, or null when the record or its instance is missing.
inline RacIpmiPrivateData* racInstance(RacIpmi* r) {
    return (r != nullptr && r->pPrivateData != nullptr && r->pPrivateData->pVexa != nullptr)
               ? r->pPrivateData
               : nullptr;
}

inline void racTraceTimeout(int left) { RAC_DEBUG("IPMI Timeout occured. Retry count: %d\n\n", left); }

// A read: call(&status) returns the host buffer. On success reply holds it; a non-zero
// status or no data gives 11 with the completion-code line (reply then holds nothing).
template <class Call>
unsigned racHostRead(const char* entry, VexaBuffer& reply, Call call) {
    u32 status = 0;
    status = racRetry(
        kRacStdRetry,
        [&] {
            status = 0;
            reply.reset(call(&status));
            return status;
        },
        racTraceTimeout);
    if (status != 0 || !reply) {
        RAC_ERROR("\n%s IPMI Completion Code: 0x%02X -- %s\n\n", entry, status,
                  getIpmiCompletionCodeStr(status));
        reply.reset();
        return RACIPMI_CMD_FAILED;
    }
    return RACIPMI_SUCCESS;
}

// A write: call() returns the status; non-zero gives 11 with the return-status line.
template <class Call>
unsigned racHostWrite(const char* entry, Call call, const char* statusWord = "Return Status") {
    u32 status = racRetry(kRacStdRetry, call, racTraceTimeout);
    if (status != 0) {
        RAC_ERROR("\n%s %s: 0x%02X\n\n", entry, statusWord, status);
        return RACIPMI_CMD_FAILED;
    }
    return RACIPMI_SUCCESS;
}

// A configuration-parameter read (LAN, serial, SOL) on the channel lookup() gives:
// get(chan, status, replyLen) returns the host buffer; the length bytes after the parameter
// revision are copied to dest.
using RacChanLookup = unsigned (*)(RacIpmiPrivateData*, u8*);

template <class Get>
unsigned racGetCfgParam(RacIpmiPrivateData* pd, RacChanLookup lookup, const char* entry, const char* chanLabel,
                        u8 param, u8 set, u8 block, u8 len, u8* dest, Get get) {
    if (pd == nullptr || pd->pVexa == nullptr || dest == nullptr || len == 0xFF) return RACIPMI_INVALID_INPUT_PARAM;
    u8 chan = 0;
    unsigned st = lookup(pd, &chan);
    if (st != RACIPMI_SUCCESS) return st;
    const u8 replyLen = static_cast<u8>(len + 1);
    RAC_DEBUG("\n%s:\n%s: 0x%02X\nparameterID: 0x%02X\nsetSelector: 0x%02X\nblockSelector: 0x%02X\n"
              "parameterDataLen: 0x%02X\n\n",
              entry, chanLabel, chan, param, set, block, replyLen);
    VexaBuffer reply(pd->pVexa);
    st = racHostRead(entry, reply, [&](u32* status) { return get(chan, status, replyLen); });
    if (st != RACIPMI_SUCCESS) return st;
    RAC_DUMP("Returned data:\n", reply.get(), replyLen);
    std::memcpy(dest, reply.get() + 1, len);
    return RACIPMI_SUCCESS;
}

// A configuration-parameter write on the channel lookup() gives: set(chan) returns the status.
template <class Set>
unsigned racSetCfgParam(RacIpmiPrivateData* pd, RacChanLookup lookup, const char* entry, u8 param, u8 len,
                        const u8* data, Set set) {
    if (pd == nullptr || pd->pVexa == nullptr || (data == nullptr && len != 0)) return RACIPMI_INVALID_INPUT_PARAM;
    u8 chan = 0;
    unsigned st = lookup(pd, &chan);
    if (st != RACIPMI_SUCCESS) return st;
    RAC_DEBUG("\n%s:\nserChannelNumber: 0x%02X\nparameterID: 0x%02X\nparameterDataLen: 0x%02X\n\n", entry, chan,
              param, len);
    RAC_DUMP("ParameterData:\n", data, len);
    return racHostWrite(entry, [&] { return set(chan); });
}

// Read-modify-write of a configuration parameter through a module's get/set helpers.
// With doubleWrite the parameter is written with bit 6 of its first byte set, then, if
// that succeeded, again with it clear (the terminal-mode update sequence).
using RacParamGet = unsigned (*)(RacIpmiPrivateData*, u8, u8, u8, u8, u8*);
using RacParamSet = unsigned (*)(RacIpmiPrivateData*, u8, u8, const u8*);

template <class Change>
unsigned racUpdateParam(RacIpmiPrivateData* pd, RacParamGet get, RacParamSet set, u8 param, u8 len,
                        bool doubleWrite, Change change) {
    u8 data[8] = {};
    unsigned st = get(pd, param, 0, 0, len, data);
    if (st != RACIPMI_SUCCESS) return st;
    change(data);
    if (!doubleWrite) return set(pd, param, len, data);
    data[0] = static_cast<u8>(data[0] | 0x40);
    st = set(pd, param, len, data);
    if (st != RACIPMI_SUCCESS) return st;
    data[0] = static_cast<u8>(data[0] & ~0x40);
    return set(pd, param, len, data);
}

// An operation that is one such read-modify-write.
template <class Change>
unsigned racUpdateOp(RacIpmi* r, const char* op, RacParamGet get, RacParamSet set, u8 param, u8 len,
                     bool doubleWrite, Change change);

// An operation that reads one parameter and hands its bytes to pick(), which may refuse
// them with a status.
template <class Pick>
unsigned racQueryOp(RacIpmi* r, const char* op, RacParamGet get, u8 param, u8 len, const void* out, Pick pick);

// An operation refused for its arguments, before any host call.
inline unsigned racRefuse(const char* op);

// Bit-rate codes of the serial and SOL parameters; 0 when the rate is not in the table.
struct RacRate {
    u8 code;
    u32 bitsPerSecond;
};
constexpr RacRate kRacRates[] = {{6, 9600}, {7, 19200}, {8, 38400}, {9, 57600}, {10, 115200}};

inline u8 racRateCode(u32 bps) {
    for (const RacRate& r : kRacRates)
        if (r.bitsPerSecond == bps) return r.code;
    return 0;
}
inline u32 racRateOf(u8 code) {
    for (const RacRate& r : kRacRates)
        if (r.code == code) return r.bitsPerSecond;
    return 0;
}

// The end of every operation: a failure is written with the status text.
inline unsigned racResult(const char* op, unsigned st) {
    if (st != RACIPMI_SUCCESS)
        RAC_ERROR("\nRacIpmi::%s Return Code: %u -- %s\n\n", op, st, RacIpmiGetStatusStr(st));
    return st;
}

template <class Change>
unsigned racUpdateOp(RacIpmi* r, const char* op, RacParamGet get, RacParamSet set, u8 param, u8 len,
                     bool doubleWrite, Change change) {
    RAC_TRACE_OP(op);
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr) return racResult(op, RACIPMI_INVALID_INPUT_PARAM);
    return racResult(op, racUpdateParam(pd, get, set, param, len, doubleWrite, change));
}

template <class Pick>
unsigned racQueryOp(RacIpmi* r, const char* op, RacParamGet get, u8 param, u8 len, const void* out, Pick pick) {
    RAC_TRACE_OP(op);
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || out == nullptr) return racResult(op, RACIPMI_INVALID_INPUT_PARAM);
    u8 data[8] = {};
    unsigned st = get(pd, param, 0, 0, len, data);
    if (st == RACIPMI_SUCCESS) st = pick(data);
    return racResult(op, st);
}

inline unsigned racRefuse(const char* op) {
    RAC_TRACE_OP(op);
    return racResult(op, RACIPMI_INVALID_INPUT_PARAM);
}

} // namespace
