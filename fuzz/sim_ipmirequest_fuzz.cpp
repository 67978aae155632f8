// The simulator's IPMI command table against arbitrary requests (network function, command
// and data from the input), including the extended-configuration store, SEL/SDR reads and the
// firmware-update side (on a clock that moves a second per request, with a virtual USB
// device whose image header is what the last request carried, with a good checksum).
#include "ipmi/fw_commands.h"
#include "ipmi/ipmi_dispatch.h"

#include <algorithm>

namespace {

double fuzzClock = 0;

class EchoUsb : public sim::VirtualUsbPresenter {
public:
    bool present(unsigned sizeMiB) override { return sizeMiB % 7 != 0; }
    void withdraw() override {}
    bool readImage(std::vector<uint8_t>* image) override {
        if (last.empty()) return false;
        image->assign(512 + last.size(), 0);
        std::copy(last.begin(), last.end(), image->begin() + 4);
        uint32_t crc = 0xFFFFFFFFu;
        for (size_t i = 4; i < 512; ++i) {
            crc ^= (*image)[i];
            for (int b = 0; b < 8; ++b) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        crc = ~crc;
        for (int i = 0; i < 4; ++i) (*image)[i] = static_cast<uint8_t>(crc >> (8 * i));
        return true;
    }
    std::vector<uint8_t> last;
};

EchoUsb usb;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static sim::IpmiDispatcher* d = [] {
        sim::IpmiState s = sim::IpmiState::defaults();
        s.sel.push_back(sim::Bytes(16, 1));
        s.sdr.push_back({0, 0, 0x51, 1, 2, 3, 4});
        auto* p = new sim::IpmiDispatcher(s, "");
        sim::addStandardCommands(*p);
        sim::FwUpdateOptions fw;
        fw.flashSeconds = 3;
        fw.rebootSeconds = 2;
        sim::addFirmwareCommands(*p, std::make_shared<sim::FwUpdateController>(fw, &usb, [] { return fuzzClock; }));
        return p;
    }();
    size_t at = 0;
    while (at + 3 <= size) {
        vmcodec::Request q;
        static const uint8_t netfns[] = {0x00, 0x04, 0x06, 0x08, 0x0A, 0x0C, 0x2E};
        q.netfn = netfns[data[at] % sizeof netfns];
        q.cmd = data[at + 1];
        size_t n = data[at + 2] % 80;
        at += 3;
        if (n > size - at) n = size - at;
        q.data.assign(data + at, data + at + n);
        at += n;
        vmcodec::Response r;
        usb.last = q.data;
        fuzzClock += 1;
        d->dispatch(q, r);
    }
    return 0;
}
