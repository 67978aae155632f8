// libctlcfgapi end to end: a C program (ctlcfg-probe) loads the shared library, which loads
// the stand-in "libhstipm32.so" by its bare name, which talks to a running vantro-sim.
#include "ctlcfg_probe_run.h"
#include "sim_process.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

class CtlcfgapiE2E : public ::testing::Test {
protected:
    void startSim(const std::string& state) {
        if (!state.empty()) vtest::writeFile(dir.file("state.txt"), state);
        sim.reset(new vtest::BackgroundProcess(vtest::simIpmiArgs(VANTRO_SIM_BIN, dir.file("state.txt")),
                                               "ipmi port "));
        ASSERT_GT(sim->port(), 0) << sim->output();
        bmc = "127.0.0.1:" + std::to_string(sim->port());
    }
    vtest::RunResult probe(const std::vector<std::string>& cmds, const std::string& libDir = VANTRO_LIB_DIR) {
        return runCtlcfgProbe(bmc, cmds, libDir);
    }
    vtest::TempDir dir;
    std::unique_ptr<vtest::BackgroundProcess> sim;
    std::string bmc;
};

TEST_F(CtlcfgapiE2E, InitialisesAndProbesAPresentController) {
    startSim("");
    auto r = probe({"status", "chan", "initstatus"});
    EXPECT_EQ(r.out, "init 0\nstatus 0 word 0xF type 0\nchan 0 lan 1 serial 2\ninitstatus 0 value 1\n");
}

TEST_F(CtlcfgapiE2E, ChannelDiscoveryTakesTheLastLanChannel) {
    startSim("channel 3 4\nchannel 6 4\nchannel 5 5\nadapter-status 129\n");
    auto r = probe({"chan", "status"});
    EXPECT_EQ(r.out, "init 0\nchan 0 lan 6 serial 5\nstatus 0 word 0xF type 1\n");
}

TEST_F(CtlcfgapiE2E, AbsentAdapterFailsTheInitialisationWithTheUpgradeNote) {
    startSim("adapter-status 2\n");
    auto r = probe({"status"});
    EXPECT_NE(r.out.find("init 16\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("NOTE:"), std::string::npos);
    EXPECT_EQ(r.out.find("status"), std::string::npos); // nothing ran after the failure
}

TEST_F(CtlcfgapiE2E, StatusSensorCompletionCodeStillInitialises) {
    startSim("fail 0x04 0x2d 0xd5\n");
    auto r = probe({"status", "chan"});
    EXPECT_EQ(r.out, "init 0\nstatus 11 word 0xF type 0\nchan 0 lan 1 serial 2\n");
}

TEST_F(CtlcfgapiE2E, MissingHostLibraryGivesThreeAndTheImportantNote) {
    startSim("");
    vtest::TempDir libs; // the configuration library alone, no host library beside it
    ASSERT_EQ(symlink((std::string(VANTRO_LIB_DIR) + "/libctlcfgapi.so").c_str(),
                      libs.file("libctlcfgapi.so").c_str()),
              0);
    auto r = probe({"status"}, libs.path());
    EXPECT_NE(r.out.find("init 3\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("IMPORTANT NOTE!"), std::string::npos);
}

TEST_F(CtlcfgapiE2E, ExtendedParametersWrittenAndReadInChunksAcrossRuns) {
    startSim("");
    std::string data;
    for (int i = 0; i < 40; ++i) {
        char b[3];
        std::snprintf(b, sizeof b, "%02x", 0x9B + i); // crosses the VM framing bytes A0h, A1h, AAh
        data += b;
    }
    EXPECT_EQ(probe({"extset", "9", "1", "0x0007", data}).out, "init 0\nextset 0\n");
    auto r = probe({"extget", "9", "1", "40", "extget", "9", "1", "39", "extget", "77", "0", "10"});
    EXPECT_EQ(r.out, "init 0\nextget 0 len 40 data " + data + "\nextget 5 len 0 data \nextget 11 len 0 data \n");
    // A new simulator run on the same state file sees the same controller.
    sim.reset();
    startSim("");
    EXPECT_EQ(probe({"extget", "9", "1", "40"}).out, "init 0\nextget 0 len 40 data " + data + "\n");
    EXPECT_EQ(probe({"extset", "26", "0", "1", "00", "initstatus"}).out, "init 0\nextset 0\ninitstatus 0 value 0\n");
}

TEST_F(CtlcfgapiE2E, ExtendedGroupsLogsAndActionsThroughTheSharedLibrary) {
    // The controller log, then the log-clearing action the simulator answers by emptying it.
    startSim("extcfg 21 1 0b000101006f6b0a6e6f0a\n"); // "ok\nno\n"
    // SNMP: u8, s32, s32. Mask 2 sends only the first string; the controller keeps the rest.
    std::string full = "07" "03616263" + std::string(58, '0') + "0178"; // record form
    EXPECT_EQ(probe({"snmpset", "0xFFFF", full}).out, "init 0\nsnmpset 0\n");
    std::string first = "00" "027a7a";
    auto r = probe({"snmpset", "2", first, "snmpget", "raclog", "hardreset"});
    std::string record = "07" "027a7a" + std::string(60, '0') + "0178" + std::string(62, '0');
    EXPECT_EQ(r.out, "init 0\nsnmpset 0\nsnmpget 0 " + record +
                         "\nraclog 0 count 2\nline ok\nline no\nhardreset 0\n");
}

TEST_F(CtlcfgapiE2E, NoBmcAnsweringEndsInBoundedTime) {
    bmc = "127.0.0.1:" + std::to_string(vtest::unusedLoopbackPort());
    auto t0 = std::chrono::steady_clock::now();
    auto r = probe({"status"});
    // Four attempts a second apart inside the initialisation and again for the command.
    EXPECT_EQ(r.out, "init 0\nstatus 11 word 0xF type 0\n");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(20));
}

} // namespace
