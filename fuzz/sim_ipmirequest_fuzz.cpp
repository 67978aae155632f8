// The simulator's IPMI command table against arbitrary requests (network function, command
// and data from the input), including the extended-configuration store and SEL/SDR reads.
#include "ipmi/ipmi_dispatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static sim::IpmiDispatcher* d = [] {
        sim::IpmiState s = sim::IpmiState::defaults();
        s.sel.push_back(sim::Bytes(16, 1));
        s.sdr.push_back({0, 0, 0x51, 1, 2, 3, 4});
        auto* p = new sim::IpmiDispatcher(s, "");
        sim::addStandardCommands(*p);
        return p;
    }();
    size_t at = 0;
    while (at + 3 <= size) {
        vmcodec::Request q;
        static const uint8_t netfns[] = {0x00, 0x04, 0x06, 0x0A, 0x0C, 0x2E};
        q.netfn = netfns[data[at] % sizeof netfns];
        q.cmd = data[at + 1];
        size_t n = data[at + 2] % 80;
        at += 3;
        if (n > size - at) n = size - at;
        q.data.assign(data + at, data + at + n);
        at += n;
        vmcodec::Response r;
        d->dispatch(q, r);
    }
    return 0;
}
