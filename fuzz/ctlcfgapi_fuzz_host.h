// What the library's fuzz drivers share: the fuzzed input as a byte cursor, a count of the
// host buffers handed out and not yet freed (a leak check after every run), the host
// library's free function and a retry clock that does not sleep.
#pragma once

#include "racipmi_private.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace fuzzhost {

inline const uint8_t* gData;
inline size_t gSize, gAt;
inline long gOutstanding;

// Starts a run over the given input.
inline void begin(const uint8_t* data, size_t size) {
    gData = data;
    gSize = size;
    gAt = 0;
    gOutstanding = 0;
}

// The host library's free: every buffer a fake entry point hands out comes back here.
inline void release(void* p) {
    if (p) --gOutstanding;
    std::free(p);
}

inline void noSleep(u32) {}

} // namespace fuzzhost
