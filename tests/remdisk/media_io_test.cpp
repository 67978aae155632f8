// LinuxVMProvider reading, writing and describing media through a LocalDevice, on image
// files, pipes and character devices: whole-request reads, past-end reads, complete and
// partial writes, file sizes, the CD table of contents and the tray requests.
#include <cstdint>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "devices/DeviceManager.h"
#include "devices/DeviceTypes.h"
#include "devices/LocalDevice.h"
#include "media/CdToc.h"
#include "media/LinuxVMProvider.h"
#include "test_support.h"
#include "trace_capture.h"

namespace {

std::string pattern(size_t bytes) {
    std::string data(bytes, '\0');
    for (size_t i = 0; i < bytes; ++i)
        data[i] = static_cast<char>((i / 512 * 7 + i) % 253);
    return data;
}

class MediaIo : public ::testing::Test {
protected:
    TraceCapture trace;
    vtest::TempDir dir;
    DeviceManager manager;
    LinuxVMProvider provider;
};

} // namespace

TEST_F(MediaIo, ReadsAWholeRequestAndWarnsPastTheEnd) {
    std::string img = dir.file("floppy.img");
    const std::string data = pattern(2880 * 512);
    vtest::writeFile(img, data);
    LocalDevice floppy(manager, 0, FLOPPY_IMAGE, img);
    floppy.setBlockSize(512);
    floppy.setCapacity(2880);
    int fd = open(img.c_str(), O_RDONLY);

    std::vector<unsigned char> buffer(255 * 512);
    EXPECT_EQ(provider.readDrive(floppy, fd, 100, 255, buffer.data()), 255 * 512);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), data.substr(100 * 512, 255 * 512));
    EXPECT_TRUE(trace.has("LinuxVMProvider::readDrive perform seek to 51200 ****************\n"));
    EXPECT_TRUE(trace.has("LinuxVMProvider::readDrive bytes read 130560\n"));
    EXPECT_FALSE(trace.has("WARNING"));

    EXPECT_EQ(provider.readDrive(floppy, fd, 2879, 4, buffer.data()), 512);
    EXPECT_TRUE(trace.has("LinuxVMProvider::readDrive WARNING: Attempting to read past end of "
                          "device.  offset=2879, count=4, capacity=2880\n"));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 512), data.substr(2879 * 512));

    EXPECT_EQ(provider.readDrive(floppy, fd, 2880, 1, buffer.data()), 0);
    EXPECT_TRUE(trace.has("LinuxVMProvider::readDrive Read error\n"));
    // Requests no caller can mean: refused without touching the buffer.
    EXPECT_EQ(provider.readDrive(floppy, fd, -1, 1, buffer.data()), -1);
    EXPECT_EQ(provider.readDrive(floppy, fd, 0, -1, buffer.data()), -1);
    EXPECT_EQ(provider.readDrive(floppy, fd, 0, 1, nullptr), -1);
    EXPECT_EQ(provider.readDrive(floppy, fd, 0, 0x7FFFFFFF, buffer.data()), -1);
    EXPECT_EQ(provider.readDrive(floppy, 0, 0, 1, buffer.data()), -1) << "never standard input";
    floppy.setBlockSize(0);
    EXPECT_EQ(provider.readDrive(floppy, fd, 0, 1, buffer.data()), -1);
    close(fd);
    floppy.setBlockSize(512);
    EXPECT_EQ(provider.readDrive(floppy, fd, 0, 1, buffer.data()), -1) << "closed handle";
}

TEST_F(MediaIo, ReadSectorsIsAllOrNothing) {
    std::string img = dir.file("f.img");
    const std::string data = pattern(4 * 512 + 100);
    vtest::writeFile(img, data);
    int fd = open(img.c_str(), O_RDONLY);
    std::vector<unsigned char> buffer(8 * 512);
    EXPECT_EQ(provider.readSectors(fd, 512, 2, 1, buffer.data()), 1024);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 1024), data.substr(512, 1024));
    EXPECT_TRUE(trace.has("LinuxVMProvider::readSectors perform seek to 512 ***********\n"));
    EXPECT_EQ(provider.readSectors(fd, 512, 1, 4, buffer.data()), -1); // only 100 bytes left
    EXPECT_TRUE(trace.has("LinuxVMProvider::readSectors Error: readSectors failed\n"));
    EXPECT_EQ(provider.readSectors(fd, 0, 1, 0, buffer.data()), -1);
    EXPECT_EQ(provider.readSectors(fd, 512, 1, -1, buffer.data()), -1);
    EXPECT_EQ(provider.readSectors(0, 512, 1, 0, buffer.data()), -1);
    close(fd);
}

TEST_F(MediaIo, WritesCompletelyAtTheSoughtPosition) {
    std::string img = dir.file("usb.img");
    vtest::writeFile(img, std::string(64 * 512, '\0'));
    LocalDevice usb(manager, 0, FLOPPY_IMAGE, img);
    usb.setBlockSize(512);
    provider.setType(FLOPPY_IMAGE);
    usb.setFileHandle(provider.openDrive(img, true, false));
    ASSERT_TRUE(usb.isFileHandleValid());

    std::string data = pattern(4 * 512);
    ASSERT_EQ(provider.seekDrive(usb.getFileHandle(), 8LL * 512), 8 * 512);
    testing::internal::CaptureStderr();
    EXPECT_EQ(provider.writeDrive(usb, 8, 4, reinterpret_cast<unsigned char*>(&data[0])), 2048);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(trace.has("LinuxVMProvider::writeDrive called\n"));
    provider.closeDrive(usb.getFileHandle());
    EXPECT_EQ(vtest::readFile(img).substr(8 * 512, 2048), data);
    EXPECT_EQ(vtest::readFile(img).size(), 64u * 512);
}

TEST_F(MediaIo, ReportsPartialAndFailedWrites) {
    LocalDevice usb(manager, 0, FLOPPY, "pipe");
    usb.setBlockSize(1024);
    std::vector<unsigned char> data(256 * 1024, 0x5A);

    // A non-blocking pipe takes what fits in its buffer and then refuses the rest.
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_NONBLOCK), 0);
    int room = fcntl(ends[1], F_GETPIPE_SZ);
    ASSERT_GT(room, 0);
    ASSERT_LT(room, 256 * 1024);
    usb.setFileHandle(ends[1]);
    testing::internal::CaptureStderr();
    EXPECT_EQ(provider.writeDrive(usb, 0, 256, data.data()), room);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("writeDrive:: "), std::string::npos);
    close(ends[0]);
    close(ends[1]);

    // A full device takes nothing.
    int full = open("/dev/full", O_WRONLY);
    if (full > 0) {
        usb.setFileHandle(full);
        testing::internal::CaptureStderr();
        EXPECT_EQ(provider.writeDrive(usb, 0, 1, data.data()), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "writeDrive:: No space left on device\n");
        close(full);
    }
    EXPECT_EQ(provider.writeDrive(usb, 0, 1, nullptr), 0);
    EXPECT_EQ(provider.writeDrive(usb, 0, -1, data.data()), 0);
    usb.setFileHandle(0);
    EXPECT_EQ(provider.writeDrive(usb, 0, 1, data.data()), 0);
}

TEST_F(MediaIo, FileSizesInWholeBlocks) {
    struct Case {
        size_t bytes;
        int blockSize;
        int blocks;
    };
    for (const Case& c : std::vector<Case>{{1474560, 512, 2880}, {1000000, 2048, 488},
                                           {2047, 2048, 0}, {0, 512, 0}}) {
        std::string file = dir.file("size.img");
        vtest::writeFile(file, std::string(c.bytes, 'z'));
        EXPECT_EQ(provider.getFileSize(file, c.blockSize), c.blocks) << c.bytes;
    }
    EXPECT_THROW(provider.getFileSize(dir.file("size.img"), 0), std::string);
    EXPECT_THROW(provider.getFileSize(dir.path(), 512), std::string);
    try {
        provider.getFileSize(dir.file("none.img"), 512);
        ADD_FAILURE() << "no exception";
    } catch (const std::string& path) {
        EXPECT_EQ(path, dir.file("none.img"));
    }
    EXPECT_TRUE(trace.has("LinuxVMProvider::getFileSize  failed to open " + dir.file("none.img") + "\n"));

    // Sizes beyond 32 bits are measured in 64 bits.
    std::string sparse = dir.file("sparse.img");
    int fd = open(sparse.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_EQ(ftruncate(fd, 5LL << 30), 0);
    close(fd);
    EXPECT_EQ(provider.getFileSize(sparse, 512), 10485760);
    EXPECT_EQ(provider.getFileSize(sparse, 2048), 2621440);
    EXPECT_THROW(provider.getFileSize(sparse, 1), std::string) << "more blocks than an int holds";
}

TEST(CdTocLayout, TracksAndLeadOut) {
    CdToc toc(1, 2);
    ASSERT_TRUE(toc.add(1, 4, 1, 0));
    ASSERT_TRUE(toc.add(1, 0, 2, 300000));
    ASSERT_TRUE(toc.add(1, 0, 0xAA, 1144544));
    unsigned char out[CdToc::kMaxLength];
    ASSERT_EQ(toc.finish(out), 28);
    const std::vector<unsigned char> expected = {
        0x00, 0x1A, 0x01, 0x02,                          // data length, first, last track
        0x00, 0x14, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, // ADR high nibble, CONTROL low
        0x00, 0x10, 0x02, 0x00, 0x00, 0x04, 0x93, 0xE0, // LBA big-endian
        0x00, 0x10, 0xAA, 0x00, 0x00, 0x11, 0x76, 0xE0};
    EXPECT_EQ(std::vector<unsigned char>(out, out + 28), expected);

    CdToc full(1, 99);
    for (int t = 1; t <= 99; ++t)
        ASSERT_TRUE(full.add(1, 4, t, t * 1000));
    ASSERT_TRUE(full.add(1, 4, 0xAA, 200000));
    EXPECT_FALSE(full.add(1, 4, 0xAA, 0)) << "804 bytes hold 99 tracks and the lead-out";
    EXPECT_EQ(full.finish(out), 804);
    EXPECT_EQ(out[0] << 8 | out[1], 802);
}

TEST_F(MediaIo, DriverRequestsOnThingsThatAreNotDrives) {
    std::string plain = dir.file("plain");
    vtest::writeFile(plain, "data");
    LocalDevice cd(manager, 3, CD_DVD, plain);
    unsigned char toc[CdToc::kMaxLength];
    EXPECT_EQ(provider.getCdToc(cd, toc), -1);
    EXPECT_TRUE(trace.has("LinuxVMProvider::getCdToc getTableOfContents( 3 )\n"));
    EXPECT_TRUE(trace.has("LinuxVMProvider::getCdToc Error: ioctl CDROMREADTOCHDR\n"));

    int capacity[2] = {7, 7};
    EXPECT_EQ(provider.getCdCapacity(cd, capacity), 1);
    EXPECT_EQ(capacity[0], 7) << "left as it was when the size request fails";
    LocalDevice gone(manager, 3, CD_DVD, dir.file("gone"));
    EXPECT_EQ(provider.getFloppyCapacity(gone, capacity), 1);
    EXPECT_EQ(capacity[0], 0);
    EXPECT_EQ(capacity[1], 0);
    EXPECT_TRUE(trace.has("LinuxVMProvider::getCdCapacity unable to open drive.\n"));
    EXPECT_EQ(provider.getCdToc(gone, toc), -1);

    EXPECT_EQ(provider.lockCd(plain), -1);
    EXPECT_EQ(provider.unLockCd(plain), -1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(provider.ejectCd(plain), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "eject error: 25 Inappropriate ioctl for device\n");
}
