// VM protocol frame decoder: arbitrary bytes in arbitrary splits. Every frame it accepts
// must parse and re-encode to bytes that decode to the same frame.
#include "vm_codec.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vmcodec::Decoder d;
    std::vector<vmcodec::Frame> frames;
    size_t at = 0;
    while (at < size) {
        size_t n = 1 + (data[at] % 37);
        if (n > size - at) n = size - at;
        d.feed(data + at, n, frames);
        at += n;
    }
    for (const vmcodec::Frame& f : frames) {
        vmcodec::Bytes wire = f.control ? vmcodec::encodeControl(f.bytes) : vmcodec::encodeMessage(f.bytes);
        vmcodec::Decoder again;
        std::vector<vmcodec::Frame> back;
        again.feed(wire.data(), wire.size(), back);
        if (back.size() != 1 || back[0].bytes != f.bytes || back[0].control != f.control) std::abort();
        vmcodec::Request q;
        vmcodec::Response r;
        if (vmcodec::parseRequest(f, q) && vmcodec::encodeRequest(q) != wire) std::abort();
        vmcodec::parseResponse(f, r);
    }
    return 0;
}
