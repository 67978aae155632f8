// RemdiskAPP start-up in process: image-name classification, the mount warning and the
// configuration a valid command line leaves for the run.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/RemdiskAPP.h"
#include "devices/DeviceTypes.h"
#include "test_support.h"

TEST(RemdiskAPPTest, ClassifiesImageNamesInAnyCase) {
    struct {
        const char* name;
        int type;
    } cases[] = {
        {"floppy.img", FLOPPY_IMAGE}, {"FLOPPY.IMG", FLOPPY_IMAGE}, {"x.Img", FLOPPY_IMAGE},
        {"cd.iso", ISO_IMAGE},        {"CD.ISO", ISO_IMAGE},        {"/tmp/a.iso.d/x", ISO_IMAGE},
        {"boot.bin", FLOPPY_IMAGE},   {"BOOT.BiN", FLOPPY_IMAGE},   {"x.iso.img", FLOPPY_IMAGE},
        {"x.bin.iso", ISO_IMAGE},     {"/dev/sdb4", 0},             {"/dev/cdrom", 0},
        {"", 0},                      {".im", 0},                   {"\xff\xfe.IsO", ISO_IMAGE},
        {"img", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RemdiskAPP::checkForFile(c.name), c.type) << c.name;

    EXPECT_EQ(RemdiskAPP::strInStr("xx.IMG", ".img"), 2);
    EXPECT_EQ(RemdiskAPP::strInStr(".iso.ISO", ".ISO"), 0);
    EXPECT_EQ(RemdiskAPP::strInStr("ab", "abc"), -1);
    EXPECT_EQ(RemdiskAPP::strInStr("abc", ""), 0);
}

TEST(RemdiskAPPTest, WarnsWhenAMountLineBeginsWithThePath) {
    vtest::TempDir dir;
    std::string mtab = dir.file("mtab");
    vtest::writeFile(mtab, "/dev/sdb1 /media/usb vfat rw 0 0\n" + std::string(300, 'x') +
                               "/dev/sdz /far/in/a/long/line ext4 rw 0 0\n/dev/sr0 /media/cd iso9660 ro 0 0");

    testing::internal::CaptureStdout();
    EXPECT_TRUE(RemdiskAPP::isDeviceMounted(false, "/dev/sdb", mtab.c_str())); // plain prefix
    EXPECT_TRUE(RemdiskAPP::isDeviceMounted(true, "/dev/sr0", mtab.c_str()));   // last line, no newline
    EXPECT_FALSE(RemdiskAPP::isDeviceMounted(false, "/dev/sdz", mtab.c_str()));
    EXPECT_FALSE(RemdiskAPP::isDeviceMounted(true, "/dev/sdb1", (dir.path() + "/none").c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "/dev/sdb is mounted and might not be writable.\n"
              "/dev/sr0 is mounted and might not eject.\n");
}

TEST(RemdiskAPPTest, ValidCommandLineLeavesTheConfigurationAndNoMediumOpen) {
    vtest::TempDir dir;
    std::string img = dir.file("floppy.IMG");
    std::string iso = dir.file("cd.iso");
    vtest::writeFile(img, std::string(512, '\0'));
    vtest::writeFile(iso, std::string(2048, '\0'));

    struct {
        std::vector<std::string> args;
        std::string server;
        int port;
        std::string password;
        int floppyType, cdType;
    } cases[] = {
        {{"-r", "ctl:8443", "-u", "admin", "-p", "secret", "-f", img, "-c", iso}, "ctl", 8443, "secret",
         FLOPPY_IMAGE, ISO_IMAGE},
        {{"-r", "ctl:", "-u", "admin", "-f", "/dev/null"}, "ctl", 0, "", FLOPPY, 0},
        {{"-r", "ctl", "-u", "admin", "-c", "/dev/null"}, "ctl", 443, "", 0, CD_DVD},
    };
    for (const auto& c : cases) {
        std::vector<char*> argv{const_cast<char*>("Remdisk")};
        for (const auto& a : c.args)
            argv.push_back(const_cast<char*>(a.c_str()));
        testing::internal::CaptureStdout();
        RemdiskAPP app(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(app.getServerName(), c.server);
        EXPECT_EQ(app.getCredentialsPort(), c.port);
        EXPECT_EQ(app.getVmPort(), 443);
        EXPECT_EQ(app.getUserName(), "admin");
        EXPECT_EQ(app.getPassword(), c.password);
        EXPECT_EQ(app.getFloppyType(), c.floppyType);
        EXPECT_EQ(app.getCdType(), c.cdType);
        EXPECT_EQ(app.isFloppyRequested(), c.floppyType != 0);
        EXPECT_EQ(app.isCdRequested(), c.cdType != 0);
        EXPECT_FALSE(app.hasMediaProvider());
        EXPECT_FALSE(app.isRunning());
    }
}
