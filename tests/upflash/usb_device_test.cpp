// The virtual USB device procedures over fixture outputs of the host's tools: scanning,
// recognising, choosing and mounting a new device, unmounting, and copying the image.
#include "cli/config_file.h"
#include "cli/console.h"
#include "test_support.h"
#include "update/fw_update_param.h"
#include "upflash_fixtures.h"
#include "usb/shell_command.h"
#include "usb/usb_device.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <map>
#include <sys/stat.h>

namespace {

// Answers fdisk and df from fixtures (a queue per command, the last answer repeating), records
// every command, and lets mkdir and rm really run (the tests keep them inside a temp folder).
class FakeShell {
public:
    FakeShell() {
        usb_set_command_runner([this](const std::string& cmd, std::string* out) { return run(cmd, out); });
    }
    ~FakeShell() { usb_set_command_runner(nullptr); }

    void answer(const std::string& prefix, const std::string& output, int status = 0) {
        answers_[prefix].push_back({output, status});
    }
    std::vector<std::string> commands;

private:
    struct Answer {
        std::string output;
        int status;
    };
    int run(const std::string& cmd, std::string* out) {
        commands.push_back(cmd);
        for (auto& [prefix, queue] : answers_) {
            if (cmd.compare(0, prefix.size(), prefix) != 0 || queue.empty())
                continue;
            Answer a = queue.front();
            if (queue.size() > 1)
                queue.erase(queue.begin());
            if (out) *out += a.output;
            return a.status;
        }
        if (cmd.compare(0, 6, "mkdir ") == 0 || cmd.compare(0, 7, "rm -rf ") == 0) {
            usb_set_command_runner(nullptr);
            const int rc = usb_run_command(cmd, out);
            usb_set_command_runner([this](const std::string& c, std::string* o) { return run(c, o); });
            return rc;
        }
        return 0;
    }
    std::map<std::string, std::vector<Answer>> answers_;
};

class UsbDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        upftest::resetModules();
        initRacUsb();
        set_display_state(DISPLAY_DEBUG);
    }
    void TearDown() override {
        usb_set_mount_bases({});
        upftest::resetModules();
    }
    upftest::ConsoleCapture cap;
    FakeShell shell;
};

const char kFdiskBefore[] = "Disk /dev/sda: 50 GiB, 53687091200 bytes, 104857600 sectors\n"
                            "/dev/sda1  *  2048 98568191 98566144 47G 83 Linux\n";

std::string fdiskWith(const std::string& extra) { return kFdiskBefore + extra; }

const char kDfHeading[] = "Filesystem     Type      Size  Used Avail Use% Mounted on\n";

TEST_F(UsbDeviceTest, DeviceListScansTheFdiskListing) {
    shell.answer("/sbin/fdisk -l 2>&1", fdiskWith("Disk /dev/sdc: 16 MiB, 16777216 bytes, 32768 sectors\n"));
    ASSERT_EQ(getDeviceList(), 0);
    EXPECT_EQ(diskList, (std::vector<std::string>{"/dev/sda", "/dev/sdc"}));
    EXPECT_EQ(partitionList, (std::vector<std::string>{"/dev/sda1"}));
    const std::string out = cap.out();
    EXPECT_NE(out.find("\n       Get Device List\n       (/sbin/fdisk -l 2>&1)"), std::string::npos);
    EXPECT_NE(out.find("\n         Read \"/dev/sda1  *  2048 98568191 98566144 47G 83 Linux\""
                       "\n         Save partition name \"/dev/sda1\""), std::string::npos);
    EXPECT_NE(out.find("\n         Save disk name \"/dev/sdc\""), std::string::npos);

    FakeShell broken;
    broken.answer("/sbin/fdisk", "", -1);
    EXPECT_EQ(getDeviceList(), 1);
    EXPECT_TRUE(diskList.empty());
    EXPECT_NE(cap.out().find("\n         /sbin/fdisk -l 2>&1 failed"), std::string::npos);
}

TEST_F(UsbDeviceTest, RecognisingTracesEachEntryAndSizesOnlyTheMatch) {
    gFwUpdParam.imageSizeMiB = 8;
    shell.answer("df -Th", std::string(kDfHeading) + "/dev/sdc1      vfat      7.9M  4.0K  7.9M   1% /media/scrtch\n");
    UsbDeviceInfo info;
    EXPECT_EQ(getVirtualUsbKeyInfo(&info), 62);
    EXPECT_NE(cap.out().find("\n       Check \"/dev/sdc1      vfat      7.9M  4.0K  7.9M   1% /media/scrtch\""
                             "\n         search msdos: Can not mounted on system, or Type != msdos"
                             "\n         search vfat: Device size = 7.9 MB, expected minimum size = 8.0 MB"
                             "\n       V.store device not found"),
              std::string::npos)
        << cap.out();

    // A wrapped entry is recognised; its device here cannot be opened: 55.
    FakeShell wrapped;
    wrapped.answer("df -Th", std::string(kDfHeading) + "/dev/disk/by-id/usb-Vantro_Virtual_Key_00000000-0:0\n"
                                                       "                  vfat       16M     0   16M   0% /media/scrtch\n");
    EXPECT_EQ(getVirtualUsbKeyInfo(&info), 55);
    EXPECT_STREQ(info.mountedOn, "/media/scrtch");
    EXPECT_STREQ(info.deviceName, "/dev/disk/by-id/usb-Vantro_Virtual_Key_00000000-0:0");
    EXPECT_NE(cap.out().find("Find the Usb device: Fileystem=/dev/disk/by-id/usb-Vantro_Virtual_Key_00000000-0:0, "
                             "Type=vfat, Size=16MB, Mounted on=/media/scrtch"
                             "\n       Open Usb device size"
                             "\n         Open device \"/dev/disk/by-id/usb-Vantro_Virtual_Key_00000000-0:0\" failed"),
              std::string::npos);

    // A file that is no block device cannot be sized.
    vtest::TempDir dir;
    vtest::writeFile(dir.file("plain"), "x");
    FakeShell plain;
    plain.answer("df -Th", dir.file("plain") + " vfat 16M 0 16M 0% /scrtch\n");
    EXPECT_EQ(getVirtualUsbKeyInfo(&info), 55);
    EXPECT_NE(cap.out().find("\n         Get Usb device size failed"), std::string::npos);

    FakeShell none;
    none.answer("df -Th", "", -1);
    EXPECT_EQ(getVirtualUsbKeyInfo(&info), 1);
    EXPECT_NE(cap.out().find("\n       df -Th 2>&1 failed"), std::string::npos);
}

TEST_F(UsbDeviceTest, ManualMountTakesTheOneNewDeviceAndReportsDoubts) {
    vtest::TempDir dir;
    const std::string base = dir.file("media");
    usb_set_mount_bases({base});
    struct Case {
        std::string added;
        bool mounted;
        std::string device;
        std::string trace;
    } cases[] = {
        {"Disk /dev/sdc: 16 MiB, 16777216 bytes, 32768 sectors\n/dev/sdc1 2048 32767 30720 15M b W95 FAT32\n", true,
         "/dev/sdc1", "\n     Find a new disk /dev/sdc \n     Find a new partition /dev/sdc1 \n     Mount the found device"},
        {"Disk /dev/sdc: 16 MiB, 16777216 bytes, 32768 sectors\n/dev/sdd1 2048 32767 30720 15M b W95 FAT32\n", false, "",
         "\n     Find more than one devices after Phase One: /dev/sdc, /dev/sdd1"
         "\n     Cannot decide which new device is created by Phase One"},
        {"Disk /dev/loop0: 16 MiB, 16777216 bytes, 32768 sectors\n", true, "/dev/loop0", ""},
        {"", false, "", "\n     Cannot find any new device after Phase One"},
        {"Disk /dev/sdc: 1 MiB, 1 bytes\nDisk /dev/sdd: 1 MiB, 1 bytes\n/dev/sdc1 x\n/dev/sdd1 x\n", false, "",
         "\n     Find more than one disks after Phase One: /dev/sdc, /dev/sdd"
         "\n     Cannot decide which new disk is created by Phase One"
         "\n     Find more than one partitions after Phase One: /dev/sdc1, /dev/sdd1"
         "\n     Cannot decide which new partition is created by Phase One"},
        // A name no device has never reaches the shell.
        {"/dev/sdc1;reboot 2048 32767\n", false, "", "\n       \"/dev/sdc1;reboot\" is not a device name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.added);
        FakeShell fake;
        fake.answer("/sbin/fdisk", kFdiskBefore);
        fake.answer("/sbin/fdisk", fdiskWith(c.added));
        initRacUsb();
        ASSERT_EQ(getDeviceList(), 0);
        const std::string before = cap.out();
        EXPECT_EQ(manuallyMountUSBDevice(), c.mounted ? 0 : 1);
        const std::string trace = cap.out().substr(before.size());
        EXPECT_NE(trace.find(c.trace), std::string::npos) << trace;
        const std::string mountCmd = "mount '" + c.device + "' '" + base + "/scrtch' 2>&1";
        bool sawMount = false;
        for (const auto& cmd : fake.commands) sawMount |= cmd.compare(0, 6, "mount ") == 0;
        EXPECT_EQ(sawMount, c.mounted);
        if (c.mounted) {
            EXPECT_EQ(fake.commands.back(), mountCmd);
            EXPECT_NE(trace.find("\n     Mount " + c.device + " /media/scrtch OK\n"), std::string::npos);
        }
        usb_set_command_runner(nullptr);
        usb_run_command("rm -rf '" + base + "'", nullptr);
    }
}

TEST_F(UsbDeviceTest, MountCreatesMissingDirectoriesAndFallsBackToFuseWithoutKernelFat) {
    vtest::TempDir dir;
    const std::string base = dir.file("media");
    usb_set_mount_bases({dir.file("no/such/parent"), base});
    shell.answer("mount ", "mount: /x: unknown filesystem type 'vfat'.\n", 32);
    shell.answer("command -v fusefat", "", 0);
    EXPECT_TRUE(MountUSBDevice("/dev/loop7"));
    struct stat st;
    EXPECT_EQ(stat((base + "/scrtch").c_str(), &st), 0);
    EXPECT_EQ(b_mkdir_mountdir[0], 0) << "the failed creation is forgotten";
    EXPECT_EQ(b_mkdir_mountdir[1], 1);
    EXPECT_EQ(b_mkdir_scrtch, 1);
    ASSERT_GE(shell.commands.size(), 2u);
    EXPECT_EQ(shell.commands[shell.commands.size() - 1],
              "fusefat -o rw+ -o subtype=vfat -o fsname='/dev/loop7' '/dev/loop7' '" + base +
                  "/scrtch' </dev/null >/dev/null 2>&1");
    const std::string out = cap.out();
    EXPECT_NE(out.find("\n       Check if " + base + " exists\n       " + base + " does not exist\n       Try to create " +
                       base + "\n         mkdir '" + base + "'\n       Create " + base + " OK"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\n       Create " + dir.file("no/such/parent") + " failed"), std::string::npos);

    // Other mount failures are failures; no FUSE attempt.
    FakeShell refused;
    refused.answer("mount ", "mount: /x: permission denied.\n", 32);
    EXPECT_FALSE(MountUSBDevice("/dev/loop7"));
    for (const auto& cmd : refused.commands) EXPECT_EQ(cmd.find("fusefat"), std::string::npos) << cmd;
}

TEST_F(UsbDeviceTest, UnmountRemovesWhatWasCreatedOnlyOnceTheDeviceIsOff) {
    const std::string mounted = std::string(kDfHeading) + "/dev/sdc1 vfat 16M 0 16M 0% /media/scrtch\n";
    {
        // The host already unmounted it.
        FakeShell gone;
        gone.answer("df -Th", kDfHeading);
        EXPECT_EQ(manuallyUnmountUSBDevice(), 0);
        EXPECT_NE(cap.out().find("\n     USB device has been unmounted"), std::string::npos);
    }
    {
        // Listed but not openable (55): unmounted and cleaned up all the same, and 55 returned.
        FakeShell listed;
        listed.answer("df -Th", mounted);
        listed.answer("umount ", "", 0);
        listed.answer("rm -rf ", "", 0);
        b_mkdir_scrtch = 1;
        b_mkdir_mountdir[0] = 1;
        EXPECT_EQ(manuallyUnmountUSBDevice(), 55);
        EXPECT_EQ(listed.commands, (std::vector<std::string>{"df -Th 2>&1", "umount '/media/scrtch' 2>&1",
                                                              "rm -rf '/media/scrtch' 2>&1", "rm -rf '/media' 2>&1"}));
        EXPECT_NE(cap.out().find("\n     USB device was not unmounted automatically\n   Unmount /media/scrtch : OK"
                                 "\n   Delete /media/scrtch : OK\n   Delete /media : OK"),
                  std::string::npos);
    }
    {
        // A failed unmount leaves the directories alone: removing them would reach into the device.
        FakeShell stuck;
        stuck.answer("df -Th", mounted);
        stuck.answer("umount ", "umount: /media/scrtch: target is busy.\n", 32);
        b_mkdir_scrtch = 1;
        b_mkdir_mountdir[0] = 1;
        EXPECT_EQ(manuallyUnmountUSBDevice(), 55);
        for (const auto& cmd : stuck.commands) EXPECT_EQ(cmd.find("rm -rf"), std::string::npos) << cmd;
        EXPECT_NE(cap.out().find("\n   Unmount /media/scrtch : failed\n"), std::string::npos);
    }
}

TEST_F(UsbDeviceTest, WriteFileCopiesWithProgressAndRefusesEmptyOrMissingFiles) {
    vtest::TempDir dir;
    std::string data(5000, 'a');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
    vtest::writeFile(dir.file("src"), data);
    ASSERT_EQ(writeFile(dir.file("src").c_str(), dir.file("dst").c_str()), 0);
    EXPECT_EQ(vtest::readFile(dir.file("dst")), data);
    // 1024-byte chunks of 5000 bytes: 20, 40, 61, 81 and 100 percent.
    EXPECT_NE(cap.out().find("\r   Copy file status: 0 percent\r   Copy file status: 20 percent"
                             "\r   Copy file status: 40 percent\r   Copy file status: 61 percent"
                             "\r   Copy file status: 81 percent\r   Copy file status: 100 percent"),
              std::string::npos);

    vtest::writeFile(dir.file("empty"), "");
    EXPECT_EQ(writeFile(dir.file("empty").c_str(), dir.file("dst2").c_str()), 1);
    EXPECT_FALSE(vtest::fileExists(dir.file("dst2")));
    EXPECT_EQ(writeFile(dir.file("missing").c_str(), dir.file("dst3").c_str()), 1);
    EXPECT_NE(cap.out().find("\n       Cannot find " + dir.file("missing") + " \n"), std::string::npos);
    EXPECT_EQ(writeFile(dir.file("src").c_str(), dir.file("no/dir/dst").c_str()), 1);
    EXPECT_NE(cap.out().find("\n       Create file error: " + dir.file("no/dir/dst") + " \n"), std::string::npos);
    EXPECT_EQ(writeFile(dir.path().c_str(), dir.file("dst4").c_str()), 1) << "a directory is no image";
    // A device that fills up loses the write: reported, not taken for a copy.
    if (vtest::fileExists("/dev/full"))
        EXPECT_EQ(writeFile(dir.file("src").c_str(), "/dev/full"), 1);
}

TEST_F(UsbDeviceTest, ClearDiskEmptiesTheDirectory) {
    vtest::TempDir dir;
    vtest::writeFile(dir.file("old.bin"), "x");
    vtest::writeFile(dir.file("vantro_fw.bin"), "y");
    EXPECT_EQ(clearDisk(dir.path().c_str()), 0);
    EXPECT_FALSE(vtest::fileExists(dir.file("old.bin")));
    EXPECT_FALSE(vtest::fileExists(dir.file("vantro_fw.bin")));
    EXPECT_NE(cap.out().find("\n       Delete file OK: " + dir.file("old.bin")), std::string::npos);
    EXPECT_EQ(clearDisk(dir.file("absent").c_str()), 0);
    EXPECT_NE(cap.out().find("\n       Open direcotry error: " + dir.file("absent")), std::string::npos);
}

TEST_F(UsbDeviceTest, SearchGivesUpAfterTheConfiguredTimeAndTriesToMountItself) {
    gConfig.usbDeviceSearchingTime = 0;
    shell.answer("df -Th", kDfHeading);
    shell.answer("/sbin/fdisk", kFdiskBefore);
    ASSERT_EQ(getDeviceList(), 0);
    EXPECT_EQ(detectUSBdevice(), 1);
    const std::string out = cap.out();
    EXPECT_NE(out.find("\n     Cannot find any new device after Phase One"), std::string::npos);
    EXPECT_NE(out.find("\r   Detecting USB Device timeout\n"), std::string::npos);
    EXPECT_NE(out.find("   Elapsed time =  "), std::string::npos);
    EXPECT_EQ(cap.err(), "   USB Device is not found\n");
    int polls = 0;
    for (const auto& cmd : shell.commands) polls += cmd == "df -Th 2>&1";
    EXPECT_GE(polls, 1);
    EXPECT_LE(polls, 3);
}

} // namespace

namespace {

size_t openDescriptors() {
    size_t n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

TEST(UsbDeviceScans, ListingStreamsAreClosedAfterEveryScan) {
    upftest::resetModules();
    upftest::ConsoleCapture cap;
    initRacUsb();
    gFwUpdParam.imageSizeMiB = 255;
    const size_t before = openDescriptors();
    for (int i = 0; i < 40; ++i) {
        UsbDeviceInfo info;
        getVirtualUsbKeyInfo(&info); // the real df
        getDeviceList();             // the real fdisk
    }
    EXPECT_EQ(openDescriptors(), before);
    upftest::resetModules();
}

} // namespace
