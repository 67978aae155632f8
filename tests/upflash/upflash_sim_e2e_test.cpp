// The real upflash against vantro-sim, through the stand-in host libraries, with the virtual
// USB device presented as a real FAT loop device and short waiting times from "upflash.cfg".
#include "sim_process.h"
#include "test_support.h"
#include "upflash_fixtures.h"
#include "usb/virtual_usb.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class UpflashSimE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(mkdir(libs.c_str(), 0755), 0);
        for (const char* n : {"libhstbas32.so", "libhstipm32.so", "libhstapi32.so"})
            ASSERT_EQ(symlink((std::string(VANTRO_LIB_DIR) + "/" + n).c_str(), (libs + "/" + n).c_str()), 0);
        vtest::writeFile(dir.file("upflash.cfg"), "FwUpdateWaitingTime=20\nVantroRebootWaitingTime=8\n"
                                                  "USBDeviceSearchingTime=2\n");
    }
    void startSim(std::vector<std::string> extra) {
        sim.reset();
        auto args = vtest::simIpmiArgs(VANTRO_SIM_BIN, dir.file("state.txt"));
        args.insert(args.end(), {"--fw-flash-seconds=1", "--fw-reboot-seconds=1"});
        args.insert(args.end(), extra.begin(), extra.end());
        // With a virtual USB device the simulator waits for any other one to go before it
        // announces its port.
        sim.reset(new vtest::BackgroundProcess(args, "ipmi port ", 150000));
        ASSERT_GT(sim->port(), 0) << sim->output();
    }
    vtest::RunResult upflash(std::vector<std::string> args) {
        args.insert(args.begin(), UPFLASH_BIN);
        vtest::RunOptions o;
        o.cwd = dir.path();
        o.env["LD_LIBRARY_PATH"] = libs;
        o.env["VANTRO_BMC"] = "127.0.0.1:" + std::to_string(sim->port());
        o.env["VANTRO_BMC_TIMEOUT_MS"] = "300";
        o.timeoutMs = 120000;
        vtest::RunResult r = vtest::run(args, o);
        EXPECT_FALSE(r.timedOut);
        return r;
    }
    void writeImage(uint8_t major, uint8_t minor, uint16_t revision) {
        upftest::ImageFields f;
        f.major = major;
        f.minor = minor;
        f.revision = revision;
        f.boardType = "MRKA";
        vtest::writeFile(dir.file("firmimg.v6"), upftest::makeImageFile(f, 1500000));
    }

    vtest::TempDir dir;
    std::string libs = dir.file("libs");
    std::unique_ptr<vtest::BackgroundProcess> sim;
};

TEST_F(UpflashSimE2E, NewerImageIsFlashedThroughTheVirtualUsbDevice) {
    std::string reason;
    if (!sim::LoopUsbPresenter::machineSupports(&reason))
        GTEST_SKIP() << "virtual USB device cannot be presented here: " << reason;
    startSim({"--virtual-usb", "--fw-current=1.40.12"});
    writeImage(1, 50, 3);
    auto r = upflash({"-fml"});
    EXPECT_EQ(r.status, 0) << r.out << r.err << sim->output();
    EXPECT_EQ(r.out, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<SVMExecution lang=\"en\">\n"
                     "   <Device componentID=\"20137\" display=\"Vantro6\">\n"
                     "      <Application componentType=\"FRMW\" version=\"1.40\" display=\"Vantro6\">\n"
                     "         <SPStatus result=\"true\">\n"
                     "            <Message id=\"0\" >Update Successful.</Message>\n"
                     "         </SPStatus>\n      </Application>\n   </Device>\n</SVMExecution>\n");
    auto shown = upflash({"-r"});
    EXPECT_EQ(shown.status, 0);
    // The controller now runs the image's version.
    EXPECT_NE(shown.out.find(" Firmware Version      1.50         1.50         \n"
                             "                               Firmware Revision     3            3            \n"),
              std::string::npos)
        << shown.out;

    writeImage(1, 60, 1);
    auto console = upflash({"-f"});
    EXPECT_EQ(console.status, 0) << console.out << console.err;
    EXPECT_NE(console.out.find("   Uploading Firmware Image OK\n"), std::string::npos) << console.out;
    EXPECT_NE(console.out.find("\n   Firmware update successfully\n"), std::string::npos) << console.out;
}

TEST_F(UpflashSimE2E, SameOlderAndNewerImagesStopWithTheirCodes) {
    startSim({"--fw-current=1.40.12"});
    writeImage(1, 40, 12);
    auto same = upflash({});
    EXPECT_EQ(same.status, 66);
    EXPECT_NE(same.out.find("   Stop firmware update process : Image file has the same version as current firmware\n"),
              std::string::npos)
        << same.out;
    auto fml = upflash({"-fml"});
    EXPECT_EQ(fml.status, 66);
    EXPECT_EQ(fml.out, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<SVMExecution lang=\"en\">\n"
                       "   <Device componentID=\"20137\" display=\"Vantro6\">\n"
                       "      <Application componentType=\"FRMW\" version=\"1.40\" display=\"Vantro6\">\n"
                       "         <SPStatus result=\"false\">\n"
                       "            <Message id=\"66\" >Stop firmware update process : Image file has the same "
                       "version as current firmware</Message>\n"
                       "         </SPStatus>\n      </Application>\n   </Device>\n</SVMExecution>\n");
    writeImage(1, 30, 0);
    EXPECT_EQ(upflash({"-q"}).status, 67);
    writeImage(1, 50, 0);
    EXPECT_EQ(upflash({"-d"}).status, 68);
    auto xml = upflash({"-xml"});
    EXPECT_EQ(xml.status, 0);
    EXPECT_EQ(xml.out, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<SVMInventory lang=\"en\">\n"
                       "   <Device componentID=\"20137\" display=\"Vantro6\">\n"
                       "      <Application componentType=\"FRMW\" version=\"1.40\" display=\"Vantro6\" />\n"
                       "   </Device>\n</SVMInventory>\n");
}

// Every failure after phase 1 up to the end of the progress polling cancels the pending update;
// the reset and the wait for the controller do not.
TEST_F(UpflashSimE2E, FailuresOfTheUpdateEndWithTheirCodesAndCancelWhenPending) {
    std::string reason;
    if (!sim::LoopUsbPresenter::machineSupports(&reason))
        GTEST_SKIP() << "virtual USB device cannot be presented here: " << reason;
    const struct {
        std::vector<std::string> sim;
        std::string cfg;
        int status;
        bool cancel;
        std::string text;
    } cases[] = {
        {{"--fw-fault=phase2:status=0x84"}, "", 45, true, "   Failed to start firmware update phase 2\n"},
        {{"--fw-fault=status:stall=50"}, "FwUpdateWaitingTime=1\n", 41, true,
         "\r   Firmware update status: Timeout     "},
        {{"--fw-fault=reset:cc=0xC1"}, "", 49, false, "\n   RAC Graceful Reset Failed\n"},
        {{"--fw-reboot-seconds=30"}, "VantroRebootWaitingTime=3\n", 46, false,
         "\r   Checking new firmware version timeout  \n   Get FW Version failed\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sim[0]);
        unlink(dir.file("state.txt").c_str());
        std::vector<std::string> args = {"--virtual-usb", "--fw-current=1.40.12"};
        args.insert(args.end(), c.sim.begin(), c.sim.end());
        startSim(args);
        vtest::writeFile(dir.file("upflash.cfg"), "FwUpdateWaitingTime=20\nVantroRebootWaitingTime=8\n"
                                                  "USBDeviceSearchingTime=2\n" + c.cfg);
        writeImage(1, 50, 3);
        auto r = upflash({"-debugmsg"});
        EXPECT_EQ(r.status, c.status) << r.out << r.err;
        EXPECT_NE(r.out.find(c.text), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("\nCancel Firmware Update Command\n") != std::string::npos, c.cancel) << r.out;
    }
}

TEST_F(UpflashSimE2E, RollbackSwapsToTheStandbyImageAndShowsBothTables) {
    startSim({"--fw-current=1.40.12", "--fw-standby=1.30.9"});
    auto r = upflash({"-b"}); // no image file: a rollback never opens one
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("   Firmware Version                                  Current      Standby      \n"
                         "    Vantro ................... Firmware Version      1.40         1.30         \n"
                         "                               Firmware Revision     12           9            \n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\n   Checking Firmware Version\n"
                         "                        After Rollback    Before Rollback \n"
                         "                       ----------------  ---------------- \n"
                         "                       Current  Standby  Current  Standby \n"
                         "   Firmware Version    1.30     1.40     1.40     1.30    \n"
                         "   Firmware Revision   9        12       12       9       \n"
                         "\n   Firmware rollback successfully.\n"),
              std::string::npos)
        << r.out;
}

} // namespace
