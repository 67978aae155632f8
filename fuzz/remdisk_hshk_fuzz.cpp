// The controller's session setup response, parsed from arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz_memory_stream.h"
#include "session/ProtocolHSHK.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInputStream in(data, size);
    HSHKSetupResponse out;
    try {
        ProtocolHSHK::readSessionSetup(in, out);
        if (out.randomDataLength < 0 || out.randomDataLength > 255 || out.sessionPort < 0 ||
            out.sessionPort > 0xFFFF)
            __builtin_trap();
    } catch (const char*) {
    }
    return 0;
}
