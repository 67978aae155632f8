// The whole virtual USB round on a real device: the simulator presents a FAT loop device, the
// updater finds it as new, mounts it itself (the host does not), copies the image, unmounts it,
// and the simulator reads back exactly the image.
#include "cli/config_file.h"
#include "cli/console.h"
#include "test_support.h"
#include "update/fw_update_param.h"
#include "upflash_fixtures.h"
#include "usb/usb_device.h"
#include "usb/virtual_usb.h"

#include <gtest/gtest.h>

#include <dirent.h>

namespace {

bool dirExists(const std::string& path) {
    DIR* d = opendir(path.c_str());
    if (d) closedir(d);
    return d != nullptr;
}

TEST(UsbLoopDevice, ImageTravelsThroughTheHostsOwnToolsOntoThePresentedDevice) {
    std::string reason;
    if (!sim::LoopUsbPresenter::machineSupports(&reason))
        GTEST_SKIP() << "virtual USB device cannot be presented here: " << reason;
    upftest::resetModules();
    upftest::ConsoleCapture cap;
    set_display_state(DISPLAY_DEBUG);
    gConfig.usbDeviceSearchingTime = 1;
    vtest::TempDir dir;
    std::string image(3 * 1024 * 1024 + 4321, '\0');
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>((i * 131) ^ (i >> 9));
    vtest::writeFile(dir.file("firmimg.v6"), image);
    // The controller is asked for room for 20 MiB: the free size df shows must still count as that.
    gFwUpdParam.imageSizeMiB = 20;

    // No other presenter may add or take away a device between the two scans.
    sim::LoopUsbPresenter usb;
    std::string error;
    ASSERT_TRUE(usb.reserve(&error)) << error;
    const bool mountDirExisted = dirExists("/media/" MOUNTNAME);
    initRacUsb();
    ASSERT_EQ(getDeviceList(), 0);
    ASSERT_TRUE(usb.present(gFwUpdParam.imageSizeMiB, &error)) << error;

    ASSERT_EQ(detectUSBdevice(), 0) << cap.out();
    EXPECT_NE(cap.out().find("\n     Find a new disk " + usb.devicePath() + " "), std::string::npos);
    if (vtest::readFile("/proc/filesystems").find("\tvfat\n") == std::string::npos)
        EXPECT_NE(cap.out().find("\n       fusefat -o rw+ -o subtype=vfat -o fsname='" + usb.devicePath() + "'"),
                  std::string::npos)
            << "without FAT in the kernel the device is mounted in user space";
    UsbDeviceInfo info;
    ASSERT_EQ(getVirtualUsbKeyInfo(&info), 0) << cap.out();
    EXPECT_EQ(info.deviceName, usb.devicePath());
    EXPECT_EQ(info.sectors, 24u * 2048u); // 20 MiB and room for the file system
    EXPECT_EQ(info.sectorSize, 512u);

    ASSERT_EQ(writeFileToUsbKey(dir.file("firmimg.v6").c_str()), 0) << cap.out();
    ASSERT_EQ(manuallyUnmountUSBDevice(), 0) << cap.out();
    EXPECT_NE(cap.out().find("\n     USB device has been unmounted manually"), std::string::npos);
    if (!mountDirExisted)
        EXPECT_FALSE(dirExists("/media/" MOUNTNAME)) << "the directory made for the mount is gone again";
    uninitRacUsb();

    std::vector<uint8_t> back;
    ASSERT_TRUE(usb.readImage(&back, &error)) << error;
    EXPECT_TRUE(std::string(back.begin(), back.end()) == image) << "read back " << back.size() << " bytes";
    usb.withdraw();
    upftest::resetModules();
}

} // namespace
