// The IPMI serial channel: terminal-mode line settings, bit rate, flow control, connection
// mode, newline sequences and the channel's privilege limit.
#define RAC_MODULE "serial"
#include "rac_hostcall.h"

namespace {

constexpr u8 kParamConnectMode = 3, kParamMessaging = 7, kParamTerminal = 29;

unsigned serialChannel(RacIpmiPrivateData* pd, const char* op, u8& chan) {
    unsigned st = getSerialChanNumb(pd, &chan);
    if (st != RACIPMI_SUCCESS)
        RAC_ERROR("\nRacIpmi::%s getSerialChanNumb Return Code: %u -- %s\n\n", op, st, RacIpmiGetStatusStr(st));
    return st;
}

template <class Change>
unsigned update(RacIpmi* r, const char* op, u8 param, u8 len, bool doubleWrite, Change change) {
    return racUpdateOp(r, op, getSerialCfgParam, setSerialCfgParam, param, len, doubleWrite, change);
}

template <class Pick>
unsigned query(RacIpmi* r, const char* op, u8 param, u8 len, const void* out, Pick pick) {
    return racQueryOp(r, op, getSerialCfgParam, param, len, out, pick);
}

u8 setBit(u8 b, u8 mask, bool on) { return on ? static_cast<u8>(b | mask) : static_cast<u8>(b & ~mask); }

} // namespace

extern "C" {

unsigned getSerialCfgParam(RacIpmiPrivateData* pd, u8 param, u8 set, u8 block, u8 len, u8* dest) {
    RAC_TRACE_FN("getSerialCfgParam");
    return racGetCfgParam(pd, getSerialChanNumb, "HSTIPMGetSerialConfigurationParameter", "serChannelNumber", param,
                          set, block, len, dest, [&](u8 chan, u32* status, u8 replyLen) {
                              return pd->pVexa->fpHSTIPMGetSerialConfigurationParameter(0, chan, param, set, block,
                                                                                        status, replyLen, VEXA_TIMEOUT);
                          });
}

unsigned setSerialCfgParam(RacIpmiPrivateData* pd, u8 param, u8 len, const u8* data) {
    RAC_TRACE_FN("setSerialCfgParam");
    return racSetCfgParam(
        pd, getSerialChanNumb, "HSTIPMSetSerialConfigurationParameter", param, len, data, [&](u8 chan) {
            return pd->pVexa->fpHSTIPMSetSerialConfigurationParameter(0, chan, param, data, len, VEXA_TIMEOUT);
        });
}

unsigned setSerialChanPrivLimit(RacIpmi *r, u32 limit) {
    RAC_TRACE_OP("setSerialChanPrivLimit");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || limit == 0 || limit > 0x0F)
        return racResult("setSerialChanPrivLimit", RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = serialChannel(pd, "setSerialChanPrivLimit", chan);
    if (st != RACIPMI_SUCCESS) return st;
    return racResult("setSerialChanPrivLimit", racSetChanPrivLimit(pd, chan, limit));
}

unsigned getSerialChanPrivLimit(RacIpmi* r, u32* limit) {
    RAC_TRACE_OP("getSerialChanPrivLimit");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || limit == nullptr) return racResult("getSerialChanPrivLimit", RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = serialChannel(pd, "getSerialChanPrivLimit", chan);
    if (st != RACIPMI_SUCCESS) return st;
    return racResult("getSerialChanPrivLimit", racGetChanPrivLimit(pd, chan, limit));
}

// Terminal mode byte 0: handshake bit 0, echo bit 1, delete control bits 2-3, line edit bit 5.
unsigned setSerialEchoCtrlState(RacIpmi* r, u32 state) {
    return update(r, "setSerialEchoCtrlState", kParamTerminal, 2, true,
                  [&](u8* d) { d[0] = setBit(d[0], 0x02, state == 1); });
}
unsigned getSerialEchoCtrlState(RacIpmi* r, u32* state) {
    return query(r, "getSerialEchoCtrlState", kParamTerminal, 2, state, [&](const u8* d) {
        *state = (d[0] >> 1) & 1;
        return 0u;
    });
}
unsigned setSerialHandshakeState(RacIpmi* r, u32 state) {
    return update(r, "setSerialHandshakeState", kParamTerminal, 2, true,
                  [&](u8* d) { d[0] = setBit(d[0], 0x01, state == 1); });
}
unsigned getSerialHandshakeState(RacIpmi* r, u32* state) {
    return query(r, "getSerialHandshakeState", kParamTerminal, 2, state, [&](const u8* d) {
        *state = d[0] & 1;
        return 0u;
    });
}
unsigned setSerialLineEditState(RacIpmi* r, u32 state) {
    return update(r, "setSerialLineEditState", kParamTerminal, 2, true,
                  [&](u8* d) { d[0] = setBit(d[0], 0x20, state == 1); });
}
unsigned getSerialLineEditState(RacIpmi* r, u32* state) {
    return query(r, "getSerialLineEditState", kParamTerminal, 2, state, [&](const u8* d) {
        *state = (d[0] >> 5) & 1;
        return 0u;
    });
}
unsigned setSerialDelBkspState(RacIpmi* r, u32 state) {
    return update(r, "setSerialDelBkspState", kParamTerminal, 2, true, [&](u8* d) {
        d[0] = static_cast<u8>((d[0] & ~0x0C) | (state == 1 ? 0x04 : 0x00)); // 01b delete, 00b backspace
    });
}
unsigned getSerialDelBkspState(RacIpmi* r, u32* state) {
    return query(r, "getSerialDelBkspState", kParamTerminal, 2, state, [&](const u8* d) {
        *state = ((d[0] >> 2) & 3) == 1 ? 1 : 0;
        return 0u;
    });
}

// Terminal mode byte 1: input newline sequence bits 0-3, output newline sequence bits 4-7.
unsigned setSerialInputNewLineSeq(RacIpmi* r, u32 seq) {
    if (seq > 0x0F) return racRefuse("setSerialInputNewLineSeq");
    return update(r, "setSerialInputNewLineSeq", kParamTerminal, 2, false,
                  [&](u8* d) { d[1] = static_cast<u8>((d[1] & 0xF0) | seq); });
}
unsigned getSerialInputNewLineSeq(RacIpmi* r, u32* seq) {
    return query(r, "getSerialInputNewLineSeq", kParamTerminal, 2, seq, [&](const u8* d) {
        RAC_DEBUG("Returned seq from IPMI: %x\n", d[1]);
        *seq = d[1] & 0x0F;
        RAC_DEBUG("*pSeq to be returned to upper layer: %x\n", *seq);
        return 0u;
    });
}
unsigned setSerialNewLineSeq(RacIpmi* r, u32 seq) {
    if (seq > 0x0F) return racRefuse("setSerialNewLineSeq");
    return update(r, "setSerialNewLineSeq", kParamTerminal, 2, false,
                  [&](u8* d) { d[1] = static_cast<u8>((d[1] & 0x0F) | (seq << 4)); });
}
unsigned getSerialNewLineSeq(RacIpmi* r, u32* seq) {
    return query(r, "getSerialNewLineSeq", kParamTerminal, 2, seq, [&](const u8* d) {
        RAC_DEBUG("Returned seq from IPMI: %x\n", d[1]);
        *seq = d[1] >> 4;
        RAC_DEBUG("Shifter seq: %x\n", *seq);
        RAC_DEBUG("*pSeq to be returned to upper layer: %x\n", *seq);
        return 0u;
    });
}

unsigned setSerialBaudRate(RacIpmi* r, u32 bps) {
    const u8 code = racRateCode(bps);
    if (code == 0) return racRefuse("setSerialBaudRate");
    return update(r, "setSerialBaudRate", kParamMessaging, 2, false, [&](u8* d) { d[1] = code; });
}
unsigned getSerialBaudRate(RacIpmi* r, u32* bps) {
    return query(r, "getSerialBaudRate", kParamMessaging, 2, bps, [&](const u8* d) {
        const u32 rate = racRateOf(d[1] & 0x0F);
        if (rate == 0) {
            RAC_ERROR("\nUnknown serial bit rate code: 0x%02X\n\n", d[1]);
            return static_cast<unsigned>(RACIPMI_INVALID_DATA_FORMAT);
        }
        *bps = rate;
        return 0u;
    });
}

// Flow control is bits 6-7 of byte 0, given and returned in place.
unsigned setSerialFlowCtrl(RacIpmi* r, u32 flow) {
    if ((flow & ~0xC0u) != 0) return racRefuse("setSerialFlowCtrl");
    return update(r, "setSerialFlowCtrl", kParamMessaging, 2, false,
                  [&](u8* d) { d[0] = static_cast<u8>((d[0] & 0x3F) | flow); });
}
unsigned getSerialFlowCtrl(RacIpmi* r, u32* flow) {
    return query(r, "getSerialFlowCtrl", kParamMessaging, 2, flow, [&](const u8* d) {
        *flow = d[0] & 0xC0;
        return 0u;
    });
}

unsigned setSerialConnectMode(RacIpmi* r, u32 mode) {
    if (mode > 0x07) return racRefuse("setSerialConnectMode");
    return update(r, "setSerialConnectMode", kParamConnectMode, 1, false,
                  [&](u8* d) { d[0] = static_cast<u8>((d[0] & ~0x07) | mode); });
}
unsigned getSerialConnectMode(RacIpmi* r, u32* mode) {
    return query(r, "getSerialConnectMode", kParamConnectMode, 1, mode, [&](const u8* d) {
        const u8 m = d[0] & 0x07;
        if (m != 1 && m != 4) {
            RAC_ERROR("\nUnknown serial connection mode: 0x%02X\n\n", d[0]);
            return static_cast<unsigned>(RACIPMI_UNKNOWN_VALUE);
        }
        *mode = m;
        return 0u;
    });
}

} // extern "C"
