// The virtual USB storage device the simulated controller presents to its host during a
// firmware update: shown after phase 1, read back at phase 2, taken away at the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vsim {

// The file the updater copies onto the device and the controller flashes from.
constexpr const char* kVirtualUsbImageName = "vantro_fw.bin";

class VirtualUsbPresenter {
public:
    virtual ~VirtualUsbPresenter() = default;

    // Shows the host a freshly formatted, empty FAT device. False with the reason in *error
    // when this machine cannot present one. Presenting what is already presented is a no-op.
    virtual bool present(std::string* error) = 0;

    // Takes the device away from the host, as unplugging it would. Safe to call at any time.
    virtual void withdraw() = 0;

    // The contents of "vantro_fw.bin" on the presented device; false with the reason in
    // *error when there is no device or no such file on it.
    virtual bool readImage(std::vector<uint8_t>* data, std::string* error) = 0;
};

// A real FAT image (mkfs.vfat) attached as a loop device (losetup), so that the host's own
// fdisk, df, mount and umount see it like a USB stick. One such device per host at a time:
// present() waits (bounded) for a host-wide lock that withdraw() releases. An updater compares
// the host's disks before and after the device appears, so whoever starts one should reserve()
// the lock before the updater's first scan (a simulator: when it starts), lest another
// presenter's device come or go in between.
class LoopUsbPresenter : public VirtualUsbPresenter {
public:
    struct Options {
        uint32_t sizeMiB = 16;
        std::string workDir;    // where the image file lives; empty: a fresh temporary folder
        int lockWaitMs = 120000;
    };

    LoopUsbPresenter();
    explicit LoopUsbPresenter(Options options);
    ~LoopUsbPresenter() override; // withdraws
    LoopUsbPresenter(const LoopUsbPresenter&) = delete;
    LoopUsbPresenter& operator=(const LoopUsbPresenter&) = delete;

    // Takes the host-wide lock without presenting anything yet; false with the reason when it
    // stays taken for longer than the lock wait.
    bool reserve(std::string* error);

    bool present(std::string* error) override;
    void withdraw() override; // also gives the lock back
    bool readImage(std::vector<uint8_t>* data, std::string* error) override;

    bool presented() const { return !device_.empty(); }
    const std::string& devicePath() const { return device_; } // "/dev/loopN" while presented
    const std::string& imagePath() const { return image_; }

    // Whether loop devices and the FAT tools are there; the reason when not.
    static bool machineSupports(std::string* reason);

private:
    bool prepareImage(std::string* error);
    void removeImage();

    Options options_;
    std::string workDir_;
    bool ownWorkDir_ = false;
    std::string image_;
    std::string device_;
    int lockFd_ = -1;
};

// Where a block device is mounted on this host, read from /proc/self/mountinfo; "" when it
// is not mounted.
std::string mountPointOf(const std::string& device);

} // namespace vsim
