// The virtual USB storage device the simulated controller presents to its host during a
// firmware update, as a real device of the host.
#pragma once

#include "ipmi/virtual_usb_presenter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// The file the updater copies onto the device and the controller flashes from.
constexpr const char* kVirtualUsbImageName = "vantro_fw.bin";

// A real FAT image (mkfs.vfat) attached as a loop device (losetup), so that the host's own
// fdisk, df, mount and umount see it like a USB stick. One such device per host at a time:
// present() waits (bounded) for a host-wide lock that withdraw() releases. An updater compares
// the host's disks before and after the device appears, so whoever starts one should reserve()
// the lock before the updater's first scan (a simulator: when it starts), lest another
// presenter's device come or go in between.
class LoopUsbPresenter : public VirtualUsbPresenter {
public:
    struct Options {
        uint32_t sizeMiB = 16;  // the smallest device presented
        std::string workDir;    // where the image file lives; empty: a fresh temporary folder
        int lockWaitMs = 120000;
    };

    LoopUsbPresenter();
    explicit LoopUsbPresenter(Options options);
    ~LoopUsbPresenter() override; // withdraws
    LoopUsbPresenter(const LoopUsbPresenter&) = delete;
    LoopUsbPresenter& operator=(const LoopUsbPresenter&) = delete;

    // Takes the host-wide lock without presenting anything yet and keeps it, through every
    // present() and withdraw(), until release() or the end of the object; false with the
    // reason when it stays taken for longer than the lock wait.
    bool reserve(std::string* error);
    void release() { withdraw(); releaseLock(); }

    // Shows the host a freshly formatted, empty FAT device with room for an image of
    // imageMiB (never smaller than the configured size). False with the reason in *error when
    // this machine cannot. Presenting what is already presented is a no-op.
    bool present(unsigned imageMiB, std::string* error);
    // The contents of "vantro_fw.bin" on the device; false with the reason in *error when there
    // is no device or no such file on it.
    bool readImage(std::vector<uint8_t>* data, std::string* error);

    // The controller's side: the same, with the reason kept in lastError() and written to
    // standard error, where a simulator's log shows it.
    bool present(unsigned imageMiB) override;
    bool readImage(std::vector<uint8_t>* data) override;
    void withdraw() override; // also gives the lock back, unless reserved
    const std::string& lastError() const { return lastError_; }

    bool presented() const { return !device_.empty(); }
    const std::string& devicePath() const { return device_; } // "/dev/loopN" while presented
    const std::string& imagePath() const { return image_; }

    // Whether loop devices and the FAT tools are there; the reason when not.
    static bool machineSupports(std::string* reason);

private:
    bool prepareImage(uint32_t sizeMiB, std::string* error);
    bool acquireLock(std::string* error);
    void releaseLock();
    void removeImage();

    Options options_;
    std::string workDir_;
    bool ownWorkDir_ = false;
    std::string image_;
    std::string device_;
    int lockFd_ = -1;
    bool reserved_ = false;
    std::string lastError_;
};

// Where a block device is mounted on this host, read from /proc/self/mountinfo; "" when it
// is not mounted.
std::string mountPointOf(const std::string& device);

} // namespace sim
