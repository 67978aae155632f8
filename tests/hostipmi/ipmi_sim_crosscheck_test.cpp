// Cross-check of the stand-in's VM transport against an independent BMC, OpenIPMI's
// ipmi_sim (Debian package openipmi), started from tests/hostipmi/ipmi_sim/ with free ports.
#include "ipmi_sim_bmc.h"
#include "standin_table.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

TEST(IpmiSimCrossCheck, GetDeviceIdThroughTheVmTransport) {
    if (vtest::findProgram("ipmi_sim").empty()) GTEST_SKIP() << "ipmi_sim is not installed (Debian package openipmi)";
    vtest::IpmiSimBmc bmc;
    ASSERT_TRUE(bmc.ok());
    int vmPort = bmc.vmPort();
    StandIn lib;
    ASSERT_TRUE(lib.ok);
    setenv("VANTRO_BMC", bmc.vmAddress().c_str(), 1);
    // ipmi_sim needs a moment to listen: ask until it answers, for at most ten seconds.
    u32 st = 1;
    u8* id = nullptr;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (id == nullptr && std::chrono::steady_clock::now() < deadline) {
        id = lib.t.fpHSTIPMGetDeviceID(0x20, 0, &st, 100);
        if (id == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_EQ(st, 0u) << "ipmi_sim did not answer on port " << vmPort;
    ASSERT_NE(id, nullptr);
    // sim.emu: "mc_add 0x20 0 no-device-sdrs 0x23 9 8 0x9f 0x1291 0xf02": revision 3,
    // firmware 9.08, IPMI 2.0, support 9Fh, manufacturer 1291h, product 0F02h.
    const uint8_t expect[11] = {0x00, 0x03, 0x09, 0x08, 0x02, 0x9F, 0x91, 0x12, 0x00, 0x02, 0x0F};
    EXPECT_EQ(std::memcmp(id, expect, sizeof expect), 0);
    lib.t.fpHSTIPMIFreeGeneric(id);
    // Request layouts of the standard commands, checked against an independent BMC.
    u8* p = lib.t.fpHSTIPMGetUserName(0, 2, &st, 320);
    EXPECT_EQ(st, 0u);
    if (p) {
        EXPECT_STREQ(reinterpret_cast<const char*>(p), "ipmiusr");
    }
    lib.t.fpHSTIPMIFreeGeneric(p);
    p = lib.t.fpHSTIPMGetUserAccessInfo(0, 1, 2, &st, 320);
    EXPECT_EQ(st, 0u);
    if (p) {
        EXPECT_EQ(p[3] & 0x0F, 4); // user 2 is an administrator on the LAN channel
    }
    lib.t.fpHSTIPMIFreeGeneric(p);
    p = lib.t.fpHSTIPMGetChannelAccessInfo(0, 1, 0x40, &st, 320);
    EXPECT_EQ(st, 0u);
    lib.t.fpHSTIPMIFreeGeneric(p);
    p = lib.t.fpHSTIPMGetLANConfigurationParameter(0, 1, 3, 0, 0, &st, 5, 320); // IP address
    EXPECT_EQ(st, 0u);
    lib.t.fpHSTIPMIFreeGeneric(p);
    p = lib.t.fpHSTIPMGetSELTime(0, &st, 320);
    EXPECT_EQ(st, 0u);
    lib.t.fpHSTIPMIFreeGeneric(p);
    p = lib.t.fpHSTIPMGetChannelInfo(0, 1, &st, 320);
    EXPECT_EQ(st, 0u);
    if (p) {
        EXPECT_EQ(p[1], 4); // 802.3 LAN
    }
    lib.t.fpHSTIPMIFreeGeneric(p);
    // The reservation and Get SEL Entry path against an independent (empty) SEL.
    EXPECT_EQ(lib.t.fpHSTIPMSELCacheAttach(), 0u);
    EXPECT_EQ(lib.t.fpHSTIPMGetNumSELEntries(), 0u);
    lib.t.fpHSTIPMSELCacheDetach();
    unsetenv("VANTRO_BMC");
}

} // namespace
