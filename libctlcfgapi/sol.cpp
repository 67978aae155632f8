// Serial-over-LAN settings, on the LAN channel: enable, minimum privilege, character
// accumulation interval and send threshold, and the bit rate (non-volatile and volatile).
#define RAC_MODULE "sol"
#include "rac_hostcall.h"

namespace {

constexpr u8 kParamEnable = 1, kParamAuth = 2, kParamAccumulate = 3, kParamRateNonVolatile = 5,
             kParamRateVolatile = 6;

template <class Change>
unsigned update(RacIpmi* r, const char* op, u8 param, u8 len, Change change) {
    return racUpdateOp(r, op, getSolCfgParam, setSolCfgParam, param, len, false, change);
}

template <class Pick>
unsigned query(RacIpmi* r, const char* op, u8 param, u8 len, const void* out, Pick pick) {
    return racQueryOp(r, op, getSolCfgParam, param, len, out, pick);
}

} // namespace

extern "C" {

unsigned getSolCfgParam(RacIpmiPrivateData* pd, u8 param, u8 set, u8 block, u8 len, u8* dest) {
    RAC_TRACE_FN("getSolCfgParam");
    return racGetCfgParam(pd, getLanChanNumb, "HSTIPMGetSOLConfigurationParameter", "solChannelNumber", param, set,
                          block, len, dest, [&](u8 chan, u32* status, u8 replyLen) {
                              return pd->pVexa->fpHSTIPMGetSOLConfigurationParameter(0, chan, param, set, block, status,
                                                                                     replyLen, VEXA_TIMEOUT);
                          });
}

unsigned setSolCfgParam(RacIpmiPrivateData* pd, u8 param, u8 len, const u8* data) {
    RAC_TRACE_FN("setSolCfgParam");
    return racSetCfgParam(pd, getLanChanNumb, "HSTIPMSetSOLConfigurationParameter", param, len, data, [&](u8 chan) {
        return pd->pVexa->fpHSTIPMSetSOLConfigurationParameter(0, chan, param, data, len, VEXA_TIMEOUT);
    });
}

unsigned setSolState(RacIpmi *r, u32 state) {
    return update(r, "setSolState", kParamEnable, 1,
                  [&](u8* d) { d[0] = static_cast<u8>((d[0] & ~0x01) | (state == 1 ? 1 : 0)); });
}
unsigned getSolState(RacIpmi* r, u32* state) {
    return query(r, "getSolState", kParamEnable, 1, state, [&](const u8* d) {
        *state = d[0] & 1;
        return 0u;
    });
}

unsigned setSolAccumInterval(RacIpmi* r, u8 interval) {
    if (interval == 0) return racRefuse("setSolAccumInterval");
    return update(r, "setSolAccumInterval", kParamAccumulate, 2, [&](u8* d) { d[0] = interval; });
}
unsigned getSolAccumInterval(RacIpmi* r, u8* interval) {
    return query(r, "getSolAccumInterval", kParamAccumulate, 2, interval, [&](const u8* d) {
        *interval = d[0];
        return 0u;
    });
}

unsigned setSolSendThld(RacIpmi* r, u8 threshold) {
    if (threshold == 0) return racRefuse("setSolSendThld");
    return update(r, "setSolSendThld", kParamAccumulate, 2, [&](u8* d) { d[1] = threshold; });
}
unsigned getSolSendThld(RacIpmi* r, u8* threshold) {
    return query(r, "getSolSendThld", kParamAccumulate, 2, threshold, [&](const u8* d) {
        *threshold = d[1];
        return 0u;
    });
}

unsigned setSolMinReqPriv(RacIpmi* r, u32 privilege) {
    if (privilege < 2 || privilege > 4) return racRefuse("setSolMinReqPriv");
    return update(r, "setSolMinReqPriv", kParamAuth, 1, [&](u8* d) { d[0] = static_cast<u8>(privilege); });
}
unsigned getSolMinReqPriv(RacIpmi* r, u32* privilege) {
    return query(r, "getSolMinReqPriv", kParamAuth, 1, privilege, [&](const u8* d) {
        *privilege = d[0] & 0x0F;
        return 0u;
    });
}

unsigned setSolBaudRate(RacIpmi* r, u32 bps) {
    RAC_TRACE_OP("setSolBaudRate");
    RacIpmiPrivateData* pd = racInstance(r);
    const u8 code = bps == 0 ? 0 : racRateCode(bps); // 0: the serial channel's rate
    if (pd == nullptr || (bps != 0 && code == 0)) return racResult("setSolBaudRate", RACIPMI_INVALID_INPUT_PARAM);
    unsigned st = setSolCfgParam(pd, kParamRateNonVolatile, 1, &code);
    if (st == RACIPMI_SUCCESS) st = setSolCfgParam(pd, kParamRateVolatile, 1, &code);
    return racResult("setSolBaudRate", st);
}
unsigned getSolBaudRate(RacIpmi* r, u32* bps) {
    return query(r, "getSolBaudRate", kParamRateNonVolatile, 1, bps, [&](const u8* d) {
        const u8 code = d[0] & 0x0F;
        const u32 rate = racRateOf(code);
        if (code != 0 && rate == 0) {
            RAC_ERROR("\nUnknown SOL bit rate code: 0x%02X\n\n", d[0]);
            return static_cast<unsigned>(RACIPMI_INVALID_DATA_FORMAT);
        }
        *bps = rate;
        return 0u;
    });
}

} // extern "C"
