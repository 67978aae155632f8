// The updater's command entry point of the stand-in "libhstipm32.so": one IPMI command
// through the 80-byte record. (HSTIPMGetBMCSlaveAddress, which the updater also uses, is one
// of the library's common entry points.)
#include "brd_record.h"

#include <cstdint>

extern "C" {

__attribute__((visibility("default"))) int HSTIPMCommand(BrdIPMICmdIoctlReq* request, BrdIPMICmdIoctlReq* response) {
    return hostupd::forwardCommand(reinterpret_cast<const uint8_t*>(request), reinterpret_cast<uint8_t*>(response));
}

} // extern "C"
