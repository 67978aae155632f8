#include "fake_bmc.h"

#include <cstdlib>
#include <cstring>

FakeBmc* gBmc = nullptr;

namespace {

using Bytes = FakeBmc::Bytes;
constexpr u8 kRevision = 0x11;

u8* hand(const Bytes& bytes, size_t minLen) {
    size_t n = bytes.size() < minLen ? minLen : bytes.size();
    u8* p = static_cast<u8*>(std::calloc(n ? n : 1, 1));
    if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
    ++gFake->outstanding;
    return p;
}

// Counts the call; true (with *status set) when the call is to fail or time out.
bool failing(const char* name, u32* status) {
    int n = ++gBmc->calls[name];
    auto t = gBmc->timeouts.find(name);
    if (t != gBmc->timeouts.end() && t->second > 0) {
        --t->second;
        *status = VEXA_STATUS_TIMEOUT;
        return true;
    }
    auto f = gBmc->failStatus.find(name);
    if (f != gBmc->failStatus.end() && n > gBmc->passFirst[name]) {
        *status = f->second;
        return true;
    }
    *status = 0;
    return false;
}

u32 writeStatus(const char* name) {
    u32 st = 0;
    failing(name, &st);
    return st;
}

u8* paramRead(const char* name, std::map<FakeBmc::Key, Bytes>& store, u8 p, u8 set, u8 block, u32* status,
              u8 len) {
    if (failing(name, status)) return nullptr;
    auto it = store.find({p, set, block});
    if (it == store.end()) {
        *status = 0x1080; // parameter not supported
        return nullptr;
    }
    Bytes out{kRevision};
    out.insert(out.end(), it->second.begin(), it->second.end());
    return hand(out, len);
}

u32 paramWrite(const char* name, const char* what, std::map<FakeBmc::Key, Bytes>& store, u8 chan, u8 p,
               const u8* data, u8 len, bool selectorFirst) {
    Bytes d(data, data + len);
    gBmc->writes.push_back({what, chan, p, d});
    u32 st = writeStatus(name);
    if (st == 0) {
        u8 set = selectorFirst && !d.empty() ? d[0] : 0;
        Bytes& slot = store[{p, set, 0}];
        slot = d;
    }
    return st;
}

u8* getLan(u8, u8 chan, u8 p, u8 set, u8 block, u32* status, u8 len, s32) {
    return paramRead("GetLAN", gBmc->lan, p, set, block, status, len);
}
u32 setLan(u8, u8 chan, u8 p, const u8* data, u8 len, s32) {
    return paramWrite("SetLAN", "lan", gBmc->lan, chan, p, data, len, p == 19);
}
u8* getSerial(u8, u8, u8 p, u8 set, u8 block, u32* status, u8 len, s32) {
    return paramRead("GetSerial", gBmc->serial, p, set, block, status, len);
}
u32 setSerial(u8, u8 chan, u8 p, const u8* data, u8 len, s32) {
    return paramWrite("SetSerial", "serial", gBmc->serial, chan, p, data, len, false);
}
u8* getSol(u8, u8, u8 p, u8 set, u8 block, u32* status, u8 len, s32) {
    return paramRead("GetSOL", gBmc->sol, p, set, block, status, len);
}
u32 setSol(u8, u8 chan, u8 p, const u8* data, u8 len, s32) {
    return paramWrite("SetSOL", "sol", gBmc->sol, chan, p, data, len, false);
}
u8* getPef(u8, u8 p, u8 set, u8 block, u32* status, u8 len, s32) {
    return paramRead("GetPEF", gBmc->pef, p, set, block, status, len);
}
u32 setPef(u8, u8 p, const u8* data, u8 len, s32) {
    return paramWrite("SetPEF", "pef", gBmc->pef, 0, p, data, len, true);
}
u8* getSysInfo(u8, u8, u8 p, u8 set, u8 block, u8 len, u32* status, s32) {
    return paramRead("GetSysInfo", gBmc->sysInfo, p, set, block, status, len);
}
u32 setSysInfo(u8, u8 p, u8 len, const u8* data, s32) {
    Bytes d(data, data + len);
    gBmc->writes.push_back({"sysinfo", 0, p, d});
    u32 st = writeStatus("SetSysInfo");
    // Stored as a read of (parameter, block, item) gives it back: block number, item, data.
    if (st == 0 && len >= 2) gBmc->sysInfo[{p, d[0], d[1]}] = d;
    return st;
}

u8* getAccess(u8, u8 chan, u8 type, u32* status, s32) {
    if (failing("GetChannelAccess", status)) return nullptr;
    if (type != 0x40) {
        *status = 0x10CC;
        return nullptr;
    }
    auto& a = gBmc->access[chan];
    return hand({a.first, a.second}, 2);
}
u32 setAccess(u8, u8 chan, u8 access, u8 limits, s32) {
    gBmc->writes.push_back({"access", chan, 0, {access, limits}});
    return writeStatus("SetChannelAccess");
}

u8* keys(u8 chan, u8 op, u8 id, const u8* key, u8 len, u32* status, s32) {
    if (failing("SecurityKeys", status)) return nullptr;
    if (id > 3) {
        *status = 0x1080;
        return nullptr;
    }
    if (op == 1) {
        gBmc->keys[id].assign(key, key + len);
        gBmc->writes.push_back({"key", chan, id, gBmc->keys[id]});
        return hand({0}, 1);
    }
    Bytes out{0x01};
    Bytes k = gBmc->keys[id];
    k.resize(20);
    out.insert(out.end(), k.begin(), k.end());
    return hand(out, len);
}

u32 alert(u8 chan, u8 dest, u8 str, u8* alertStatus, s32) {
    gBmc->writes.push_back({"alert", chan, 0, {dest, str}});
    if (alertStatus) *alertStatus = 0;
    return writeStatus("AlertImmediate");
}

u8* deviceId(u8 rsSA, u8, u32* status, s32) {
    if (failing("GetDeviceID", status)) return nullptr;
    if (rsSA != 0x20) {
        *status = 0x10FF;
        return nullptr;
    }
    return hand(gBmc->deviceId, 15);
}
u8* fru(u8, u8, u8, u8 area, u8, u32* status, s32) {
    if (failing("ReadFRUData", status)) return nullptr;
    if (area != 4 || gBmc->fruProduct.empty()) return nullptr;
    return hand(gBmc->fruProduct, 0);
}
u8* chassis(u8, u32* status, s32) {
    if (failing("GetChassisStatus", status)) return nullptr;
    return hand(gBmc->chassis, 4);
}
u32 chassisControl(u8, u8 control, s32) {
    gBmc->writes.push_back({"chassis", 0, 0, {control}});
    return writeStatus("ChassisControl");
}
u8* watchdog(u8, u32* status, s32) {
    if (failing("GetWatchdogTimer", status)) return nullptr;
    return hand(gBmc->watchdog, 8);
}
u8* sessionInfo(u8, u8 index, u8 addLen, const u8*, u32* status, u8 len, s32) {
    if (failing("GetSessionInfo", status)) return nullptr;
    gBmc->writes.push_back({"sessioninfo", 0, 0, {index, addLen, len}});
    return hand(gBmc->sessionInfo, len);
}
u8* getName(u8, u8 uid, u32* status, s32) {
    if (failing("GetUserName", status)) return nullptr;
    Bytes n = gBmc->userNames[uid];
    n.resize(16);
    return hand(n, 16);
}
u32 setName(u8, u8 uid, const u8* name, s32) {
    gBmc->writes.push_back({"username", 0, uid, Bytes(name, name + 16)});
    u32 st = writeStatus("SetUserName");
    if (st == 0) gBmc->userNames[uid].assign(name, name + 16);
    return st;
}
u32 setPassword(u8, u8 uid, u8 op, u8 len, const u8* data, s32) {
    Bytes d = data ? Bytes(data, data + len) : Bytes{};
    gBmc->writes.push_back({"password", uid, op, d});
    u32 st = writeStatus("SetUserPassword");
    if (st != 0) return st;
    if (op == 3) {
        if (!(len == 20 ? gBmc->accept20 : gBmc->accept16)) return 0x1080; // password mismatch
        auto it = gBmc->passwords.find(static_cast<u8>(uid & 0x3F));
        if (it != gBmc->passwords.end() && it->second != d) return 0x1080;
    } else if (op == 2) {
        gBmc->passwords[static_cast<u8>(uid & 0x3F)] = d;
    }
    return 0;
}
u8* getUserAccess(u8, u8 chan, u8 uid, u32* status, s32) {
    if (failing("GetUserAccess", status)) return nullptr;
    auto it = gBmc->userAccess.find({chan, uid});
    Bytes b = it == gBmc->userAccess.end() ? Bytes{0x0A, 0x02, 0x01, 0x00} : it->second;
    return hand(b, 4);
}
u32 setUserAccess(u8, u8 byte1, u8 uid, u8 limits, s32) {
    gBmc->writes.push_back({"useraccess", byte1, uid, {byte1, uid, limits}});
    return writeStatus("SetUserAccess");
}
u8* getPayload(u8 chan, u8 uid, u32* status, s32) {
    if (failing("GetPayloadAccess", status)) return nullptr;
    Bytes b = gBmc->payloadAccess[{chan, uid}];
    b.resize(4);
    return hand(b, 4);
}
u32 setPayload(u8 chan, u8 userByte, const u8* data, s32) {
    gBmc->writes.push_back({"payload", chan, userByte, Bytes(data, data + 4)});
    return writeStatus("SetPayloadAccess");
}

} // namespace

void installFakeBmc(VexaEntryTable* t, FakeBmc* bmc) {
    gBmc = bmc;
    t->fpHSTIPMGetLANConfigurationParameter = getLan;
    t->fpHSTIPMSetLANConfigurationParameter = setLan;
    t->fpHSTIPMGetSerialConfigurationParameter = getSerial;
    t->fpHSTIPMSetSerialConfigurationParameter = setSerial;
    t->fpHSTIPMGetSOLConfigurationParameter = getSol;
    t->fpHSTIPMSetSOLConfigurationParameter = setSol;
    t->fpHSTIPMGetPEFConfiguration = getPef;
    t->fpHSTIPMSetPEFConfiguration = setPef;
    t->fpHSTIPMGetSystemInfoParameter = getSysInfo;
    t->fpHSTIPMSetSystemInfoParameter = setSysInfo;
    t->fpHSTIPMGetChannelAccessInfo = getAccess;
    t->fpHSTIPMSetChannelAccessInfo = setAccess;
    t->fpHSTIPMSetChannelSecurityKeys = keys;
    t->fpHSTIPMAlertImmediate = alert;
    t->fpHSTIPMGetDeviceID = deviceId;
    t->fpHSTIPMReadFRUData = fru;
    t->fpHSTIPMGetChassisStatus = chassis;
    t->fpHSTIPMChassisControl = chassisControl;
    t->fpHSTIPMGetWatchdogTimer = watchdog;
    t->fpHSTIPMGetSessionInfo = sessionInfo;
    t->fpHSTIPMGetUserName = getName;
    t->fpHSTIPMSetUserName = setName;
    t->fpHSTIPMSetUserPassword = setPassword;
    t->fpHSTIPMGetUserAccessInfo = getUserAccess;
    t->fpHSTIPMSetUserAccessInfo = setUserAccess;
    t->fpHSTIPMGetUserPayloadAccessData = getPayload;
    t->fpHSTIPMSetUserPayloadAccessData = setPayload;
}
