// The IPMI LAN channel: channel state and privilege limit (channel access bytes), the NIC's
// IPv4 settings, address source, MAC address, 802.1Q VLAN and the channel security keys.
#define RAC_MODULE "lan"
#include "rac_hostcall.h"

#include <cstring>

namespace {

// LAN configuration parameters.
constexpr u8 kParamIpAddr = 3, kParamIpSource = 4, kParamMac = 5, kParamMask = 6, kParamGateway = 12,
             kParamVlanId = 20, kParamVlanPriority = 21;

constexpr u8 kAccessNonVolatileRead = 0x40;
constexpr u8 kSelNonVolatile = 0x40, kSelVolatile = 0x80, kSelMask = 0xC0;
constexpr u16 kVlanEnable = 0x8000, kVlanIdMask = 0x0FFF;

// The byte whose set selector is 01b (non-volatile) becomes 10b (volatile).
u8 toVolatile(u8 b) { return (b & kSelMask) == kSelNonVolatile ? static_cast<u8>((b & 0x3F) | kSelVolatile) : b; }

unsigned lanChannel(RacIpmiPrivateData* pd, const char* op, u8& chan) {
    unsigned st = getLanChanNumb(pd, &chan);
    if (st != RACIPMI_SUCCESS)
        RAC_ERROR("\nRacIpmi::%s getLanChanNumb Return Code: %u -- %s\n\n", op, st, RacIpmiGetStatusStr(st));
    return st;
}

// One address-like parameter (IP, mask, gateway, MAC) read or written whole.
unsigned readParam(RacIpmi* r, const char* op, u8 param, u8 len, u8* dest) {
    RAC_TRACE_OP(op);
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || dest == nullptr) return racResult(op, RACIPMI_INVALID_INPUT_PARAM);
    return racResult(op, getLanCfgParam(pd, param, 0, 0, len, dest));
}

unsigned writeParam(RacIpmi* r, const char* op, u8 param, u8 len, const u8* data) {
    RAC_TRACE_OP(op);
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || data == nullptr) return racResult(op, RACIPMI_INVALID_INPUT_PARAM);
    return racResult(op, setLanCfgParam(pd, param, len, data));
}

unsigned readVlan(RacIpmiPrivateData* pd, u16& value) {
    u8 b[2] = {};
    unsigned st = getLanCfgParam(pd, kParamVlanId, 0, 0, 2, b);
    value = static_cast<u16>(b[0] | (b[1] << 8));
    return st;
}

unsigned writeVlan(RacIpmiPrivateData* pd, u16 value) {
    const u8 b[2] = {static_cast<u8>(value & 0xFF), static_cast<u8>(value >> 8)};
    return setLanCfgParam(pd, kParamVlanId, 2, b);
}

} // namespace

extern "C" {

unsigned getLanCfgParam(RacIpmiPrivateData* pd, u8 param, u8 set, u8 block, u8 len, u8* dest) {
    RAC_TRACE_FN("getLanCfgParam");
    return racGetCfgParam(pd, getLanChanNumb, "HSTIPMGetLANConfigurationParameter", "lanChannelNumber", param, set,
                          block, len, dest, [&](u8 chan, u32* status, u8 replyLen) {
                              return pd->pVexa->fpHSTIPMGetLANConfigurationParameter(0, chan, param, set, block, status,
                                                                                     replyLen, VEXA_TIMEOUT);
                          });
}

unsigned setLanCfgParam(RacIpmiPrivateData* pd, u8 param, u8 len, const u8* data) {
    RAC_TRACE_FN("setLanCfgParam");
    return racSetCfgParam(pd, getLanChanNumb, "HSTIPMSetLANConfigurationParameter", param, len, data, [&](u8 chan) {
        return pd->pVexa->fpHSTIPMSetLANConfigurationParameter(0, chan, param, data, len, VEXA_TIMEOUT);
    });
}

unsigned racGetChannelAccess(RacIpmiPrivateData* pd, u8 chan, u8 bytes[2]) {
    if (pd == nullptr || pd->pVexa == nullptr || bytes == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMGetChannelAccessInfo:\naccessChannelNumber: 0x%02X\nchannelData: 0x%02X\n\n", chan,
              kAccessNonVolatileRead);
    VexaBuffer reply(t);
    unsigned st = racHostRead("HSTIPMGetChannelAccessInfo", reply, [&](u32* status) {
        return t->fpHSTIPMGetChannelAccessInfo(0, chan, kAccessNonVolatileRead, status, VEXA_TIMEOUT);
    });
    if (st != RACIPMI_SUCCESS) return st;
    RAC_DUMP("Returned data:\n", reply.get(), 2);
    bytes[0] = reply.get()[0];
    bytes[1] = reply.get()[1];
    return RACIPMI_SUCCESS;
}

unsigned racSetChannelAccess(RacIpmiPrivateData* pd, u8 chan, u8 access, u8 limits, int petForm) {
    if (pd == nullptr || pd->pVexa == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    VexaEntryTable* t = pd->pVexa;
    const char* word = petForm ? "Vexa Return Status" : "Return Status";
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) { // the same setting again, as the volatile (present) one
            access = toVolatile(access);
            limits = toVolatile(limits);
        }
        if (petForm)
            RAC_DEBUG("\nHSTIPMSetChannelAccessInfo:\nchannelNumber: 0x%02X\naccessChannelNumber: 0x%02X\n"
                      "channelDataByte: 0x%02X\nchannelLimits: 0x%02X\n\n",
                      0, chan, access, limits);
        else
            RAC_DEBUG("\nHSTIPMSetChannelAccessInfo:\naccessChannelNumber: 0x%02X\nchannelDataByte: 0x%02X\n"
                      "channelLimits: 0x%02X\n\n",
                      chan, access, limits);
        unsigned st = racHostWrite(
            "HSTIPMSetChannelAccessInfo",
            [&] { return t->fpHSTIPMSetChannelAccessInfo(0, chan, access, limits, VEXA_TIMEOUT); }, word);
        if (st != RACIPMI_SUCCESS) return st;
    }
    return RACIPMI_SUCCESS;
}

unsigned racSetChanPrivLimit(RacIpmiPrivateData* pd, u8 chan, u32 limit) {
    // The limit fills bits 0-3; anything wider would spill into the set selector.
    if (limit == 0 || limit > 0x0F) return RACIPMI_INVALID_INPUT_PARAM;
    u8 b[2];
    unsigned st = racGetChannelAccess(pd, chan, b);
    if (st != RACIPMI_SUCCESS) return st;
    const u8 access = static_cast<u8>(b[0] & 0x3F); // selector 00b: left as it is
    const u8 limits = static_cast<u8>(limit | kSelNonVolatile);
    return racSetChannelAccess(pd, chan, access, limits, 0);
}

unsigned racGetChanPrivLimit(RacIpmiPrivateData* pd, u8 chan, u32* limit) {
    if (limit == nullptr) return RACIPMI_INVALID_INPUT_PARAM;
    u8 b[2];
    unsigned st = racGetChannelAccess(pd, chan, b);
    if (st == RACIPMI_SUCCESS) *limit = b[1] & 0x0F;
    return st;
}

unsigned setLanChanState(RacIpmi* r, u32 state) {
    RAC_TRACE_OP("setLanChanState");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr) return racResult("setLanChanState", RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = lanChannel(pd, "setLanChanState", chan);
    if (st != RACIPMI_SUCCESS) return st;
    u8 b[2];
    st = racGetChannelAccess(pd, chan, b);
    if (st == RACIPMI_SUCCESS) {
        const u8 limits = static_cast<u8>(b[1] & 0x0F); // selector 00b: unchanged
        const u8 mode = state != 0 ? 2 : 0;              // always available, or disabled
        const u8 access = static_cast<u8>((b[0] & 0x38) | mode | kSelNonVolatile);
        st = racSetChannelAccess(pd, chan, access, limits, 0);
    }
    return racResult("setLanChanState", st);
}

unsigned getLanChanState(RacIpmi* r, u32* state) {
    RAC_TRACE_OP("getLanChanState");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || state == nullptr) return racResult("getLanChanState", RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = lanChannel(pd, "getLanChanState", chan);
    if (st != RACIPMI_SUCCESS) return st;
    u8 b[2];
    st = racGetChannelAccess(pd, chan, b);
    if (st == RACIPMI_SUCCESS) *state = (b[0] & 0x07) != 0 ? 1 : 0;
    return racResult("getLanChanState", st);
}

unsigned setLanChanPrivLimit(RacIpmi* r, u32 limit) {
    RAC_TRACE_OP("setLanChanPrivLimit");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || limit == 0 || limit > 0x0F)
        return racResult("setLanChanPrivLimit", RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = lanChannel(pd, "setLanChanPrivLimit", chan);
    if (st != RACIPMI_SUCCESS) return st;
    return racResult("setLanChanPrivLimit", racSetChanPrivLimit(pd, chan, limit));
}

unsigned getLanChanPrivLimit(RacIpmi* r, u32* limit) {
    RAC_TRACE_OP("getLanChanPrivLimit");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || limit == nullptr) return racResult("getLanChanPrivLimit", RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = lanChannel(pd, "getLanChanPrivLimit", chan);
    if (st != RACIPMI_SUCCESS) return st;
    return racResult("getLanChanPrivLimit", racGetChanPrivLimit(pd, chan, limit));
}

unsigned setNicIpAddr(RacIpmi* r, const u8* a) { return writeParam(r, "setNicIpAddr", kParamIpAddr, 4, a); }
unsigned getNicIpAddr(RacIpmi* r, u8* a) { return readParam(r, "getNicIpAddr", kParamIpAddr, 4, a); }
unsigned setNicSubnetMask(RacIpmi* r, const u8* m) { return writeParam(r, "setNicSubnetMask", kParamMask, 4, m); }
unsigned getNicSubnetMask(RacIpmi* r, u8* m) { return readParam(r, "getNicSubnetMask", kParamMask, 4, m); }
unsigned setNicGateway(RacIpmi* r, const u8* a) { return writeParam(r, "setNicGateway", kParamGateway, 4, a); }
unsigned getNicGateway(RacIpmi* r, u8* a) { return readParam(r, "getNicGateway", kParamGateway, 4, a); }
unsigned getNicMacAddr(RacIpmi* r, u8* mac) { return readParam(r, "getNicMacAddr", kParamMac, 6, mac); }

unsigned setNicUseDhcpState(RacIpmi* r, u32 state) {
    const u8 source = state == 1 ? 2 : 1; // DHCP, or static
    return writeParam(r, "setNicUseDhcpState", kParamIpSource, 1, &source);
}

unsigned getNicUseDhcpState(RacIpmi* r, u32* state) {
    RAC_TRACE_OP("getNicUseDhcpState");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || state == nullptr) return racResult("getNicUseDhcpState", RACIPMI_INVALID_INPUT_PARAM);
    u8 source = 0;
    unsigned st = getLanCfgParam(pd, kParamIpSource, 0, 0, 1, &source);
    if (st == RACIPMI_SUCCESS) {
        switch (source & 0x0F) {
        case 1: *state = 0; break;
        case 2: *state = 1; break;
        default:
            RAC_ERROR("\nUnknown IP address source: 0x%02X\n\n", source);
            st = RACIPMI_UNKNOWN_VALUE;
        }
    }
    return racResult("getNicUseDhcpState", st);
}

unsigned setNicVlanState(RacIpmi* r, u32 state) {
    RAC_TRACE_OP("setNicVlanState");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr) return racResult("setNicVlanState", RACIPMI_INVALID_INPUT_PARAM);
    u16 v = 0;
    unsigned st = readVlan(pd, v);
    if (st == RACIPMI_SUCCESS) {
        v = state == 1 ? static_cast<u16>(v | kVlanEnable) : static_cast<u16>(v & ~kVlanEnable);
        st = writeVlan(pd, v);
    }
    return racResult("setNicVlanState", st);
}

unsigned getNicVlanState(RacIpmi* r, u32* state) {
    RAC_TRACE_OP("getNicVlanState");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || state == nullptr) return racResult("getNicVlanState", RACIPMI_INVALID_INPUT_PARAM);
    u16 v = 0;
    unsigned st = readVlan(pd, v);
    if (st == RACIPMI_SUCCESS) *state = (v & kVlanEnable) ? 1 : 0;
    return racResult("getNicVlanState", st);
}

unsigned setNicVlanID(RacIpmi* r, u16 id) {
    RAC_TRACE_OP("setNicVlanID");
    RacIpmiPrivateData* pd = racInstance(r);
    // An ID wider than 12 bits would land in the enable and reserved bits.
    if (pd == nullptr || id > kVlanIdMask) return racResult("setNicVlanID", RACIPMI_INVALID_INPUT_PARAM);
    u16 v = 0;
    unsigned st = readVlan(pd, v);
    if (st == RACIPMI_SUCCESS) st = writeVlan(pd, static_cast<u16>((v & ~kVlanIdMask) | id));
    return racResult("setNicVlanID", st);
}

unsigned getNicVlanID(RacIpmi* r, u16* id) {
    RAC_TRACE_OP("getNicVlanID");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || id == nullptr) return racResult("getNicVlanID", RACIPMI_INVALID_INPUT_PARAM);
    u16 v = 0;
    unsigned st = readVlan(pd, v);
    if (st == RACIPMI_SUCCESS) *id = static_cast<u16>(v & kVlanIdMask);
    return racResult("getNicVlanID", st);
}

unsigned setNicVlanPriority(RacIpmi* r, u8 priority) {
    if (priority > 7) { // 802.1Q priority is three bits
        RAC_TRACE_OP("setNicVlanPriority");
        return racResult("setNicVlanPriority", RACIPMI_INVALID_INPUT_PARAM);
    }
    return writeParam(r, "setNicVlanPriority", kParamVlanPriority, 1, &priority);
}

unsigned getNicVlanPriority(RacIpmi* r, u8* priority) {
    return readParam(r, "getNicVlanPriority", kParamVlanPriority, 1, priority);
}

unsigned setChanSecurityKey(RacIpmi* r, u8 keyId, const u8* key) {
    RAC_TRACE_OP("setChanSecurityKey");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || key == nullptr) {
        RAC_ERROR("\nRacIpmi::setChanSecurityKey: Invalid Input Parameter\n\n");
        return RACIPMI_INVALID_INPUT_PARAM;
    }
    u8 chan = 0;
    unsigned st = lanChannel(pd, "setChanSecurityKey", chan);
    if (st != RACIPMI_SUCCESS) return st;
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMSetChannelSecurityKeys:\nlanChannelNumber: 0x%02X\noperation: 0x%02X\nkeyID: 0x%02X\n"
              "pKey: 0x%02X\nkeyLen: 0x%02X\n\n",
              chan, 1, keyId, key[0], 20);
    RAC_DUMP("Key:\n", key, 20);
    u32 status = 0;
    VexaBuffer reply(t);
    status = racRetry(
        kRacStdRetry,
        [&] {
            status = 0;
            reply.reset(t->fpHSTIPMSetChannelSecurityKeys(chan, 1, keyId, key, 20, &status, VEXA_TIMEOUT));
            return status;
        },
        racTraceTimeout);
    if (status != 0) {
        RAC_ERROR("\nHSTIPMSetChannelSecurityKeys IPMI Completion Code: 0x%02X -- %s\n\n", status,
                  getIpmiCompletionCodeStr(status));
        st = RACIPMI_CMD_FAILED;
    }
    return racResult("setChanSecurityKey", st);
}

unsigned getChanSecurityKey(RacIpmi* r, u8 keyId, u8* key) {
    RAC_TRACE_OP("getChanSecurityKey");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || key == nullptr) {
        RAC_ERROR("\nRacIpmi::getChanSecurityKey: Invalid Input Parameter\n\n");
        return RACIPMI_INVALID_INPUT_PARAM;
    }
    u8 chan = 0;
    unsigned st = lanChannel(pd, "getChanSecurityKey", chan);
    if (st != RACIPMI_SUCCESS) return st;
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMSetChannelSecurityKeys:\nlanChannelNumber: 0x%02X\noperation: 0x%02X\nkeyID: 0x%02X\n"
              "pKey: 0x%02X\nkeyLen: 0x%02X\n\n",
              chan, 0, keyId, 0, 21);
    VexaBuffer reply(t);
    st = racHostRead("HSTIPMSetChannelSecurityKeys", reply, [&](u32* status) {
        return t->fpHSTIPMSetChannelSecurityKeys(chan, 0, keyId, nullptr, 21, status, VEXA_TIMEOUT);
    });
    if (st == RACIPMI_SUCCESS) {
        RAC_DUMP("Returned data:\n", reply.get(), 21);
        std::memcpy(key, reply.get() + 1, 20); // byte 0 is the key status
    }
    return racResult("getChanSecurityKey", st);
}

} // extern "C"
