#include "fake_host.h"

#include <cstdlib>
#include <cstring>

FakeHost* gFake = nullptr;

namespace {

FakeHostScope* gScope = nullptr;

u8* hand(const std::vector<u8>& bytes, size_t minLen) {
    size_t n = bytes.size() < minLen ? minLen : bytes.size();
    u8* p = static_cast<u8*>(std::calloc(n ? n : 1, 1));
    if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
    ++gFake->outstanding;
    return p;
}

void fakeFree(void* p) {
    if (p == nullptr) return;
    --gFake->outstanding;
    ++gFake->freed;
    std::free(p);
}

u8* fakeChannelInfo(u8, u8 channel, u32* status, s32) {
    ++gFake->channelInfoCalls;
    if (gFake->channelInfoStatus) { *status = gFake->channelInfoStatus; return nullptr; }
    if (channel > 7 || gFake->channelMedium[channel] == 0) {
        *status = VEXA_STATUS_INVALID_FIELD;
        return nullptr;
    }
    *status = 0;
    return hand({channel, gFake->channelMedium[channel], 1, 0x80, 0, 0, 0, 0, 0}, 9);
}

u32 fakeSlaveAddress() { return 0x20; }

u8* fakeSensor(u8, u8, u8 sensor, u32* status, s32) {
    ++gFake->sensorCalls;
    if (gFake->sensorTimeouts > 0) { --gFake->sensorTimeouts; *status = VEXA_STATUS_TIMEOUT; return nullptr; }
    if (gFake->sensorStatus) { *status = gFake->sensorStatus; return nullptr; }
    if (sensor != 112) { *status = 0x10CB; return nullptr; }
    *status = 0;
    return hand({0, 0xC0, gFake->adapterStatus, 0}, 4);
}

u8* fakeExtGet(u8, u8, u8, u8 netFn, const u8* iana, u8, u8 token, u8 index, u16 offset, u8 count,
               u32* status, s32) {
    gFake->extReads.push_back({offset, count});
    if (gFake->extTimeouts != 0) {
        if (gFake->extTimeouts > 0) --gFake->extTimeouts;
        *status = VEXA_STATUS_TIMEOUT_ALT;
        return nullptr;
    }
    auto it = gFake->ext.find({token, index});
    if (netFn != 0xB8 || std::memcmp(iana, IPMI_RAC_IANA, 3) != 0 || it == gFake->ext.end()) {
        *status = 0x10CB;
        return nullptr;
    }
    *status = 0;
    const std::vector<u8>& p = it->second;
    std::vector<u8> out{0};
    if (offset == gFake->extZeroChunkAt) return hand(out, 1);
    for (size_t i = offset; i < p.size() && out.size() <= count; ++i) out.push_back(p[i]);
    if (offset == gFake->extOverlongAt) out.push_back(0xEE);
    out[0] = static_cast<u8>(out.size() - 1);
    return hand(out, 1);
}

u32 fakeExtSet(u8, u8, u8 netFn, u8, const u8* iana, u8, u8 token, u8 index, u16 offset, u16 total,
               u16* written, u8, const u8* data, s32) {
    ++gFake->extSetCalls;
    if (gFake->extSetTimeouts > 0) { --gFake->extSetTimeouts; return VEXA_STATUS_TIMEOUT; }
    if (gFake->extSetStatus) return gFake->extSetStatus;
    if (netFn != 0xB8 || std::memcmp(iana, IPMI_RAC_IANA, 3) != 0 || offset != 0) return 0x10CC;
    gFake->lastSet.assign(data, data + total);
    gFake->lastSetToken = token;
    gFake->lastSetIndex = index;
    *written = total;
    return 0;
}

u32 fakeSdrAttach() { ++gFake->sdrAttachCalls; return gFake->sdrAttachStatus; }
u32 fakeSelAttach() { ++gFake->selAttachCalls; return gFake->selAttachStatus; }
u32 fakeSdrDetach() { ++gFake->sdrDetachCalls; return 0; }
u32 fakeSelDetach() { ++gFake->selDetachCalls; return 0; }
u32 fakeNumSdr() { return static_cast<u32>(gFake->sdrs.size()); }
u32 fakeNumSel() { return static_cast<u32>(gFake->sels.size()); }

u8* fakeSdrByIndex(u32 index) {
    ++gFake->sdrByIndexCalls;
    return index < gFake->sdrs.size() ? hand(gFake->sdrs[index], 64) : nullptr;
}

u8* fakeSelByIndex(u32 index) {
    ++gFake->selByIndexCalls;
    return index < gFake->sels.size() ? hand(gFake->sels[index], 16) : nullptr;
}

u8* fakeHandleList() {
    ++gFake->handleListCalls;
    if (gFake->handleListFails) return nullptr;
    u32 n = static_cast<u32>(gFake->sdrs.size());
    std::vector<u8> list{static_cast<u8>(n), static_cast<u8>(n >> 8), static_cast<u8>(n >> 16),
                         static_cast<u8>(n >> 24)};
    for (u32 i = 0; i < n; ++i) {
        list.push_back(static_cast<u8>(i));
        list.push_back(0x10);
    }
    return hand(list, 4);
}

// Records stay owned by the fake, as the host's cache owns them.
u8* fakeGetSdr(u16 handle) {
    u32 i = handle - 0x1000u;
    return handle >= 0x1000 && i < gFake->sdrs.size() ? gFake->sdrs[i].data() : nullptr;
}

u8* fakeSelTime(u8, u32* status, s32) {
    ++gFake->selTimeCalls;
    if (gFake->selTimeTimeouts > 0) { --gFake->selTimeTimeouts; *status = VEXA_STATUS_TIMEOUT; return nullptr; }
    *status = gFake->selTimeStatus;
    if (*status != 0) return nullptr;
    u32 v = gFake->selTime;
    return hand({static_cast<u8>(v), static_cast<u8>(v >> 8), static_cast<u8>(v >> 16), static_cast<u8>(v >> 24)}, 4);
}

u32 fakeClearSel(u8 operation, u8* progress) {
    ++gFake->clearCalls;
    gFake->clearOperation = operation;
    *progress = gFake->clearProgress;
    if (gFake->clearStatus == 0 && gFake->clearProgress == 0) gFake->sels.clear();
    return gFake->clearStatus;
}

unsigned provide(VexaEntryTable* t) {
    t->fpHSTIPMGetChannelInfo = fakeChannelInfo;
    t->fpHSTIPMGetBMCSlaveAddress = fakeSlaveAddress;
    t->fpHSTIPMGetSensorReading = fakeSensor;
    t->fpHSTIPMGetRACExtendedConfigParameter = fakeExtGet;
    t->fpHSTIPMSetRACExtendedConfigParameter = fakeExtSet;
    t->fpHSTIPMSDRCacheAttach = fakeSdrAttach;
    t->fpHSTIPMSELCacheAttach = fakeSelAttach;
    t->fpHSTIPMSDRCacheDetach = fakeSdrDetach;
    t->fpHSTIPMSELCacheDetach = fakeSelDetach;
    t->fpHSTIPMGetNumSDREntries = fakeNumSdr;
    t->fpHSTIPMGetNumSELEntries = fakeNumSel;
    t->fpHSTIPMGetSDRByIndex = fakeSdrByIndex;
    t->fpHSTIPMGetSELEntryByIndex = fakeSelByIndex;
    t->fpHSTIPMGetSDRHandleList = fakeHandleList;
    t->fpHSTIPMGetSDR = fakeGetSdr;
    t->fpHSTIPMGetSELTime = fakeSelTime;
    t->fpHSTIPMClearSEL = fakeClearSel;
    t->fpHSTIPMIFreeGeneric = fakeFree;
    return RACIPMI_SUCCESS;
}

void recordSleep(u32 ms) { gScope->sleeps.push_back(ms); }

} // namespace

void FakeHost::setParam(u8 token, u8 index, const std::vector<u8>& data, u8 header, u16 mask) {
    std::vector<u8> p(5);
    size_t total = data.size() + 5;
    p[0] = static_cast<u8>(total);
    p[1] = static_cast<u8>(total >> 8);
    p[2] = header;
    p[3] = static_cast<u8>(mask);
    p[4] = static_cast<u8>(mask >> 8);
    p.insert(p.end(), data.begin(), data.end());
    ext[{token, index}] = p;
}

FakeHostScope::FakeHostScope() {
    gFake = &host;
    gScope = this;
    vexaSetProvider(provide);
    racSetSleepFunction(recordSleep);
    g_IpmiRacRSSA = 38;
    ameaPresent = 0;
}

FakeHostScope::~FakeHostScope() {
    vexaSetProvider(nullptr);
    racSetSleepFunction(nullptr);
    gFake = nullptr;
    gScope = nullptr;
}
