// IPMI users: names, passwords and their test, enable state, per-channel privilege limits,
// IPMI messaging and SOL payload access; and the BMC's session counts.
#define RAC_MODULE "user"
#include "rac_hostcall.h"

#include <cstring>

namespace {

constexpr size_t kNameLen = 16, kPasswordLen = 20, kShortPasswordLen = 16;
constexpr u8 kMaxUserId = 0x3F;     // user IDs are six bits: higher bits carry flags
constexpr u8 kLongPasswordFlag = 0x80;
constexpr u8 kOpSetPassword = 2, kOpTestPassword = 3;

enum class Channel { Lan, Serial };

unsigned channelOf(RacIpmiPrivateData* pd, Channel which, const char* op, u8& chan) {
    unsigned st = which == Channel::Lan ? getLanChanNumb(pd, &chan) : getSerialChanNumb(pd, &chan);
    if (st != RACIPMI_SUCCESS)
        RAC_ERROR("\nRacIpmi::%s Return Code: %u -- %s\n\n", op, st, RacIpmiGetStatusStr(st));
    return st;
}

// The user's access on a channel: the four reply bytes of Get User Access.
unsigned readUserAccess(RacIpmiPrivateData* pd, u8 chan, u8 uid, u8 out[4]) {
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMGetUserAccessInfo:\nuserChannelNumber: 0x%02X\nuserID: 0x%02X\n\n", chan, uid);
    VexaBuffer reply(t);
    unsigned st = racHostRead("HSTIPMGetUserAccessInfo", reply, [&](u32* status) {
        return t->fpHSTIPMGetUserAccessInfo(0, chan, uid, status, VEXA_TIMEOUT);
    });
    if (st != RACIPMI_SUCCESS) return st;
    RAC_DUMP("Returned data:\n", reply.get(), 4);
    std::memcpy(out, reply.get(), 4);
    return RACIPMI_SUCCESS;
}

unsigned writeUserAccess(RacIpmiPrivateData* pd, u8 byte1, u8 uid, u8 limits) {
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMSetUserAccessInfo:\nchannelNumber: 0x%02X\nreqDataByte1: 0x%02X\nuserid: 0x%02X\n"
              "userLimits: 0x%02X\n\n",
              0, byte1, uid, limits);
    return racHostWrite("HSTIPMSetUserAccessInfo",
                        [&] { return t->fpHSTIPMSetUserAccessInfo(0, byte1, uid, limits, VEXA_TIMEOUT); });
}

unsigned passwordCall(RacIpmiPrivateData* pd, u8 uidByte, u8 op, u8 len, const u8* data) {
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMSetUserPassword:\nuserID: 0x%02X\noperation: 0x%02X\npasswordLen: 0x%02X\n\n", uidByte,
              op, len);
    if (data != nullptr) RAC_DUMP("password:\n", data, kPasswordLen);
    return racRetry(
        kRacStdRetry, [&] { return t->fpHSTIPMSetUserPassword(0, uidByte, op, len, data, VEXA_TIMEOUT); },
        racTraceTimeout);
}

// The enable decision on one channel's access reply.
u32 decideState(const u8 a[4]) {
    if (a[1] & 0x40) {
        RAC_DEBUG("Enabling user\n");
        return 1;
    }
    if (a[1] & 0x80) {
        RAC_DEBUG("Disabling user\n");
        return 0;
    }
    if (a[3] & 0x30) {
        RAC_DEBUG("Enabling user OLD check\n");
        return 1;
    }
    RAC_DEBUG("Disabling user OLD check\n");
    return 0;
}

unsigned setPriv(RacIpmi* r, const char* op, Channel which, u8 uid, u8 limits) {
    RAC_TRACE_OP(op);
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || uid > kMaxUserId) return racResult(op, RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = channelOf(pd, which, op, chan);
    if (st != RACIPMI_SUCCESS) return st;
    // Bit 7 clear: the BMC leaves the messaging bits as they are.
    return racResult(op, writeUserAccess(pd, static_cast<u8>(chan & 0x0F), uid, limits));
}

unsigned getPriv(RacIpmi* r, const char* op, Channel which, u8 uid, u32* priv) {
    RAC_TRACE_OP(op);
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || priv == nullptr || uid > kMaxUserId) return racResult(op, RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = channelOf(pd, which, op, chan);
    if (st != RACIPMI_SUCCESS) return st;
    u8 a[4];
    st = readUserAccess(pd, chan, uid, a);
    if (st == RACIPMI_SUCCESS) *priv = a[3] & 0x0F;
    return racResult(op, st);
}

unsigned sessionInfo(RacIpmi* r, const char* op, int byte, u32* count) {
    RAC_TRACE_OP(op);
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || count == nullptr) return racResult(op, RACIPMI_INVALID_INPUT_PARAM);
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMGetSessionInfo:\nsessionIndex: 0x%02X\naddSessionReqDataLen: 0x%02X\nsessionInfoLen: 0x%02X\n\n",
              0, 0, 3);
    VexaBuffer reply(t);
    unsigned st = racHostRead("HSTIPMGetSessionInfo", reply, [&](u32* status) {
        return t->fpHSTIPMGetSessionInfo(0, 0, 0, nullptr, status, 3, VEXA_TIMEOUT);
    });
    if (st == RACIPMI_SUCCESS) {
        RAC_DUMP("Returned data:\n", reply.get(), 3);
        *count = reply.get()[byte] & 0x3F;
    }
    return racResult(op, st);
}

} // namespace

extern "C" {

unsigned setUsername(RacIpmi* r, u8 uid, const char* name) {
    RAC_TRACE_OP("setUsername");
    RacIpmiPrivateData* pd = racInstance(r);
    // A longer name would be cut short on the BMC while the caller is told it was set.
    if (pd == nullptr || name == nullptr || uid > kMaxUserId || std::strlen(name) > kNameLen)
        return racResult("setUsername", RACIPMI_INVALID_INPUT_PARAM);
    u8 buf[kNameLen] = {};
    std::memcpy(buf, name, std::strlen(name));
    RAC_DUMP("userName:\n", buf, kNameLen);
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMSetUserName:\nuserid: 0x%02X\n\n", uid);
    unsigned st = racHostWrite("HSTIPMSetUserName",
                               [&] { return t->fpHSTIPMSetUserName(0, uid, buf, VEXA_TIMEOUT); });
    return racResult("setUsername", st);
}

unsigned getUsername(RacIpmi* r, u8 uid, char* name) {
    RAC_TRACE_OP("getUsername");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || name == nullptr || uid > kMaxUserId)
        return racResult("getUsername", RACIPMI_INVALID_INPUT_PARAM);
    std::memset(name, 0, kNameLen);
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMGetUserName:\nuserID: 0x%02X\n\n", uid);
    VexaBuffer reply(t);
    unsigned st = racHostRead("HSTIPMGetUserName", reply,
                              [&](u32* status) { return t->fpHSTIPMGetUserName(0, uid, status, VEXA_TIMEOUT); });
    if (st == RACIPMI_SUCCESS) {
        RAC_DUMP("Returned data:\n", reply.get(), kNameLen);
        for (size_t i = 0; i < kNameLen && reply.get()[i] != 0; ++i) name[i] = static_cast<char>(reply.get()[i]);
    }
    return racResult("getUsername", st);
}

unsigned setPassword(RacIpmi* r, u8 uid, const char* password) {
    RAC_TRACE_OP("setPassword");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || password == nullptr || uid > kMaxUserId || std::strlen(password) > kPasswordLen)
        return racResult("setPassword", RACIPMI_INVALID_INPUT_PARAM);
    const size_t len = std::strlen(password);
    u8 buf[kPasswordLen] = {};
    std::memcpy(buf, password, len);
    const bool longForm = len > kShortPasswordLen;
    const u8 uidByte = longForm ? static_cast<u8>(uid | kLongPasswordFlag) : uid;
    const u8 dataLen = longForm ? kPasswordLen : kShortPasswordLen;
    u32 status = passwordCall(pd, uidByte, kOpSetPassword, dataLen, buf);
    unsigned st = RACIPMI_SUCCESS;
    if (status != 0) {
        RAC_ERROR("\nHSTIPMSetUserPassword Return Status: 0x%02X\n\n", status);
        st = RACIPMI_CMD_FAILED;
    }
    std::memset(buf, 0, sizeof buf);
    return racResult("setPassword", st);
}

unsigned validateUser(RacIpmi* r, u8 uid, const char* name, const char* password) {
    RAC_TRACE_OP("validateUser");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || name == nullptr || password == nullptr || uid > kMaxUserId)
        return racResult("validateUser", RACIPMI_INVALID_INPUT_PARAM);
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMGetUserName:\nuserID: 0x%02X\n\n", uid);
    VexaBuffer reply(t);
    unsigned st = racHostRead("HSTIPMGetUserName", reply,
                              [&](u32* status) { return t->fpHSTIPMGetUserName(0, uid, status, VEXA_TIMEOUT); });
    if (st != RACIPMI_SUCCESS) return racResult("validateUser", st);
    // The stored name holds 16 characters at most: a longer one never matches.
    if (std::strlen(name) > kNameLen ||
        std::strncmp(reinterpret_cast<const char*>(reply.get()), name, kNameLen) != 0) {
        RAC_DEBUG("\nvalidateUser: user name does not match\n\n");
        return racResult("validateUser", RACIPMI_FUNCTION_FAILED);
    }
    const size_t len = std::strlen(password);
    if (len > kPasswordLen) return racResult("validateUser", RACIPMI_FUNCTION_FAILED);
    u8 buf[kPasswordLen] = {};
    std::memcpy(buf, password, len);
    u32 status = 1;
    // A password longer than 16 characters is only tested whole, in the 20-byte form: its
    // first 16 characters must not pass for it.
    if (len <= kShortPasswordLen) {
        status = passwordCall(pd, uid, kOpTestPassword, kShortPasswordLen, buf);
        RAC_DEBUG("\nHSTIPMSetUserPassword to Test Password Return Status: 0x%02X\n\n", status);
    }
    if (status != 0) {
        status = passwordCall(pd, static_cast<u8>(uid | kLongPasswordFlag), kOpTestPassword, kPasswordLen, buf);
        if (status != 0) {
            RAC_ERROR("\nHSTIPMSetUserPassword to Test Password Return Status: 0x%02X\n\n", status);
            st = RACIPMI_FUNCTION_FAILED;
        }
    }
    std::memset(buf, 0, sizeof buf);
    return racResult("validateUser", st);
}

unsigned setUserState(RacIpmi* r, u8 uid, u8 operation) {
    RAC_TRACE_OP("setUserState");
    RacIpmiPrivateData* pd = racInstance(r);
    // Only enable (1) and disable (0): the other operations of the command need a password.
    if (pd == nullptr || uid > kMaxUserId || operation > 1)
        return racResult("setUserState", RACIPMI_INVALID_INPUT_PARAM);
    u32 status = passwordCall(pd, uid, operation, 0, nullptr);
    unsigned st = RACIPMI_SUCCESS;
    if (status != 0) {
        RAC_ERROR("\nHSTIPMSetUserPassword Return Status: 0x%02X\n\n", status);
        st = RACIPMI_CMD_FAILED;
    }
    return racResult("setUserState", st);
}

unsigned getUserState(RacIpmi* r, u8 uid, u32* state) {
    RAC_TRACE_OP("getUserState");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || state == nullptr || uid > kMaxUserId)
        return racResult("getUserState", RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = channelOf(pd, Channel::Lan, "getUserState", chan);
    if (st != RACIPMI_SUCCESS) return st;
    u8 a[4];
    st = readUserAccess(pd, chan, uid, a);
    if (st != RACIPMI_SUCCESS) return racResult("getUserState", st);
    RAC_DEBUG("EnabledUserNumber: %x, AccessLevel: %x\n", a[1], a[3]);
    u32 decided = decideState(a);
    RAC_DEBUG("pState: %x\n", decided);
    if (decided == 0) { // not enabled on the LAN channel: the serial channel decides
        st = channelOf(pd, Channel::Serial, "getUserState", chan);
        if (st != RACIPMI_SUCCESS) return st;
        st = readUserAccess(pd, chan, uid, a);
        if (st != RACIPMI_SUCCESS) return racResult("getUserState", st);
        RAC_DEBUG(":: %x\n", a[1]);
        decided = decideState(a);
        RAC_DEBUG("pState: %x\n", decided);
    }
    *state = decided;
    return RACIPMI_SUCCESS;
}

unsigned setUserIpmiLanPriv(RacIpmi* r, u8 uid, u8 limits) {
    return setPriv(r, "setUserIpmiLanPriv", Channel::Lan, uid, limits);
}
unsigned getUserIpmiLanPriv(RacIpmi* r, u8 uid, u32* priv) {
    return getPriv(r, "getUserIpmiLanPriv", Channel::Lan, uid, priv);
}
unsigned setUserIpmiSerialPriv(RacIpmi* r, u8 uid, u8 limits) {
    return setPriv(r, "setUserIpmiSerialPriv", Channel::Serial, uid, limits);
}
unsigned getUserIpmiSerialPriv(RacIpmi* r, u8 uid, u32* priv) {
    return getPriv(r, "getUserIpmiSerialPriv", Channel::Serial, uid, priv);
}

unsigned setUserIpmiLanState(RacIpmi* r, u8 uid, u32 state) {
    RAC_TRACE_OP("setUserIpmiLanState");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || uid > kMaxUserId) return racResult("setUserIpmiLanState", RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = channelOf(pd, Channel::Lan, "setUserIpmiLanState", chan);
    if (st != RACIPMI_SUCCESS) return st;
    u8 a[4];
    st = readUserAccess(pd, chan, uid, a);
    if (st == RACIPMI_SUCCESS) {
        // Bit 7 makes the BMC take bits 4-6: IPMI messaging as asked, callback and link
        // authentication off.
        const u8 byte1 = static_cast<u8>((chan & 0x0F) | 0x80 | (state == 1 ? 0x10 : 0));
        st = writeUserAccess(pd, byte1, uid, static_cast<u8>(a[3] & 0x0F));
    }
    return racResult("setUserIpmiLanState", st);
}

unsigned getUserIpmiLanState(RacIpmi* r, u8 uid, u32* state) {
    RAC_TRACE_OP("getUserIpmiLanState");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || state == nullptr || uid > kMaxUserId)
        return racResult("getUserIpmiLanState", RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = channelOf(pd, Channel::Lan, "getUserIpmiLanState", chan);
    if (st != RACIPMI_SUCCESS) return st;
    u8 a[4];
    st = readUserAccess(pd, chan, uid, a);
    if (st == RACIPMI_SUCCESS) *state = (a[3] & 0x10) ? 1 : 0;
    return racResult("getUserIpmiLanState", st);
}

unsigned setUserIpmiSolState(RacIpmi* r, u8 uid, u32 state) {
    RAC_TRACE_OP("setUserIpmiSolState");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || uid > kMaxUserId) return racResult("setUserIpmiSolState", RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = channelOf(pd, Channel::Lan, "setUserIpmiSolState", chan);
    if (st != RACIPMI_SUCCESS) return st;
    const u8 data[4] = {0x02, 0x00, 0x00, 0x00}; // the SOL payload
    const u8 userByte = static_cast<u8>(uid + (state == 0 ? 0x40 : 0)); // operation 01b disables
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMSetUserPayloadAccessData:\nchannelNumber: 0x%02X\nopUserID: 0x%02X\n\n", chan, userByte);
    RAC_DUMP("IPMIUserPayloadData:\n", data, 4);
    st = racHostWrite("HSTIPMSetUserPayloadAccessData",
                      [&] { return t->fpHSTIPMSetUserPayloadAccessData(chan, userByte, data, VEXA_TIMEOUT); });
    return racResult("setUserIpmiSolState", st);
}

unsigned getUserIpmiSolState(RacIpmi* r, u8 uid, u32* state) {
    RAC_TRACE_OP("getUserIpmiSolState");
    RacIpmiPrivateData* pd = racInstance(r);
    if (pd == nullptr || state == nullptr || uid > kMaxUserId)
        return racResult("getUserIpmiSolState", RACIPMI_INVALID_INPUT_PARAM);
    u8 chan = 0;
    unsigned st = channelOf(pd, Channel::Lan, "getUserIpmiSolState", chan);
    if (st != RACIPMI_SUCCESS) return st;
    VexaEntryTable* t = pd->pVexa;
    RAC_DEBUG("\nHSTIPMGetUserPayloadAccessData:\nchannelNumber: 0x%02X\nuserID: 0x%02X\n\n", chan, uid);
    VexaBuffer reply(t);
    st = racHostRead("HSTIPMGetUserPayloadAccessData", reply, [&](u32* status) {
        return t->fpHSTIPMGetUserPayloadAccessData(chan, uid, status, VEXA_TIMEOUT);
    });
    if (st == RACIPMI_SUCCESS) {
        RAC_DUMP("Returned data:\n", reply.get(), 4);
        *state = (reply.get()[0] & 0x02) ? 1 : 0;
    }
    return racResult("getUserIpmiSolState", st);
}

unsigned getMaxActiveSessions(RacIpmi* r, u32* count) { return sessionInfo(r, "getMaxActiveSessions", 1, count); }
unsigned getNumbActiveSessions(RacIpmi* r, u32* count) { return sessionInfo(r, "getNumbActiveSessions", 2, count); }

} // extern "C"
