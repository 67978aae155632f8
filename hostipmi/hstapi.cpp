// Stand-in for "libhstapi32.so", the updater's variant B: the host information and IPMI
// commands through an access handle opened with HIPOpen(4136, 1).
#include "brd_record.h"

#include <cstdint>
#include <mutex>
#include <set>

namespace {

std::mutex gMu;
std::set<int> gHandles;
int gNext = 3;

bool isOpen(int handle) {
    std::lock_guard<std::mutex> lock(gMu);
    return gHandles.count(handle) != 0;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int HIPOpen(int kind, int mode) {
    if (kind != 4136 || mode != 1) return -1;
    std::lock_guard<std::mutex> lock(gMu);
    gHandles.insert(gNext);
    return gNext++;
}

__attribute__((visibility("default"))) void HIPClose(int handle) {
    std::lock_guard<std::mutex> lock(gMu);
    gHandles.erase(handle);
}

__attribute__((visibility("default"))) int HIPHostInfoEx(int handle, uint8_t* info, uint16_t* systemId,
                                                         uint32_t* extra) {
    if (!isOpen(handle)) return 0;
    if (info) *info = 1;
    if (extra) *extra = 0;
    uint16_t id = 0;
    if (systemId == nullptr || !hostupd::hostSystemId(&id)) return 0;
    *systemId = id;
    return 1;
}

__attribute__((visibility("default"))) int HIPIPMICommand(int handle, BrdIPMICmdIoctlReq* request,
                                                          BrdIPMICmdIoctlReq* response) {
    if (!isOpen(handle)) return 0;
    return hostupd::forwardCommand(reinterpret_cast<const uint8_t*>(request), reinterpret_cast<uint8_t*>(response));
}

} // extern "C"
