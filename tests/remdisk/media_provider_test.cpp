// LinuxVMProvider: probing real files and missing paths through openDrive, the write and
// write-protect rules, plain reads and seeks, and the operations that only report.
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "devices/DeviceTypes.h"
#include "devices/LocalDevice.h"
#include "foundation/ZTrace.h"
#include "media/LinuxVMProvider.h"
#include "loop_device.h"
#include "test_support.h"

namespace {

// A provider whose trace lines land in a file of a temporary folder, next to a 4 KiB image
// holding bytes 0, 1, 2 ... (mod 251).
class LinuxVMProviderTest : public ::testing::Test {
protected:
    vtest::TempDir dir;
    std::string tracePath = dir.file("trace.txt");
    std::string img = dir.file("disk.img");
    ZTrace trace;
    ZTrace* previous = nullptr;
    LinuxVMProvider provider;

    void SetUp() override {
        std::string bytes;
        for (int i = 0; i < 4096; ++i)
            bytes.push_back(static_cast<char>(i % 251));
        vtest::writeFile(img, bytes);
        trace.Init(9, tracePath.c_str());
        previous = gTrace;
        gTrace = &trace;
    }
    void TearDown() override { gTrace = previous; }

    std::string traced() { return vtest::readFile(tracePath); }
    bool traceHas(const std::string& text) { return traced().find(text) != std::string::npos; }
};

} // namespace

TEST_F(LinuxVMProviderTest, ProbesARealImageAndReadsItsBytes) {
    provider.setType(FLOPPY_IMAGE);
    long handle = provider.openDrive(img, false, false);
    ASSERT_GT(handle, 0);
    EXPECT_TRUE(traceHas("LinuxVMProvider::openDrive called for " + img + " Write: FALSE Lock: FALSE\n"));

    EXPECT_EQ(provider.seekDrive(handle, 1000), 1000);
    unsigned char buffer[16] = {};
    ASSERT_EQ(provider.readDrive(handle, 16, buffer), 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(buffer[i], (1000 + i) % 251);
    EXPECT_EQ(provider.seekDrive(handle, 4090), 4090);
    EXPECT_EQ(provider.readDrive(handle, 16, buffer), 6); // short at the end of the file
    EXPECT_EQ(provider.readDrive(handle, 16, buffer), 0);
    EXPECT_EQ(provider.readDrive(handle, -1, buffer), -1);
    EXPECT_EQ(provider.seekDrive(handle, -5), -1);
    EXPECT_EQ(provider.closeDrive(handle), 0);
    EXPECT_EQ(provider.readDrive(handle, 16, buffer), -1); // closed
}

TEST_F(LinuxVMProviderTest, MissingPathFailsWithTheSystemsReason) {
    for (int type : {FLOPPY_IMAGE, FLOPPY, CD_DVD, ISO_IMAGE}) {
        provider.setType(type);
        EXPECT_EQ(provider.openDrive(dir.file("missing.img"), false, false), -1);
    }
    EXPECT_TRUE(traceHas("LinuxVMProvider::openDrive Unable to open file 2 No such file or directory\n"));
    EXPECT_EQ(provider.openDrive(dir.path() + "/" + std::string(5000, 'n'), false, false), -1);
    EXPECT_TRUE(traceHas("Unable to open file 36 File name too long\n"));
    EXPECT_EQ(provider.openDrive(dir.path(), false, false), -1);
    EXPECT_TRUE(traceHas("Unable to open file 21 Is a directory\n"));
}

TEST_F(LinuxVMProviderTest, WriteAccessRules) {
    // An ISO image is never opened for writing; the file is not even touched.
    provider.setType(ISO_IMAGE);
    EXPECT_EQ(provider.openDrive(img, true, false), -1);
    EXPECT_FALSE(traceHas("Unable to open"));
    EXPECT_FALSE(traceHas("isFloppyWritable"));

    // A floppy image opens read/write without the write-protect test; lock is never honoured.
    provider.setType(FLOPPY_IMAGE);
    long handle = provider.openDrive(img, true, true);
    ASSERT_GT(handle, 0);
    EXPECT_TRUE(traceHas("Write: TRUE Lock: FALSE\n"));
    EXPECT_FALSE(traceHas("isFloppyWritable"));
    EXPECT_EQ(write(static_cast<int>(handle), "W", 1), 1);
    EXPECT_EQ(provider.closeDrive(handle), 0);
    EXPECT_EQ(vtest::readFile(img)[0], 'W');

    // A regular file offered as a block device: neither driver answers, so the access the
    // handle was granted decides.
    provider.setType(FLOPPY);
    handle = provider.openDrive(img, true, false);
    ASSERT_GT(handle, 0);
    EXPECT_TRUE(traceHas("LinuxVMProvider::isFloppyWritable: FDCLRPRM:[-1]\n"));
    EXPECT_TRUE(traceHas("LinuxVMProvider::isFloppyWritable: BLKROGET:[-1]\n"));
    EXPECT_TRUE(traceHas("LinuxVMProvider::openDrive isFloppy Writable returned TRUE!\n"));
    provider.closeDrive(handle);
    int readOnly = open(img.c_str(), O_RDONLY);
    EXPECT_FALSE(provider.isFloppyWritable(readOnly));
    close(readOnly);
}

TEST_F(LinuxVMProviderTest, CloseRefusesInvalidHandles) {
    EXPECT_EQ(provider.closeDrive(0), -1);
    EXPECT_EQ(provider.closeDrive(-1), -1);
    EXPECT_NE(fcntl(0, F_GETFD), -1) << "standard input must stay open";
}

TEST_F(LinuxVMProviderTest, OperationsWithNothingToDoOnLinux) {
    std::vector<LocalDevice> none;
    EXPECT_EQ(provider.getLocalDevices(none), 0);
    unsigned char data[8] = {};
    EXPECT_EQ(provider.writeDrive(3, 8, data), 0);
    EXPECT_TRUE(traceHas("LinuxVMProvider::writeDrive ***** called: BAD CALL FOR LINUX*****\n"));
    EXPECT_EQ(provider.readCdDrive(3, 0, 1, data), 0);
    EXPECT_EQ(provider.writeSectors(3, 512, 1, 0, data), 0);
    EXPECT_EQ(provider.getDriveGeometry("x", nullptr), 0);
    EXPECT_EQ(provider.getLocalDeviceType("x"), 0);
    provider.setType(CD_DVD);
    EXPECT_EQ(provider.getType(), CD_DVD);

    EXPECT_EQ(provider.readSectors(-1, 512, 1, 0, data), -1);
    EXPECT_EQ(provider.lockCd(dir.file("missing")), -1);
    EXPECT_EQ(provider.ejectCd(dir.file("missing")), -1);
}

TEST_F(LinuxVMProviderTest, WriteProtectedBlockDeviceIsRefusedForWriting) {
    LoopDevice protectedDisk(img, true);
    LoopDevice writableDisk(img, false);
    if (protectedDisk.device().empty() || writableDisk.device().empty())
        GTEST_SKIP() << "loop devices cannot be attached here";

    provider.setType(FLOPPY);
    EXPECT_EQ(provider.openDrive(protectedDisk.device(), true, false), -1);
    EXPECT_TRUE(traceHas("LinuxVMProvider::openDrive drive was supposed to be writable, it is not\n"));
    long handle = provider.openDrive(protectedDisk.device(), false, false);
    EXPECT_GT(handle, 0) << "read-only probing still works";
    provider.closeDrive(handle);

    handle = provider.openDrive(writableDisk.device(), true, false);
    EXPECT_GT(handle, 0);
    EXPECT_TRUE(traceHas("LinuxVMProvider::isFloppyWritable: BLKROGET:[0]\n"));
    unsigned char buffer[4] = {};
    EXPECT_EQ(provider.seekDrive(handle, 251), 251);
    EXPECT_EQ(provider.readDrive(handle, 4, buffer), 4);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[3], 3);
    provider.closeDrive(handle);
}
