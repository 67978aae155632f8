// Stand-in for "libhstbas32.so": the host information of the updater's variant A.
#include "brd_record.h"

#include <cstdint>

extern "C" __attribute__((visibility("default"))) int HSTBASHostInfoEx(uint8_t* info, uint16_t* systemId,
                                                                        uint32_t* extra) {
    if (info) *info = 1;
    if (extra) *extra = 0;
    uint16_t id = 0;
    if (systemId == nullptr || !hostupd::hostSystemId(&id)) return 0;
    *systemId = id;
    return 1;
}
