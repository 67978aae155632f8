// Alerting over the LAN channel: PET enable (channel access), community string, IPv4 and
// IPv6 alert destinations, the event filter and alert policy tables, and a test alert.
#define RAC_MODULE "pet_pef"
#include "rac_hostcall.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr u8 kAlertingDisabled = 0x20; // bit 5 of the channel access byte
constexpr u8 kPefFilterTable = 6, kPefFilterData1 = 7, kPefAlertPolicy = 9;
constexpr u8 kLanCommunity = 16, kLanDestAddresses = 19;
constexpr u8 kCommunityLen = 18, kDestLen = 13;
constexpr u8 kIpv6DestParam = 240;

// Reads a PEF parameter for one entry; reply holds readLen bytes on success.
unsigned readPef(RacIpmiPrivateData* pd, u8 param, u8 entry, u8 readLen, VexaBuffer& reply) {
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMGetPEFConfiguration:\nparameter: 0x%02X\nsetSelector: 0x%02X\nblockSelector: 0x%02X\n"
              "PEFConfigDataLen: 0x%02X\n\n",
              param, entry, 0, readLen);
    unsigned st = racHostRead("HSTIPMGetPEFConfiguration", reply, [&](u32* status) {
        return t->fpHSTIPMGetPEFConfiguration(0, param, entry, 0, status, readLen, VEXA_TIMEOUT);
    });
    if (st == RACIPMI_SUCCESS) RAC_DUMP("Returned data:\n", reply.get(), readLen);
    return st;
}

unsigned writePef(RacIpmiPrivateData* pd, u8 param, const u8* data, u8 len, const char* title) {
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMSetPEFConfiguration:\nparameter: 0x%02X\nPEFConfigDataLen: 0x%02X\n\n", param, len);
    RAC_DUMP(title, data, len);
    return racHostWrite("HSTIPMSetPEFConfiguration",
                        [&] { return t->fpHSTIPMSetPEFConfiguration(0, param, data, len, VEXA_TIMEOUT); });
}

// Read-modify-write of one PEF entry: bytes 1..len of the reply are sent back with the
// entry number first and change() applied.
template <class Change>
unsigned updatePef(RacIpmi* r, const char* op, u8 param, u8 entry, u8 readLen, const char* title, Change change) {
    RAC_TRACE_OP(op);
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr) return racResult(op, RACIPMI_INVALID_INPUT_PARAM);
    VexaBuffer reply(pd->pVexa);
    unsigned st = readPef(pd, param, entry, readLen, reply);
    if (st == RACIPMI_SUCCESS) {
        u8 data[32] = {};
        const u8 len = static_cast<u8>(readLen - 1);
        std::memcpy(data, reply.get() + 1, len);
        data[0] = entry;
        change(data);
        st = writePef(pd, param, data, len, title);
    }
    return racResult(op, st);
}

// Reads one PEF entry and hands reply bytes to pick().
template <class Pick>
unsigned queryPef(RacIpmi* r, const char* op, u8 param, u8 entry, u8 readLen, void* out, Pick pick) {
    RAC_TRACE_OP(op);
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || out == nullptr) return racResult(op, RACIPMI_INVALID_INPUT_PARAM);
    VexaBuffer reply(pd->pVexa);
    unsigned st = readPef(pd, param, entry, readLen, reply);
    if (st == RACIPMI_SUCCESS) pick(reply.get());
    return racResult(op, st);
}

unsigned lanChannel(RacIpmiPrivateData* pd, const char* op, u8& chan) {
    unsigned st = getLanChanNumb(pd, &chan);
    if (st != RACIPMI_SUCCESS)
        RAC_ERROR("\nRacIpmi::%s getLanChanNumb Return Code: %u -- %s\n\n", op, st, RacIpmiGetStatusStr(st));
    return st;
}

} // namespace

extern "C" {

unsigned setPetState(RacIpmi* r, u32 state) {
    RAC_TRACE_OP("setPetState");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr) return racResult("setPetState", RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = lanChannel(pd, "setPetState", chan);
    if (st != RACIPMI_SUCCESS) return st;
    u8 b[2];
    st = racGetChannelAccess(pd, chan, b);
    if (st == RACIPMI_SUCCESS) {
        const u8 limits = static_cast<u8>(b[1] & 0x0F); // selector 00b: unchanged
        u8 access = static_cast<u8>(b[0] & 0x1F);
        if (state == 0) access |= kAlertingDisabled;
        st = racSetChannelAccess(pd, chan, static_cast<u8>(access | 0x40), limits, 1);
    }
    return racResult("setPetState", st);
}

unsigned getPetState(RacIpmi* r, u32* state) {
    RAC_TRACE_OP("getPetState");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || state == nullptr) return racResult("getPetState", RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = lanChannel(pd, "getPetState", chan);
    if (st != RACIPMI_SUCCESS) return st;
    u8 b[2];
    st = racGetChannelAccess(pd, chan, b);
    if (st == RACIPMI_SUCCESS) *state = (b[0] & kAlertingDisabled) ? 0 : 1;
    return racResult("getPetState", st);
}

unsigned setPefTblEntryState(RacIpmi* r, u8 entry, u32 state) {
    return updatePef(r, "setPefTblEntryState", kPefFilterData1, entry, 3, "IPMI_PEF_TABLE_ENTRY_BYTE1:\n",
                     [&](u8* d) { d[1] = state == 1 ? static_cast<u8>(d[1] | 0x80) : static_cast<u8>(d[1] & 0x7F); });
}

unsigned getPefTblEntryState(RacIpmi* r, u8 entry, u32* state) {
    return queryPef(r, "getPefTblEntryState", kPefFilterData1, entry, 3, state,
                    [&](const u8* p) { *state = (p[2] & 0x80) ? 1 : 0; });
}

unsigned getPefTblEntry(RacIpmi* r, u8 entry, u8* filter) {
    return queryPef(r, "getPefTblEntry", kPefFilterTable, entry, 22, filter,
                    [&](const u8* p) { std::memcpy(filter, p + 2, 20); });
}

unsigned setPefTblEntryAction(RacIpmi* r, u8 entry, u8 action) {
    return updatePef(r, "setPefTblEntryAction", kPefFilterTable, entry, 22, "Data to be set:\n",
                     [&](u8* d) { d[2] = action; });
}

unsigned getPefTblEntryAction(RacIpmi* r, u8 entry, u32* action) {
    return queryPef(r, "getPefTblEntryAction", kPefFilterTable, entry, 22, action,
                    [&](const u8* p) { *action = p[3] & 0x7F; });
}

unsigned setPefAlertPolicyTblEntryState(RacIpmi* r, u8 entry, u32 state) {
    return updatePef(r, "setPefAlertPolicyTblEntryState", kPefAlertPolicy, entry, 5, "IPMI_PEF_ALERT_POLICY_TABLE:\n",
                     [&](u8* d) { d[1] = state == 1 ? static_cast<u8>(d[1] | 0x08) : static_cast<u8>(d[1] & ~0x08); });
}

unsigned getPefAlertPolicyTblEntryState(RacIpmi* r, u8 entry, u32* state) {
    return queryPef(r, "getPefAlertPolicyTblEntryState", kPefAlertPolicy, entry, 5, state,
                    [&](const u8* p) { *state = (p[2] & 0x08) ? 1 : 0; });
}

unsigned setLanPetCommunityName(RacIpmi* r, const u8* community) {
    RAC_TRACE_OP("setLanPetCommunityName");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || community == nullptr) return racResult("setLanPetCommunityName", RACIPMI_INVALID_INPUT_PARAM);
    return racResult("setLanPetCommunityName", setLanCfgParam(pd, kLanCommunity, kCommunityLen, community));
}

unsigned getLanPetCommunityName(RacIpmi* r, u8* community) {
    RAC_TRACE_OP("getLanPetCommunityName");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || community == nullptr) return racResult("getLanPetCommunityName", RACIPMI_INVALID_INPUT_PARAM);
    unsigned st = getLanCfgParam(pd, kLanCommunity, 0, 0, kCommunityLen, community);
    community[kCommunityLen] = 0;
    return racResult("getLanPetCommunityName", st);
}

unsigned setPetAlertDest(RacIpmi* r, u8 destination, const u8* addr) {
    RAC_TRACE_OP("setPetAlertDest");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || addr == nullptr || destination < 1 || destination > 4)
        return racResult("setPetAlertDest", RACIPMI_INVALID_INPUT_PARAM);
    u8 d[kDestLen] = {};
    unsigned st = getLanCfgParam(pd, kLanDestAddresses, destination, 0, kDestLen, d);
    if (st == RACIPMI_SUCCESS) {
        d[0] = destination;
        std::memcpy(d + 3, addr, 4);
        st = setLanCfgParam(pd, kLanDestAddresses, kDestLen, d);
    }
    return racResult("setPetAlertDest", st);
}

unsigned getPetAlertDest(RacIpmi* r, u8 destination, u32* addr) {
    RAC_TRACE_OP("getPetAlertDest");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || addr == nullptr || destination < 1 || destination > 4)
        return racResult("getPetAlertDest", RACIPMI_INVALID_INPUT_PARAM);
    u8 d[kDestLen] = {};
    unsigned st = getLanCfgParam(pd, kLanDestAddresses, destination, 0, kDestLen, d);
    if (st == RACIPMI_SUCCESS) std::memcpy(addr, d + 3, 4); // the address bytes in memory order
    return racResult("getPetAlertDest", st);
}

unsigned getPetIpv6AlertDest(RacIpmi* r, u8 index, char* dest) {
    RAC_TRACE_OP("getPetIpv6AlertDest");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || dest == nullptr) return racResult("getPetIpv6AlertDest", RACIPMI_INVALID_INPUT_PARAM);
    u8* buf = static_cast<u8*>(std::calloc(256, 1));
    if (buf == nullptr) return racResult("getPetIpv6AlertDest", RACIPMI_MEM_ALLOC_FAILED);
    unsigned st = getSysInfoParamType3(pd, kIpv6DestParam, index, buf);
    if (st != RACIPMI_SUCCESS) {
        st = RACIPMI_CMD_FAILED;
    } else {
        RAC_DUMP("getSysInfoParamType1 returned data:\n", buf, 16);
        RAC_DEBUG("pBuffer:%x %x %x %x %x\n\n", buf[0], buf[1], buf[2], buf[3], buf[4]);
        // The text with its terminator: the caller's buffer never holds a stale tail.
        std::memcpy(dest, buf, std::strlen(reinterpret_cast<char*>(buf)) + 1);
    }
    std::free(buf);
    return racResult("getPetIpv6AlertDest", st);
}

unsigned setPetIpv6AlertDest(RacIpmi* r, u8 index, const char* text) {
    RAC_TRACE_OP("setPetIpv6AlertDest");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr) {
        RAC_ERROR("pRacIpmi->pPrivateData is NULL. Exiting...\n\n");
        return racResult("setPetIpv6AlertDest", RACIPMI_INVALID_INPUT_PARAM);
    }
    RAC_DEBUG("pRacIpmi exists\n\n");
    if (text == nullptr) return racResult("setPetIpv6AlertDest", RACIPMI_INVALID_INPUT_PARAM);
    unsigned st = setSysInfo(pd, kIpv6DestParam, index, text);
    return racResult("setPetIpv6AlertDest", st == RACIPMI_SUCCESS ? st : static_cast<unsigned>(RACIPMI_CMD_FAILED));
}

unsigned initiatePetAlertImmed(RacIpmi* r, u8 destSelector, u8 stringSelector) {
    RAC_TRACE_OP("initiatePetAlertImmed");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr) return racResult("initiatePetAlertImmed", RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = lanChannel(pd, "initiatePetAlertImmed", chan);
    if (st != RACIPMI_SUCCESS) return st;
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMAlertImmediate:\nChannelNumber: 0x%02X\ndestSelector: 0x%02X\nstrSelector: 0x%02X\n\n", chan,
              destSelector, stringSelector);
    u8 alertStatus = 0;
    u32 status = racRetry(
        kRacStdRetry,
        [&] { return t->fpHSTIPMAlertImmediate(chan, destSelector, stringSelector, &alertStatus, VEXA_TIMEOUT); },
        racTraceTimeout);
    if (status != 0) {
        RAC_ERROR("Vexa Return Status: 0x%02X\n\n", status);
        st = RACIPMI_CMD_FAILED;
    }
    return racResult("initiatePetAlertImmed", st);
}

} // extern "C"
