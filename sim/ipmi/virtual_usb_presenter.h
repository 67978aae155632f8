// How the simulated controller shows its virtual USB storage device to the host during a
// firmware update: presented at phase 1, read back and withdrawn at phase 2 or a cancel.
#pragma once

#include <cstdint>
#include <vector>

namespace sim {

class VirtualUsbPresenter {
public:
    virtual ~VirtualUsbPresenter() = default;
    // Shows an empty device of at least sizeMiB to the host; false when it cannot.
    virtual bool present(unsigned sizeMiB) = 0;
    // Takes the device away again (nothing when none is shown).
    virtual void withdraw() = 0;
    // The image the host copied onto the device ("vantro_fw.bin"); false when there is none.
    virtual bool readImage(std::vector<uint8_t>* image) = 0;
};

// No device at all: presenting "works", but no image can ever be read back.
class NoVirtualUsb : public VirtualUsbPresenter {
public:
    bool present(unsigned) override { return true; }
    void withdraw() override {}
    bool readImage(std::vector<uint8_t>*) override { return false; }
};

} // namespace sim
