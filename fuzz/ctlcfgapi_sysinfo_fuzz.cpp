// System-information and FRU reads against arbitrary BMC replies: every reply (a kind byte,
// then data) comes from the input, in buffers of exactly the length the host library
// promises. The block helpers and the field decoder must never read or write past their
// buffers nor leave a host buffer allocated.
#include "racipmi_ops.h"
#include "ctlcfgapi_fuzz_host.h"

#include <cstdlib>
#include <cstring>

namespace {

using namespace fuzzhost;

u8 next() { return gAt < gSize ? gData[gAt++] : 0; }

u8* hand(size_t n) {
    u8* p = static_cast<u8*>(std::calloc(n ? n : 1, 1));
    for (size_t i = 0; i < n; ++i) p[i] = next();
    ++gOutstanding;
    return p;
}

u8* sysInfo(u8, u8, u8, u8, u8, u8 len, u32* status, s32) {
    if (gAt >= gSize || next() % 11 == 0) {
        *status = 0x10C1;
        return nullptr;
    }
    *status = 0;
    return hand(len);
}

u8* fru(u8, u8, u8, u8, u8, u32* status, s32) {
    *status = 0;
    u8 kind = next();
    if (kind % 5 == 0) return nullptr; // no product area
    u8 head[2] = {next(), next()};
    size_t n = head[1] * 8u < 2 ? 2 : head[1] * 8u;
    u8* p = hand(n);
    p[0] = head[0];
    p[1] = head[1];
    return p;
}

u32 slaveAddress() { return 0x20; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    racSetSleepFunction(noSleep);
    VexaEntryTable t{};
    t.fpHSTIPMGetSystemInfoParameter = sysInfo;
    t.fpHSTIPMReadFRUData = fru;
    t.fpHSTIPMGetBMCSlaveAddress = slaveAddress;
    t.fpHSTIPMIFreeGeneric = release;
    static RacIpmiPrivateData* pd = static_cast<RacIpmiPrivateData*>(std::calloc(1, sizeof(RacIpmiPrivateData)));
    pd->pVexa = &t;
    RacIpmi rec{};
    rec.pPrivateData = pd;
    begin(data + 1, size - 1);

    // Exact-size heap buffers, so ASan sees any overrun.
    u8* text = static_cast<u8*>(std::malloc(256));
    char* out = static_cast<char*>(std::malloc(256));
    char* field = static_cast<char*>(std::malloc(64));
    switch (data[0] % 4) {
    case 0:
        if (getSysInfoParamType1(pd, 1, text) == 0) copyString(out, text[0] & 0x0F, text + 1);
        break;
    case 1:
        if (getSysInfoParamType3(pd, 240, 1, text) == 0 && std::memchr(text, 0, 256) == nullptr) std::abort();
        break;
    case 2: {
        RacSysInfo* info = static_cast<RacSysInfo*>(std::malloc(sizeof(RacSysInfo)));
        getSysInfo(&rec, info);
        if (std::memchr(info->productField, 0, sizeof info->productField) == nullptr) std::abort();
        std::free(info);
        break;
    }
    default: {
        // The decoder alone: type/length byte, then exactly the bytes it states.
        u8 tl = data[1];
        size_t n = tl & 0x3F;
        u8* src = static_cast<u8*>(std::malloc(n ? n : 1));
        for (size_t i = 0; i < n; ++i) src[i] = i + 2 < size ? data[i + 2] : 0;
        decodeString(tl, src, field);
        if (std::memchr(field, 0, 64) == nullptr) std::abort();
        std::free(src);
    }
    }
    std::free(text);
    std::free(out);
    std::free(field);
    if (gOutstanding != 0) std::abort();
    pd->pVexa = nullptr;
    return 0;
}
