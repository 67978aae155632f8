// The host IPMI access libraries and the entry points the updater resolves in them, with the
// C signatures it calls them through. Each returns 1 for success unless said otherwise.
#pragma once

#include "ipmi/ipmi_record.h"

#include <cstdint>

#define HOST_BAS_LIBRARY "libhstbas32.so"
#define HOST_IPM_LIBRARY "libhstipm32.so"
#define HOST_API_LIBRARY "libhstapi32.so"

#define HOST_BAS_HOST_INFO "HSTBASHostInfoEx"
#define HOST_IPM_COMMAND "HSTIPMCommand"
#define HOST_IPM_SLAVE_ADDRESS "HSTIPMGetBMCSlaveAddress"
#define HOST_API_OPEN "HIPOpen"
#define HOST_API_CLOSE "HIPClose"
#define HOST_API_HOST_INFO "HIPHostInfoEx"
#define HOST_API_COMMAND "HIPIPMICommand"

// The arguments the updater opens the variant B access handle with.
enum { HOST_API_OPEN_ARG1 = 4136, HOST_API_OPEN_ARG2 = 1 };

extern "C" {
// Variant A.
typedef int (*HSTBASHostInfoEx_t)(uint8_t* info, uint16_t* systemId, uint32_t* extra);
typedef int (*HSTIPMCommand_t)(BrdIPMICmdIoctlReq* request, BrdIPMICmdIoctlReq* response);
typedef uint32_t (*HSTIPMGetBMCSlaveAddress_t)(void);
// Variant B: an access handle first; HIPOpen returns -1 for failure.
typedef int (*HIPOpen_t)(int arg1, int arg2);
typedef void (*HIPClose_t)(int handle);
typedef int (*HIPHostInfoEx_t)(int handle, uint8_t* info, uint16_t* systemId, uint32_t* extra);
typedef int (*HIPIPMICommand_t)(int handle, BrdIPMICmdIoctlReq* request,
                                BrdIPMICmdIoctlReq* response);
}
