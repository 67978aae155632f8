// The stand-in host library against a running vantro-sim: identity, channels, the
// extended-configuration read and write, the SEL and SDR caches, completion codes and
// time-outs (bounded, also with no BMC at all).
#include "sim_process.h"
#include "standin_table.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
const uint8_t kIana[3] = {0x5A, 0x1F, 0x00};

std::string hex(const Bytes& b) {
    static const char d[] = "0123456789abcdef";
    std::string s;
    for (uint8_t x : b) s += {d[x >> 4], d[x & 15]};
    return s;
}

class StandInAgainstSim : public ::testing::Test {
protected:
    void startSim(const std::string& state = "") {
        if (!state.empty()) vtest::writeFile(dir.file("state.txt"), state);
        sim.reset(new vtest::BackgroundProcess(vtest::simIpmiArgs(VANTRO_SIM_BIN, dir.file("state.txt")),
                                               "ipmi port "));
        ASSERT_GT(sim->port(), 0) << sim->output();
        setenv("VANTRO_BMC", ("127.0.0.1:" + std::to_string(sim->port())).c_str(), 1);
        ASSERT_TRUE(lib.ok) << dlerror();
    }
    void TearDown() override {
        if (lib.ok && lib.t.fpHSTIPMSELCacheDetach) {
            lib.t.fpHSTIPMSELCacheDetach();
            lib.t.fpHSTIPMSDRCacheDetach();
        }
        sim.reset();
        unsetenv("VANTRO_BMC");
    }
    Bytes take(u8* p, size_t n) {
        Bytes b;
        if (p) b.assign(p, p + n);
        lib.t.fpHSTIPMIFreeGeneric(p);
        return b;
    }
    vtest::TempDir dir;
    StandIn lib;
    std::unique_ptr<vtest::BackgroundProcess> sim;
    VexaEntryTable& t = lib.t;
};

TEST_F(StandInAgainstSim, IdentityChannelsAndStatusSensor) {
    startSim("channel 3 4\nchannel 6 4\nadapter-status 129\n");
    u32 st = 1;
    Bytes id = take(t.fpHSTIPMGetDeviceID(0x20, 0, &st, 320), 15);
    EXPECT_EQ(st, 0u);
    ASSERT_EQ(id.size(), 15u);
    EXPECT_EQ(id[6], 0x5A);
    EXPECT_EQ(t.fpHSTIPMGetIPMIVersion(), 0x02u);
    Bytes ch = take(t.fpHSTIPMGetChannelInfo(0, 6, &st, 320), 9);
    EXPECT_EQ(st, 0u);
    EXPECT_EQ(ch[1], 4);
    EXPECT_EQ(t.fpHSTIPMGetChannelInfo(0, 2, &st, 320), nullptr);
    EXPECT_EQ(st, 0x10CCu);
    Bytes s = take(t.fpHSTIPMGetSensorReading(0x20, 0, 112, &st, 320), 4);
    EXPECT_EQ(s, (Bytes{0, 0xC0, 129, 0}));
    EXPECT_EQ(t.fpHSTIPMGetBMCSlaveAddress(), 0x20u);
}

TEST_F(StandInAgainstSim, ExtendedConfigurationWriteInPiecesAndReadBack) {
    startSim();
    Bytes param{150, 0, 1, 0xFF, 0x00};
    for (int i = 0; i < 145; ++i) param.push_back(static_cast<uint8_t>(0xA0 + i)); // framing bytes too
    u16 written = 0;
    EXPECT_EQ(t.fpHSTIPMSetRACExtendedConfigParameter(0, 0, 0xB8, 0x20, kIana, 0, 9, 1, 0, 150, &written, 0,
                                                      param.data(), 320),
              0u);
    EXPECT_EQ(written, 150);
    u32 st = 1;
    Bytes hdr = take(t.fpHSTIPMGetRACExtendedConfigParameter(0, 0x20, 0, 0xB8, kIana, 0, 9, 1, 0, 5, &st, 320), 6);
    EXPECT_EQ(st, 0u);
    EXPECT_EQ(hdr, (Bytes{5, 150, 0, 1, 0xFF, 0x00}));
    Bytes tail = take(t.fpHSTIPMGetRACExtendedConfigParameter(0, 0x20, 0, 0xB8, kIana, 0, 9, 1, 140, 16, &st, 320), 11);
    EXPECT_EQ(tail[0], 10);
    EXPECT_EQ(Bytes(tail.begin() + 1, tail.end()), Bytes(param.begin() + 140, param.end()));
    // Missing parameter, wrong enterprise number.
    EXPECT_EQ(t.fpHSTIPMGetRACExtendedConfigParameter(0, 0x20, 0, 0xB8, kIana, 0, 77, 0, 0, 5, &st, 320), nullptr);
    EXPECT_EQ(st, 0x10CBu);
    const uint8_t other[3] = {1, 2, 3};
    EXPECT_EQ(t.fpHSTIPMGetRACExtendedConfigParameter(0, 0x20, 0, 0xB8, other, 0, 9, 1, 0, 5, &st, 320), nullptr);
    EXPECT_EQ(st, 0x10CCu);
    // The write reached the state file: a second run of the simulator sees it.
    sim.reset();
    startSim();
    Bytes again = take(t.fpHSTIPMGetRACExtendedConfigParameter(0, 0x20, 0, 0xB8, kIana, 0, 9, 1, 0, 5, &st, 320), 6);
    EXPECT_EQ(again, hdr);
}

TEST_F(StandInAgainstSim, SelAndSdrCaches) {
    Bytes sdr1{0x00, 0x00, 0x51, 0x01, 15};
    for (int i = 0; i < 15; ++i) sdr1.push_back(static_cast<uint8_t>(i));
    Bytes sdr2{0x01, 0x00, 0x51, 0x02, 43};
    for (int i = 0; i < 43; ++i) sdr2.push_back(static_cast<uint8_t>(0x80 + i));
    std::string state;
    for (int i = 0; i < 3; ++i) state += "sel " + hex(Bytes(16, static_cast<uint8_t>(0x10 + i))) + "\n";
    state += "sdr " + hex(sdr1) + "\nsdr " + hex(sdr2) + "\n";
    startSim(state);

    EXPECT_EQ(t.fpHSTIPMSELCacheAttach(), 0u);
    EXPECT_EQ(t.fpHSTIPMGetNumSELEntries(), 3u);
    EXPECT_EQ(take(t.fpHSTIPMGetSELEntryByIndex(2), 16), Bytes(16, 0x12));
    EXPECT_EQ(t.fpHSTIPMGetSELEntryByIndex(3), nullptr);

    EXPECT_EQ(t.fpHSTIPMSDRCacheAttach(), 0u);
    EXPECT_EQ(t.fpHSTIPMGetNumSDREntries(), 2u);
    Bytes r1 = take(t.fpHSTIPMGetSDRByIndex(1), 64);
    EXPECT_EQ(Bytes(r1.begin(), r1.begin() + 48), sdr2);
    Bytes r0 = take(t.fpHSTIPMGetSDRByIndex(0), 64);
    EXPECT_EQ(Bytes(r0.begin(), r0.begin() + 20), sdr1);
    EXPECT_EQ(r0[20], 0); // padded to 64 bytes
    Bytes list = take(t.fpHSTIPMGetSDRHandleList(), 8);
    EXPECT_EQ(list, (Bytes{2, 0, 0, 0, 0, 0, 1, 0}));
    const u8* cached = t.fpHSTIPMGetSDR(1);
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(cached[4], 43);
    EXPECT_EQ(t.fpHSTIPMGetSDR(7), nullptr);

    u8 progress = 9;
    EXPECT_EQ(t.fpHSTIPMClearSEL(0xAA, &progress), 0u);
    EXPECT_EQ(progress, 0);
    EXPECT_EQ(t.fpHSTIPMGetNumSELEntries(), 0u); // detached by the erase
    EXPECT_EQ(t.fpHSTIPMSELCacheAttach(), 0u);
    EXPECT_EQ(t.fpHSTIPMGetNumSELEntries(), 0u);
}

TEST_F(StandInAgainstSim, CompletionCodesAndTimeouts) {
    startSim("fail 0x0c 0x02 0xc9\nsilent 0x00 0x01\n");
    u32 st = 0;
    EXPECT_EQ(t.fpHSTIPMGetLANConfigurationParameter(0, 1, 3, 0, 0, &st, 5, 320), nullptr);
    EXPECT_EQ(st, 0x10C9u);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(t.fpHSTIPMGetChassisStatus(0, &st, 50), nullptr); // 50 x 10 ms
    EXPECT_EQ(st, 0x10C3u);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
    EXPECT_EQ(t.fpHSTIPMSetChannelAccessInfo(0, 1, 0x42, 0x04, 320), 0x10C1u); // not in the table
    EXPECT_EQ(t.fpHSTIPMResetToDefaultConfig(0, 320), 0x10C1u);
}

TEST(StandInWithoutBmc, NoListenerGivesATimeoutStatusQuickly) {
    StandIn lib;
    ASSERT_TRUE(lib.ok);
    std::string addr = "127.0.0.1:" + std::to_string(vtest::unusedLoopbackPort());
    setenv("VANTRO_BMC", addr.c_str(), 1);
    u32 st = 0;
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(lib.t.fpHSTIPMGetDeviceID(0x20, 0, &st, 320), nullptr);
    EXPECT_EQ(st, 0x10C3u);
    EXPECT_EQ(lib.t.fpHSTIPMSELCacheAttach(), 0x10C3u);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    setenv("VANTRO_BMC", "no-port-here", 1);
    EXPECT_EQ(lib.t.fpHSTIPMGetDeviceID(0x20, 0, &st, 320), nullptr);
    EXPECT_EQ(st, 0x10C3u);
    unsetenv("VANTRO_BMC");
}

} // namespace
