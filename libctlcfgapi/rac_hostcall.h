// The common shape of one host-library call inside an operation: the time-out retry rule,
// the completion-code or return-status line on failure, and the "RacIpmi::" result line.
// Include after defining RAC_MODULE: the trace lines carry the including module's name.
#pragma once

#include "racipmi_ops.h"
#include "tracelog.h"

namespace {

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

// The end of every operation: a failure is written with the status text.
inline unsigned racResult(const char* op, unsigned st) {
    if (st != RACIPMI_SUCCESS)
        RAC_ERROR("\nRacIpmi::%s Return Code: %u -- %s\n\n", op, st, RacIpmiGetStatusStr(st));
    return st;
}

// The instance behind a record, or null when the record or its instance is missing.
inline RacIpmiPrivateData* racInstance(RacIpmi* r) {
    return (r != nullptr && r->pPrivateData != nullptr && r->pPrivateData->pVexa != nullptr)
               ? r->pPrivateData
               : nullptr;
}

} // namespace
