// The df and fdisk listings of the host, read by the virtual USB device search, from fixtures.
#include "usb/device_choice.h"
#include "usb/df_parse.h"
#include "usb/fdisk_parse.h"
#include "usb/shell_command.h"

#include <gtest/gtest.h>

namespace {

// "df -Th" of a host with the virtual device mounted, and one with a device name too long for
// its column (the tool then puts the numbers on the next line).
const char kDfListing[] = R"(Filesystem     Type      Size  Used Avail Use% Mounted on
udev           devtmpfs  3.9G     0  3.9G   0% /dev
/dev/sda1      ext4       46G   12G   32G  27% /
tmpfs          tmpfs     787M  1.5M  786M   1% /run
/dev/sdc1      vfat      7.9M  4.0K  7.9M   1% /media/scrtch
)";

const char kDfWrapped[] = "Filesystem                                      Type  Size  Used Avail Use% Mounted on\n"
                          "/dev/sda1                                       ext4   46G   12G   32G  27% /\n"
                          "/dev/disk/by-id/usb-Vantro_Virtual_Key_0123456789-0:0-part1\n"
                          "                                                vfat   16M     0   16M   0% /media/scrtch\n"
                          "/dev/loop3     fuse.vfat   16M     0   16M   0% /mnt/scrtch\r\n";

TEST(UsbDfListing, EntriesJoinTheHalvesOfAWrappedLine) {
    const auto entries = df_entries(kDfWrapped);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[2], "/dev/disk/by-id/usb-Vantro_Virtual_Key_0123456789-0:0-part1"
                          "                                                vfat   16M     0   16M   0% /media/scrtch");
    EXPECT_EQ(entries[3], "/dev/loop3     fuse.vfat   16M     0   16M   0% /mnt/scrtch");
    const auto r = df_check_entry(entries[2], "vfat", 16, "scrtch");
    EXPECT_EQ(r.outcome, DF_MATCH);
    EXPECT_EQ(r.device, "/dev/disk/by-id/usb-Vantro_Virtual_Key_0123456789-0:0-part1");
    EXPECT_EQ(r.mountPoint, "/media/scrtch");
    // A wrapped first half at the very end stays an entry of its own, without numbers.
    const auto cut = df_entries("Filesystem Type\n/dev/some-very-long-name\n");
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(df_check_entry(cut[1], "vfat", 0, "scrtch").outcome, DF_WRONG_TYPE);
    EXPECT_EQ(df_entries(kDfListing).size(), 5u);
}

struct DfCase {
    const char* entry;
    const char* type;
    double minMB;
    DF_CHECK_OUTCOME outcome;
    double sizeMB;
    const char* name; // name component, when the size passed
};

TEST(UsbDfListing, EntryChecksFollowTypeSizeAndMountPointName) {
    const DfCase cases[] = {
        // 7.9M passes for a 7 MiB image, not for an 8 MiB one.
        {"/dev/sdc1 vfat 7.9M 4.0K 7.9M 1% /media/scrtch", "vfat", 7, DF_MATCH, 7.9, "scrtch"},
        {"/dev/sdc1 vfat 7.9M 4.0K 7.9M 1% /media/scrtch", "vfat", 8, DF_TOO_SMALL, 7.9, ""},
        {"/dev/sdc1 vfat 7.9M 4.0K 7.9M 1% /media/scrtch", "msdos", 7, DF_WRONG_TYPE, 0, ""},
        // G counts 1024 MiB.
        {"/dev/sdc  msdos 1.0G 0 1.0G 0% /mnt/scrtch", "msdos", 1024, DF_MATCH, 1024, "scrtch"},
        {"/dev/sdc  msdos 1.0G 0 1.0G 0% /mnt/scrtch", "msdos", 1025, DF_TOO_SMALL, 1024, ""},
        // The name component is what follows the second "/", or the only one.
        {"/dev/sdc1 vfat 16M 0 16M 0% /media/usb/scrtch", "vfat", 1, DF_WRONG_NAME, 16, "usb/scrtch"},
        {"/dev/sdc1 vfat 16M 0 16M 0% /scrtch", "vfat", 1, DF_MATCH, 16, "scrtch"},
        {"/dev/sdc1 vfat 16M 0 16M 0% /media/scratch", "vfat", 1, DF_WRONG_NAME, 16, "scratch"},
        // A user-space (FUSE) mount of a vfat file system is a vfat mount.
        {"/dev/loop0 fuse.vfat 16M 0 16M 0% /media/scrtch", "vfat", 16, DF_MATCH, 16, "scrtch"},
        {"/dev/loop0 fuse.vfat 16M 0 16M 0% /media/scrtch", "msdos", 1, DF_WRONG_TYPE, 0, ""},
        {"/dev/loop0 fusevfat 16M 0 16M 0% /media/scrtch", "vfat", 1, DF_WRONG_TYPE, 0, ""},
        // The type is the type column's, not a word that happens to hold it.
        {"/dev/mapper/vfat-disk ext4 16M 0 16M 0% /media/scrtch", "vfat", 1, DF_WRONG_TYPE, 0, ""},
        {"/dev/sda1 ext4 46G 12G 32G 27% /vfat/scrtch", "vfat", 1, DF_WRONG_TYPE, 0, ""},
        // Kilobytes and bytes are fractions of a MiB, terabytes many of them.
        {"/dev/sdc1 vfat 512K 0 512K 0% /media/scrtch", "vfat", 1, DF_TOO_SMALL, 0.5, ""},
        {"/dev/sdc1 vfat 0 0 0 - /media/scrtch", "vfat", 1, DF_TOO_SMALL, 0, ""},
        {"/dev/sdc1 vfat 2.0T 0 2.0T 0% /media/scrtch", "vfat", 1, DF_MATCH, 2097152, "scrtch"},
        {"/dev/sdc1 vfat ?? 0 16M 0% /media/scrtch", "vfat", 1, DF_TOO_SMALL, -1, ""},
        // Not mounted, or no columns at all.
        {"/dev/sdc1 vfat 16M 0 16M 0%", "vfat", 1, DF_WRONG_TYPE, 0, ""},
        {"", "vfat", 1, DF_WRONG_TYPE, 0, ""},
        {"   vfat", "vfat", 0, DF_WRONG_TYPE, 0, ""},
        // A mount point that would not fit its 32-character field.
        {"/dev/sdc1 vfat 16M 0 16M 0% /a-rather-long-mount-base-dir/scrtch", "vfat", 1,
         DF_MOUNT_POINT_TOO_LONG, 16, "scrtch"},
    };
    for (const DfCase& c : cases) {
        SCOPED_TRACE(std::string(c.entry) + " / " + c.type + " / " + std::to_string(c.minMB));
        const auto r = df_check_entry(c.entry, c.type, c.minMB, "scrtch");
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_NEAR(r.sizeMB, c.sizeMB, 1e-9);
        EXPECT_EQ(r.nameComponent, c.name);
    }
}

TEST(UsbDfListing, MountPointNameComponent) {
    EXPECT_EQ(mount_point_name("/media/scrtch"), "scrtch");
    EXPECT_EQ(mount_point_name("/scrtch"), "scrtch");
    EXPECT_EQ(mount_point_name("/media/usb/scrtch"), "usb/scrtch");
    EXPECT_EQ(mount_point_name("/"), "");
    EXPECT_EQ(mount_point_name("scrtch"), "scrtch");
}

// "/sbin/fdisk -l" of a host with one disk of two partitions, a superfloppy loop device and a
// device mapper volume.
const char kFdiskListing[] = R"(Disk /dev/sda: 50 GiB, 53687091200 bytes, 104857600 sectors
Disk model: QEMU HARDDISK
Units: sectors of 1 * 512 = 512 bytes
Sector size (logical/physical): 512 bytes / 512 bytes
I/O size (minimum/optimal): 512 bytes / 512 bytes
Disklabel type: dos
Disk identifier: 0x8e3b1c2d

Device     Boot    Start       End   Sectors  Size Id Type
/dev/sda1  *        2048  98568191  98566144   47G 83 Linux
/dev/sda2       98570238 104855551   6285314    3G  5 Extended


Disk /dev/loop0: 16 MiB, 16777216 bytes, 32768 sectors
Units: sectors of 1 * 512 = 512 bytes
Disklabel type: dos
Disk identifier: 0x00000000


Disk /dev/mapper/vg0-root: 20 GiB, 21474836480 bytes, 41943040 sectors
/dev/disk/by-id/a-partition-name-alone
)";

TEST(UsbFdiskListing, DisksAndPartitionsInListingOrder) {
    std::vector<std::string> disks, parts;
    fdisk_parse_output(kFdiskListing, &disks, &parts);
    EXPECT_EQ(disks, (std::vector<std::string>{"/dev/sda", "/dev/loop0", "/dev/mapper/vg0-root"}));
    EXPECT_EQ(parts, (std::vector<std::string>{"/dev/sda1", "/dev/sda2", "/dev/disk/by-id/a-partition-name-alone"}));

    std::string name;
    EXPECT_EQ(fdisk_parse_line("Disk identifier: 0x8e3b1c2d", &name), FDISK_LINE_OTHER);
    EXPECT_EQ(fdisk_parse_line("Disk /dev/sdb: no size here", &name), FDISK_LINE_OTHER);
    EXPECT_EQ(fdisk_parse_line("Disk /dev/sdb bytes and no colon", &name), FDISK_LINE_OTHER);
    EXPECT_EQ(fdisk_parse_line("fdisk: cannot open /dev/sr0: No medium found", &name), FDISK_LINE_OTHER);
    EXPECT_EQ(fdisk_parse_line("", &name), FDISK_LINE_OTHER);
    EXPECT_EQ(fdisk_parse_line("/dev/sdc1\t2048 32767 30720 15M b W95 FAT32", &name), FDISK_LINE_PARTITION);
    EXPECT_EQ(name, "/dev/sdc1");
}

TEST(UsbFdiskListing, NewDeviceIsChosenOnlyWithoutDoubt) {
    const std::vector<std::string> disks = {"/dev/sda"}, parts = {"/dev/sda1", "/dev/sda2"};
    auto with = [](std::vector<std::string> v, std::vector<std::string> more) {
        v.insert(v.end(), more.begin(), more.end());
        return v;
    };
    struct Case {
        std::vector<std::string> newDisks, newParts;
        bool chosen;
        const char* device;
    } cases[] = {
        {{"/dev/sdc"}, {"/dev/sdc1"}, true, "/dev/sdc1"},   // the partition on the new disk
        {{"/dev/sdc"}, {"/dev/sdd1"}, false, ""},           // two unrelated devices
        {{"/dev/sdc"}, {}, true, "/dev/sdc"},
        {{}, {"/dev/sdc1"}, true, "/dev/sdc1"},
        {{}, {}, false, ""},
        {{"/dev/sdc", "/dev/sdd"}, {}, false, ""},
        {{}, {"/dev/sdc1", "/dev/sdc2"}, false, ""},
        {{"/dev/sdc", "/dev/sdd"}, {"/dev/sdc1"}, false, ""},
    };
    for (const Case& c : cases) {
        const auto r = choose_new_device(disks, parts, with(disks, c.newDisks), with(parts, c.newParts));
        EXPECT_EQ(r.chosen, c.chosen);
        EXPECT_EQ(r.device, c.device);
        EXPECT_EQ(r.newDisks, c.newDisks);
        EXPECT_EQ(r.newPartitions, c.newParts);
    }
    // Gone devices are no new ones, and the new ones keep the later scan's order.
    EXPECT_EQ(new_names({"/dev/a", "/dev/b"}, {"/dev/d", "/dev/b", "/dev/c"}),
              (std::vector<std::string>{"/dev/d", "/dev/c"}));
}

TEST(UsbShellSafety, DeviceNamesAndPathsThatReachTheShell) {
    for (const char* ok : {"/dev/sdc1", "/dev/loop0", "/dev/mapper/vg0-usb_key", "/dev/disk/by-id/usb-V_K-0:0-part1",
                           "/dev/disk/by-path/pci-0000:00:14.0-usb-0:1:1.0-scsi-0:0:0:0"})
        EXPECT_TRUE(is_safe_device_name(ok)) << ok;
    for (const char* bad : {"", "/", "sdc1", "/dev/sdc1;reboot", "/dev/sd c", "/dev/$(id)", "/dev/`x`", "/dev/a'b",
                            "/dev/a\nb", "/dev/a|b", "/dev/a&b", "/dev/a>b", "/dev/a*"})
        EXPECT_FALSE(is_safe_device_name(bad)) << bad;
    EXPECT_FALSE(is_safe_device_name("/" + std::string(300, 'a')));

    EXPECT_EQ(shell_quote("/media/scrtch"), "'/media/scrtch'");
    EXPECT_EQ(shell_quote("/media/it's"), "'/media/it'\\''s'");
    EXPECT_TRUE(is_safe_path("/media/my disk"));
    EXPECT_FALSE(is_safe_path("media/scrtch"));
    EXPECT_FALSE(is_safe_path("/media/a\nb"));
    // A quoted path reaches a real shell as one word, whatever it holds.
    std::string out;
    ASSERT_EQ(usb_run_command("printf '%s|' " + shell_quote("/a b/$(echo x)/'q'/`y`"), &out), 0);
    EXPECT_EQ(out, "/a b/$(echo x)/'q'/`y`|");
    EXPECT_EQ(usb_run_command("exit 3", nullptr), 3);
    out.clear();
    ASSERT_EQ(usb_run_command("echo \"$LC_ALL\"", &out), 0);
    EXPECT_EQ(out, "C\n") << "the tools' words must not depend on the user's language";
    EXPECT_EQ(usb_run_command("/no/such/tool-here 2>/dev/null", nullptr), -1);
}

} // namespace
