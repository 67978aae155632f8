// The controller's reading of an HSHK session request from a hostile client.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_memory_stream.h"
#include "hshk/hshk_exchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sim::HshkRequest req;
    std::string reason;
    sim::parseHshkRequest(data, size, req, reason);
    FuzzInputStream in(data, size);
    if (sim::readHshkRequest(in, req, reason) && req.randomLength > 32) __builtin_trap();
    return 0;
}
