// Extended-configuration reads against arbitrary host replies: each reply (status byte,
// count byte, data) comes from the input. The read must never write past the caller's
// capacity, report more bytes than it holds, or leave a host buffer allocated.
#include "racipmi_private.h"
#include "ctlcfgapi_fuzz_host.h"

#include <cstdlib>
#include <cstring>

namespace {

using namespace fuzzhost;

u8* reply(u8, u8, u8, u8, const u8*, u8, u8, u8, u16, u8 count, u32* status, s32) {
    if (gAt + 2 > gSize) {
        *status = 0x10CB;
        return nullptr;
    }
    uint8_t kind = gData[gAt++];
    if (kind % 7 == 0) {
        *status = (kind & 8) ? 0x10C3 : 0x10C1;
        return nullptr;
    }
    size_t n = gData[gAt++];
    if (kind % 5 != 0 && n > count) n = count; // mostly well-behaved, sometimes not
    u8* p = static_cast<u8*>(std::calloc(1 + n, 1));
    p[0] = static_cast<u8>(n);
    for (size_t i = 0; i < n && gAt < gSize; ++i) p[1 + i] = gData[gAt++];
    ++gOutstanding;
    *status = 0;
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    racSetSleepFunction(noSleep);
    VexaEntryTable t{};
    t.fpHSTIPMGetRACExtendedConfigParameter = reply;
    t.fpHSTIPMIFreeGeneric = release;
    static RacIpmiPrivateData* pd = static_cast<RacIpmiPrivateData*>(std::calloc(1, sizeof(RacIpmiPrivateData)));
    pd->pVexa = &t;
    u16 capacity = static_cast<u16>(data[0] | (data[1] << 8)) % 300;
    begin(data + 2, size - 2);
    u8* dest = static_cast<u8*>(std::malloc(capacity ? capacity : 1)); // ASan catches overruns
    u16 len = 0;
    unsigned st = getRacExtCfgParam(pd, 1, 0, capacity, &len, dest);
    if (len > capacity || (st == 0 && gOutstanding != 0) || gOutstanding != 0) std::abort();
    std::free(dest);
    pd->pVexa = nullptr;
    return 0;
}
