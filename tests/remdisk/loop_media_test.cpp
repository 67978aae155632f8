// The media provider on real block devices (loop devices over files of a temporary folder):
// capacity by medium type, registration of a drive with an MBR, write protection set by the
// block layer, and reads and writes beyond 4 GiB. Skipped where loop devices cannot be
// attached.
#include <cstdint>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "devices/DeviceManager.h"
#include "devices/DeviceTypes.h"
#include "devices/LocalDevice.h"
#include "media/LinuxVMProvider.h"
#include "loop_device.h"
#include "test_support.h"
#include "trace_capture.h"

namespace {

void makeSparse(const std::string& path, int64_t bytes) {
    int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, bytes), 0);
    close(fd);
}

void putAt(const std::string& path, int64_t position, const std::string& data) {
    int fd = open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, data.data(), data.size(), position), static_cast<ssize_t>(data.size()));
    close(fd);
}

std::string getAt(const std::string& path, int64_t position, size_t bytes) {
    std::string data(bytes, '\0');
    int fd = open(path.c_str(), O_RDONLY);
    EXPECT_EQ(pread(fd, &data[0], bytes, position), static_cast<ssize_t>(bytes));
    close(fd);
    return data;
}

std::string pattern(size_t bytes, int seed) {
    std::string data(bytes, '\0');
    for (size_t i = 0; i < bytes; ++i)
        data[i] = static_cast<char>((i * 31 + seed) % 251);
    return data;
}

// Partition entry 0 of an MBR: start CHS (0, 1, 1), end CHS (999, 15, 63), LBA 63, size
// 1,007,937 sectors.
std::string mbrSector() {
    std::string s(512, '\0');
    s[0] = static_cast<char>(0xFA);
    const unsigned char entry[16] = {0x80, 1, 1, 0, 0x0C, 15, 63 | ((999 >> 2) & 0xC0), 999 & 0xFF,
                                     63, 0, 0, 0, 0x41, 0x61, 0x0F, 0x00};
    s.replace(446, 16, reinterpret_cast<const char*>(entry), 16);
    s[510] = 0x55;
    s[511] = static_cast<char>(0xAA);
    return s;
}

} // namespace

TEST(LoopMedia, CapacityByTypeAndAnMbrDrive) {
    TraceCapture trace;
    vtest::TempDir dir;
    std::string backing = dir.file("stick.img");
    makeSparse(backing, 1000 * 512);
    putAt(backing, 0, mbrSector());
    LoopDevice loop(backing, false);
    if (loop.device().empty())
        GTEST_SKIP() << "no loop device: " << loop.reason();

    DeviceManager manager;
    LinuxVMProvider provider;
    int capacity[2] = {0, 0};
    LocalDevice asCd(manager, 0, CD_DVD, loop.device());
    EXPECT_EQ(provider.getCdCapacity(asCd, capacity), 0);
    EXPECT_EQ(capacity[0], 250) << "2048-byte blocks of a CD/DVD drive";
    EXPECT_EQ(capacity[1], 512);
    LocalDevice asUsb(manager, 0, FLOPPY, loop.device());
    EXPECT_EQ(provider.getFloppyCapacity(asUsb, capacity), 0);
    EXPECT_EQ(capacity[0], 1000);
    unsigned char toc[804];
    EXPECT_EQ(provider.getCdToc(asCd, toc), -1) << "a loop device has no TOC";
    EXPECT_THROW(manager.addLocalDevice(asCd), const char*);

    manager.addLocalDevice(asUsb);
    EXPECT_EQ(asUsb.getBlockSize(), 512);
    EXPECT_EQ(asUsb.getCylinders(), 999);
    EXPECT_EQ(asUsb.getHeads(), 16);
    EXPECT_EQ(asUsb.getSectors(), 63);
    EXPECT_EQ(asUsb.getCapacity(), 1008000) << "the end of the first partition";
    EXPECT_TRUE(asUsb.isWritable());
    EXPECT_FALSE(asUsb.isFileHandleValid());
    EXPECT_TRUE(trace.has("LinuxVMProvider::initialize Opening drive with lock....\n"));
}

TEST(LoopMedia, WriteProtectionOfTheBlockLayer) {
    TraceCapture trace;
    vtest::TempDir dir;
    std::string backing = dir.file("stick.img");
    makeSparse(backing, 2880 * 512);
    LoopDevice loop(backing, false);
    if (loop.device().empty())
        GTEST_SKIP() << "no loop device: " << loop.reason();
    if (!loop.setReadOnly(true))
        GTEST_SKIP() << "blockdev --setro is refused here";

    DeviceManager manager;
    LinuxVMProvider provider;
    provider.setType(FLOPPY);
    EXPECT_EQ(provider.openDrive(loop.device(), true, false), -1);
    EXPECT_TRUE(trace.has("LinuxVMProvider::isFloppyWritable: BLKROGET:[0]\n"));

    // Registered and opened read-only: the controller is told the medium is protected.
    LocalDevice usb(manager, 0, FLOPPY, loop.device());
    manager.addLocalDevice(usb);
    EXPECT_FALSE(usb.isWritable());
    EXPECT_EQ(usb.getCapacity(), 2880);
    EXPECT_TRUE(trace.has("LinuxVMProvider::initialize Opening drive as read only NO lock....\n"));
    usb.openDevice(true);
    EXPECT_TRUE(usb.isFileHandleValid());
    EXPECT_FALSE(usb.isWritable());
    usb.closeDevice();

    ASSERT_TRUE(loop.setReadOnly(false));
    LocalDevice again(manager, 0, FLOPPY, loop.device());
    manager.addLocalDevice(again);
    EXPECT_TRUE(again.isWritable());
    again.openDevice(true);
    EXPECT_TRUE(again.isWritable());
    again.closeDevice();
}

TEST(LoopMedia, ReadsAndWritesBeyondFourGiB) {
    TraceCapture trace;
    vtest::TempDir dir;
    std::string backing = dir.file("big.img");
    const int64_t size = (5LL << 30) + (1 << 20);
    makeSparse(backing, size);
    const int64_t fourGiB = 1LL << 32;
    const std::string existing = pattern(2 * 512, 7);
    putAt(backing, fourGiB + 3 * 512, existing);
    LoopDevice loop(backing, false);
    if (loop.device().empty())
        GTEST_SKIP() << "no loop device: " << loop.reason();

    DeviceManager manager;
    LocalDevice usb(manager, 0, FLOPPY, loop.device());
    manager.addLocalDevice(usb);
    ASSERT_EQ(usb.getCapacity(), size / 512);
    usb.openDevice(true);
    ASSERT_TRUE(usb.isWritable());
    VMProvider& provider = *manager.getVMProvider();

    // Block 8,388,608 is byte 4,294,967,296: the offset must not wrap at 32 bits.
    std::vector<unsigned char> buffer(4 * 512);
    EXPECT_EQ(provider.readDrive(usb, usb.getFileHandle(), 8388611, 2, buffer.data()), 1024);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 1024), existing);
    EXPECT_TRUE(trace.has("perform seek to 4294968832 *"));

    const std::string fresh = pattern(4 * 512, 99);
    const int offset = 8388608;
    ASSERT_EQ(provider.seekDrive(usb.getFileHandle(), static_cast<long long>(offset) * 512), fourGiB);
    EXPECT_EQ(provider.writeDrive(usb, offset, 4, (unsigned char*)fresh.data()), 2048);
    ASSERT_EQ(fsync(static_cast<int>(usb.getFileHandle())), 0);
    EXPECT_EQ(getAt(backing, fourGiB, 2048), fresh);
    EXPECT_EQ(getAt(backing, fourGiB - 512, 512), std::string(512, '\0')) << "nothing written below";
    EXPECT_EQ(provider.readDrive(usb, usb.getFileHandle(), offset, 4, buffer.data()), 2048);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), fresh);

    // A write that runs past the end of the device stops there and says so.
    const int last = usb.getCapacity() - 1;
    ASSERT_GT(provider.seekDrive(usb.getFileHandle(), static_cast<long long>(last) * 512), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(provider.writeDrive(usb, last, 4, (unsigned char*)fresh.data()), 512);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "writeDrive:: No space left on device\n");
    usb.closeDevice();
}
