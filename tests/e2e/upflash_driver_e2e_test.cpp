// upflash opening the host driver stack end to end: the real binary finds the stand-in host
// libraries by bare name in the folder on LD_LIBRARY_PATH, they talk to a running vantro-sim.
// Which libraries the folder holds picks the variant; the driver service and the installation
// go through the shell (a "service" command of our own on PATH, "lxvexa.ini" in the folder
// the run starts in).
#include "sim_process.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kLoadFailed = "   Failed to Load Library\n";
const std::string kProbeReply = "   Completion Code = 0x00  Response Length = 0x0f\n";

class UpflashDriverE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(mkdir(libs.c_str(), 0755), 0);
        ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
        // A driver service of our own: it notes what it was asked.
        vtest::writeFile(bin + "/service", "#!/bin/sh\necho \"$@\" >> " + dir.file("service.log") + "\n");
        chmod((bin + "/service").c_str(), 0755);
    }
    void startSim(const std::vector<std::string>& extra = {}) {
        auto args = vtest::simIpmiArgs(VANTRO_SIM_BIN, dir.file("state.txt"));
        args.insert(args.end(), extra.begin(), extra.end());
        sim.reset(new vtest::BackgroundProcess(args, "ipmi port "));
        ASSERT_GT(sim->port(), 0) << sim->output();
    }
    void offer(const std::vector<std::string>& names) {
        for (const auto& n : names)
            ASSERT_EQ(symlink((std::string(VANTRO_LIB_DIR) + "/" + n).c_str(), (libs + "/" + n).c_str()), 0);
    }
    vtest::RunResult upflash(std::vector<std::string> args, std::map<std::string, std::string> env = {}) {
        args.insert(args.begin(), UPFLASH_BIN);
        vtest::RunOptions o;
        o.cwd = dir.path();
        o.env["LD_LIBRARY_PATH"] = libs;
        o.env["PATH"] = bin + ":" + (getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin");
        o.env["VANTRO_BMC"] = "127.0.0.1:" + std::to_string(sim ? sim->port() : vtest::unusedLoopbackPort());
        o.env["VANTRO_BMC_TIMEOUT_MS"] = "200";
        for (const auto& e : env) o.env[e.first] = e.second;
        o.timeoutMs = 60000;
        vtest::RunResult r = vtest::run(args, o);
        EXPECT_FALSE(r.timedOut);
        return r;
    }
    std::string serviceLog() {
        return vtest::fileExists(dir.file("service.log")) ? vtest::readFile(dir.file("service.log")) : "";
    }

    vtest::TempDir dir;
    std::string libs = dir.file("libs"), bin = dir.file("bin");
    std::unique_ptr<vtest::BackgroundProcess> sim;
};

TEST_F(UpflashDriverE2E, VariantAOpensAndProbesTheController) {
    startSim();
    offer({"libhstbas32.so", "libhstipm32.so", "libhstapi32.so"});
    auto r = upflash({"-debugmsg"});
    EXPECT_EQ(r.err.find("Failed to Load Library"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find(kLoadFailed), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nGet Device ID\n   Request Info:\n"
                         "   slave addr = 0x20  netfcn+lun = 0x18  command = 0x01\n"
                         "   request data length = 0, data =\n"
                         "   Response Info:\n" + kProbeReply),
              std::string::npos)
        << r.out;
    EXPECT_EQ(serviceLog(), ""); // the controller answered: no service start
}

TEST_F(UpflashDriverE2E, VariantAWithoutItsCommandLibraryFallsToVariantB) {
    startSim();
    offer({"libhstbas32.so", "libhstapi32.so"});
    auto r = upflash({"-debugmsg"});
    EXPECT_NE(r.status, 27) << r.out << r.err;
    EXPECT_NE(r.out.find(kProbeReply), std::string::npos) << r.out;

    // With only the host-information library neither variant opens, and nothing installs.
    unlink((libs + "/libhstapi32.so").c_str());
    auto none = upflash({});
    EXPECT_EQ(none.status, 27);
    EXPECT_NE(none.out.find(kLoadFailed), std::string::npos) << none.out;
}

TEST_F(UpflashDriverE2E, SystemIdZeroIsNamedAndWithoutLxvexaIniTheRunEnds27) {
    startSim();
    offer({"libhstbas32.so", "libhstipm32.so", "libhstapi32.so"});
    auto r = upflash({}, {{"VANTRO_HOST_SYSTEM_ID", "0"}});
    EXPECT_EQ(r.status, 27);
    EXPECT_EQ(r.err, "   System ID Error\n");
    // Each variant's probe failed twice, starting the service in between; nothing is stopped.
    EXPECT_EQ(serviceLog(), "pelmodd start\npelmodd start\n");
}

TEST_F(UpflashDriverE2E, SilentControllerStartsTheServiceWhichIsStoppedAtTheEnd) {
    startSim({"--fw-fault=deviceid:noresponse,times=5"});
    offer({"libhstbas32.so", "libhstipm32.so"});
    auto r = upflash({"-debugmsg"});
    EXPECT_NE(r.status, 27) << r.out << r.err;
    EXPECT_NE(r.out.find("   Retry 4\n"), std::string::npos);
    EXPECT_EQ(serviceLog(), "pelmodd start\npelmodd stop\n");
}

TEST_F(UpflashDriverE2E, StackInstalledFromLxvexaIniIsUninstalledAtTheEnd) {
    startSim();
    ASSERT_EQ(mkdir(dir.file("stack").c_str(), 0755), 0);
    const std::string lib = VANTRO_LIB_DIR;
    vtest::writeFile(dir.file("lxvexa.ini"),
                     "vexa_path=stack\n"
                     "install_command=pwd > installed-in && ln -s " + lib + "/libhstbas32.so " + lib +
                         "/libhstipm32.so " + libs + "/\n"
                     "uninstall_command=rm -f " + libs + "/libhstbas32.so " + libs + "/libhstipm32.so\n"
                     "checkstatus_command=true\n");
    auto r = upflash({"-debugmsg"});
    EXPECT_NE(r.status, 27) << r.out << r.err;
    EXPECT_NE(r.out.find(kProbeReply), std::string::npos) << r.out;
    EXPECT_EQ(vtest::readFile(dir.file("stack/installed-in")), dir.file("stack") + "\n");
    EXPECT_FALSE(vtest::fileExists(libs + "/libhstipm32.so")); // the machine as it was found
    EXPECT_NE(r.out.find("\r   Please wait... -"), std::string::npos);
}

TEST_F(UpflashDriverE2E, CommandRecordTravelsToAnIndependentBmc) {
    int vmPort = 0;
    ASSERT_EQ(mkdir(dir.file("ipmi_sim").c_str(), 0755), 0);
    std::unique_ptr<vtest::BackgroundProcess> bmc = vtest::startIpmiSim(dir.file("ipmi_sim"), &vmPort);
    if (!bmc) GTEST_SKIP() << "ipmi_sim is not installed (Debian package openipmi)";
    ASSERT_TRUE(vtest::waitForListener(vmPort, 10000)) << "ipmi_sim did not listen on " << vmPort;
    offer({"libhstbas32.so", "libhstipm32.so"});
    auto r = upflash({"-debugmsg"}, {{"VANTRO_BMC", "127.0.0.1:" + std::to_string(vmPort)},
                                     {"VANTRO_BMC_TIMEOUT_MS", "2000"}});
    EXPECT_NE(r.status, 27) << r.out << r.err;
    // sim.emu: device 0, revision 3, firmware 9.08, IPMI 2.0, support 9Fh, maker 1291h,
    // product 0F02h.
    EXPECT_NE(r.out.find("   Response Data: 0x00 0x03 0x09 0x08 0x02 0x9f 0x91 0x12 0x00 0x02 0x0f"),
              std::string::npos)
        << r.out;
}

TEST_F(UpflashDriverE2E, XmlInventoryOpensWithOnlyTheApiLibrary) {
    offer({"libhstapi32.so"});
    auto r = upflash({"-xml"}); // no BMC at all: variant B needs none to open in this mode
    EXPECT_NE(r.status, 27) << r.out << r.err;
    unlink((libs + "/libhstapi32.so").c_str());
    EXPECT_EQ(upflash({"-xml"}).status, 27);
}

} // namespace
