// Helpers of the stand-in's entry points: handing out reply buffers the caller frees with
// HSTIPMIFreeGeneric, and the IPMI network functions and commands used.
#pragma once

#include "hstipm_link.h"
#include "vexa.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

// Every entry point exported with exactly the type the configuration library resolves.
extern "C" {
#define HSTIPM_DECL_(name, ret, params) __attribute__((visibility("default"))) ret HSTIPM##name params;
VEXA_ENTRY_POINTS(HSTIPM_DECL_)
#undef HSTIPM_DECL_
__attribute__((visibility("default"))) void HSTIPMIFreeGeneric(void* buffer);
}

namespace hstipm {

namespace netfn {
constexpr uint8_t kChassis = 0x00, kSensorEvent = 0x04, kApp = 0x06, kStorage = 0x0A,
                  kTransport = 0x0C, kOem = 0x2E;
}

// A malloc'd copy of data[skip..], zero-padded to at least minLen bytes (so callers that
// read a fixed-size record never run past a short reply).
inline uint8_t* handOut(const vmcodec::Bytes& data, size_t minLen, size_t skip = 0) {
    size_t have = data.size() > skip ? data.size() - skip : 0;
    size_t n = have < minLen ? minLen : have;
    uint8_t* p = static_cast<uint8_t*>(std::calloc(n ? n : 1, 1));
    if (p != nullptr && have) std::memcpy(p, data.data() + skip, have);
    return p;
}

// The usual shape of a read: status out, buffer only on success.
inline uint8_t* readReply(const Reply& r, uint32_t* status, size_t minLen, size_t skip = 0) {
    uint32_t st = r.status;
    uint8_t* p = nullptr;
    if (st == 0) {
        p = handOut(r.data, minLen, skip);
        if (p == nullptr) st = kCcBase + 0xFF;
    }
    if (status != nullptr) *status = st;
    return p;
}

} // namespace hstipm
