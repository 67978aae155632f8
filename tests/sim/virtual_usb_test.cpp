// The simulator's virtual USB device: a FAT image on a loop device that the host's own tools see.
#include "test_support.h"
#include "usb/tool_run.h"
#include "usb/virtual_usb.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

#define SKIP_WITHOUT_LOOP_DEVICES()                                                   \
    do {                                                                              \
        std::string reason;                                                           \
        if (!sim::LoopUsbPresenter::machineSupports(&reason))                        \
            GTEST_SKIP() << "virtual USB device cannot be presented here: " << reason; \
    } while (0)

std::string fdiskListing() { return sim::runTool({"/sbin/fdisk", "-l"}).output; }

TEST(VirtualUsbPresenter, PresentsAFatLoopDeviceThatReadsBackWhatWasWritten) {
    SKIP_WITHOUT_LOOP_DEVICES();
    vtest::TempDir dir;
    sim::LoopUsbPresenter usb;
    std::string error;
    ASSERT_TRUE(usb.present(0, &error)) << error;
    ASSERT_TRUE(usb.present(0, &error)) << "presenting twice is a no-op";
    const std::string device = usb.devicePath();
    ASSERT_EQ(device.compare(0, 9, "/dev/loop"), 0) << device;
    EXPECT_NE(fdiskListing().find("Disk " + device + ":"), std::string::npos);

    std::vector<uint8_t> data;
    EXPECT_FALSE(usb.readImage(&data, &error)) << "an empty device holds no image";
    EXPECT_NE(error.find("vantro_fw.bin"), std::string::npos) << error;

    std::string payload(300000, '\0');
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 7 + i / 1000);
    vtest::writeFile(dir.file("fw.bin"), payload);
    const auto put = sim::runTool({"mcopy", "-i", device, dir.file("fw.bin"), "::vantro_fw.bin"}, 30000,
                                   {"MTOOLS_SKIP_CHECK=1"});
    ASSERT_EQ(put.status, 0) << put.output;
    ASSERT_TRUE(usb.readImage(&data, &error)) << error;
    EXPECT_EQ(std::string(data.begin(), data.end()), payload);

    const std::string image = usb.imagePath();
    usb.withdraw();
    EXPECT_FALSE(usb.presented());
    EXPECT_EQ(fdiskListing().find("Disk " + device + ":"), std::string::npos);
    EXPECT_EQ(sim::runTool({"losetup", "-j", image}).output, "");
    EXPECT_FALSE(vtest::fileExists(image));
    EXPECT_FALSE(usb.readImage(&data, &error));
    usb.withdraw(); // again: harmless
}

TEST(VirtualUsbPresenter, ReadsThroughTheHostsMountAndWithdrawTakesTheMountAway) {
    SKIP_WITHOUT_LOOP_DEVICES();
    if (sim::findTool("fusefat").empty())
        GTEST_SKIP() << "fusefat is not installed, the host cannot mount FAT here";
    vtest::TempDir dir;
    sim::LoopUsbPresenter usb;
    std::string error;
    ASSERT_TRUE(usb.present(0, &error)) << error;
    const std::string mp = dir.file("scrtch");
    ASSERT_EQ(mkdir(mp.c_str(), 0700), 0);
    auto mount = sim::runTool({"mount", usb.devicePath(), mp});
    if (mount.status != 0)
        mount = sim::runTool({"fusefat", "-o", "rw+", "-o", "subtype=vfat", "-o", "fsname=" + usb.devicePath(),
                               usb.devicePath(), mp});
    ASSERT_EQ(mount.status, 0) << mount.output;
    EXPECT_EQ(sim::mountPointOf(usb.devicePath()), mp);
    vtest::writeFile(mp + "/vantro_fw.bin", "firmware bytes");
    std::vector<uint8_t> data;
    ASSERT_TRUE(usb.readImage(&data, &error)) << error;
    EXPECT_EQ(std::string(data.begin(), data.end()), "firmware bytes");
    const std::string device = usb.devicePath();
    usb.withdraw();
    EXPECT_EQ(sim::mountPointOf(device), "");
    EXPECT_EQ(sim::runTool({"df", "-Th"}).output.find(mp), std::string::npos);
}

TEST(VirtualUsbPresenter, OnePresenterPerHostAtATime) {
    SKIP_WITHOUT_LOOP_DEVICES();
    sim::LoopUsbPresenter first;
    std::string error;
    ASSERT_TRUE(first.reserve(&error)) << error;
    sim::LoopUsbPresenter::Options o;
    o.lockWaitMs = 300;
    sim::LoopUsbPresenter second(o);
    EXPECT_FALSE(second.present(0, &error));
    EXPECT_NE(error.find("another virtual USB device"), std::string::npos) << error;
    // A reservation outlives the device: presenting and withdrawing keep it.
    ASSERT_TRUE(first.present(0, &error)) << error;
    first.withdraw();
    EXPECT_FALSE(second.present(0, &error));
    first.release();
    EXPECT_TRUE(second.present(0, &error)) << error;
}

TEST(VirtualUsbPresenter, RefusesAnImpossibleSizeWithAReason) {
    sim::LoopUsbPresenter::Options o;
    o.sizeMiB = 0;
    sim::LoopUsbPresenter usb(o);
    std::string error;
    EXPECT_FALSE(usb.present(0, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(usb.presented());
}

} // namespace
