// Conformance against an independent BMC: OpenIPMI's ipmi_sim behind the stand-in host
// library. Settings made through the library are read back with ipmitool over the
// simulator's LAN interface, and settings made with ipmitool are read through the library.
// Skipped, with the reason, when ipmi_sim or ipmitool is not installed.
#include "ipmi_sim_bmc.h"
#include "racipmi_ops.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

// The value after "key   :" on the line that starts with key (only blanks between the key
// and the colon), trimmed; "" when there is no such line.
std::string field(const std::string& text, const std::string& key) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line.compare(0, key.size(), key) == 0) {
            size_t colon = line.find_first_not_of(" \t", key.size());
            if (colon != std::string::npos && line[colon] == ':') {
                size_t b = line.find_first_not_of(" \t", colon + 1), e = line.find_last_not_of(" \t\r");
                return b == std::string::npos ? "" : line.substr(b, e - b + 1);
            }
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return "";
}

class IpmiSimConformance : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (vtest::findProgram("ipmi_sim").empty()) {
            skip_ = "ipmi_sim is not installed (Debian package openipmi)";
            return;
        }
        if (vtest::findProgram("ipmitool").empty()) {
            skip_ = "ipmitool is not installed (Debian package ipmitool)";
            return;
        }
        bmc_ = new vtest::IpmiSimBmc;
        // ipmi_sim needs a moment to listen: ask over LAN until it answers, ten seconds at most.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        bool up = false;
        while (!up && std::chrono::steady_clock::now() < deadline) {
            up = bmc_->ipmitool({"mc", "info"}, 3000).status == 0;
            if (!up) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (!up) {
            failure_ = "ipmi_sim did not answer on its LAN port";
            return;
        }
        setenv("VANTRO_BMC", bmc_->vmAddress().c_str(), 1);
        vexaSetLibraryName((std::string(VANTRO_LIB_DIR) + "/libhstipm32.so").c_str());
        // The controller probe finds no OEM sensor on this BMC: initialisation still succeeds.
        unsigned st = RacIpmiInit(&r_, nullptr);
        if (st != 0) failure_ = "RacIpmiInit gave " + std::to_string(st);
    }
    static void TearDownTestSuite() {
        RacIpmiUninit(&r_);
        vexaSetLibraryName(nullptr);
        unsetenv("VANTRO_BMC");
        delete bmc_;
        bmc_ = nullptr;
    }
    void SetUp() override {
        if (!skip_.empty()) GTEST_SKIP() << skip_;
        ASSERT_TRUE(failure_.empty()) << failure_;
    }
    // ipmitool's output; the test fails when ipmitool does.
    static std::string tool(const std::vector<std::string>& args, const std::string& privilege = "") {
        vtest::RunResult res = bmc_->ipmitool(args, 20000, privilege);
        std::string line;
        for (const auto& a : args) line += " " + a;
        EXPECT_EQ(res.status, 0) << "ipmitool" << line << ": " << res.err;
        EXPECT_FALSE(res.timedOut);
        return res.out;
    }
    static RacIpmi* rec() { return &r_; }

    static RacIpmi r_;
    static vtest::IpmiSimBmc* bmc_;
    static std::string skip_, failure_;
};

RacIpmi IpmiSimConformance::r_{};
vtest::IpmiSimBmc* IpmiSimConformance::bmc_ = nullptr;
std::string IpmiSimConformance::skip_, IpmiSimConformance::failure_;

TEST_F(IpmiSimConformance, ChannelsAreFoundDespiteNotPresentAnswers) {
    // ipmi_sim answers CBh for the channels it lacks: the LAN channel is still channel 1.
    u8 lan = 0;
    EXPECT_EQ(getLanChanNumb(rec()->pPrivateData, &lan), 0u);
    EXPECT_EQ(lan, 1);
}

TEST_F(IpmiSimConformance, UserNamesAndPasswords) {
    ASSERT_EQ(setUsername(rec(), 3, "libuser"), 0u);
    ASSERT_EQ(setPassword(rec(), 3, "lib-pass-1"), 0u);
    ASSERT_EQ(setPassword(rec(), 5, "a-twenty-byte-pass18"), 0u); // 20 characters: the long form
    EXPECT_NE(tool({"user", "list", "1"}).find("3   libuser"), std::string::npos);
    EXPECT_NE(tool({"user", "test", "3", "16", "lib-pass-1"}).find("Success"), std::string::npos);
    EXPECT_NE(tool({"user", "test", "5", "20", "a-twenty-byte-pass18"}).find("Success"), std::string::npos);

    tool({"user", "set", "name", "4", "tooluser"});
    tool({"user", "set", "password", "4", "tool-pass"});
    char name[17] = {};
    EXPECT_EQ(getUsername(rec(), 4, name), 0u);
    EXPECT_STREQ(name, "tooluser");
    EXPECT_EQ(validateUser(rec(), 4, "tooluser", "tool-pass"), 0u);
    // (ipmi_sim answers every password test with success, so a wrong password cannot be
    // shown here; the unit tests cover it.)
    EXPECT_EQ(validateUser(rec(), 4, "otheruser", "tool-pass"), RACIPMI_FUNCTION_FAILED);
    EXPECT_EQ(validateUser(rec(), 3, "libuser", "lib-pass-1"), 0u);
    EXPECT_EQ(validateUser(rec(), 5, "", "a-twenty-byte-pass18"), 0u);
}

TEST_F(IpmiSimConformance, UserAccessAndPrivileges) {
    ASSERT_EQ(setUserIpmiLanPriv(rec(), 6, 0x03), 0u);
    ASSERT_EQ(setUserIpmiLanState(rec(), 6, 1), 0u);
    std::string access = tool({"channel", "getaccess", "1", "6"});
    EXPECT_EQ(field(access, "Privilege Level"), "OPERATOR") << access;
    EXPECT_EQ(field(access, "IPMI Messaging"), "enabled") << access;
    u32 v = 0;
    EXPECT_EQ(getUserState(rec(), 6, &v), 0u);
    EXPECT_EQ(v, 1u); // this BMC leaves the enable status unspecified: messaging decides
    ASSERT_EQ(setUserIpmiLanState(rec(), 6, 0), 0u);
    access = tool({"channel", "getaccess", "1", "6"});
    EXPECT_EQ(field(access, "IPMI Messaging"), "disabled") << access;
    EXPECT_EQ(field(access, "Privilege Level"), "OPERATOR") << access; // kept by the state write

    tool({"channel", "setaccess", "1", "7", "privilege=2", "ipmi=on"});
    EXPECT_EQ(getUserIpmiLanPriv(rec(), 7, &v), 0u);
    EXPECT_EQ(v, 2u);
    EXPECT_EQ(getUserIpmiLanState(rec(), 7, &v), 0u);
    EXPECT_EQ(v, 1u);
    tool({"channel", "setaccess", "1", "7", "privilege=4"});
    EXPECT_EQ(getUserIpmiLanPriv(rec(), 7, &v), 0u);
    EXPECT_EQ(v, 4u);
}

TEST_F(IpmiSimConformance, LanParameters) {
    const u8 ip[4] = {192, 0, 2, 44}, mask[4] = {255, 255, 255, 0}, gw[4] = {192, 0, 2, 1};
    ASSERT_EQ(setNicIpAddr(rec(), ip), 0u);
    ASSERT_EQ(setNicSubnetMask(rec(), mask), 0u);
    ASSERT_EQ(setNicGateway(rec(), gw), 0u);
    ASSERT_EQ(setNicUseDhcpState(rec(), 0), 0u);
    ASSERT_EQ(setNicVlanID(rec(), 200), 0u);
    ASSERT_EQ(setNicVlanState(rec(), 1), 0u);
    std::string lan = tool({"lan", "print", "1"});
    EXPECT_EQ(field(lan, "IP Address Source"), "Static Address") << lan;
    EXPECT_EQ(field(lan, "IP Address "), "192.0.2.44") << lan;
    EXPECT_EQ(field(lan, "Subnet Mask"), "255.255.255.0") << lan;
    EXPECT_EQ(field(lan, "Default Gateway IP"), "192.0.2.1") << lan;
    EXPECT_EQ(field(lan, "802.1q VLAN ID"), "200") << lan;
    ASSERT_EQ(setNicVlanState(rec(), 0), 0u);
    EXPECT_EQ(field(tool({"lan", "print", "1"}), "802.1q VLAN ID"), "Disabled");

    tool({"lan", "set", "1", "ipaddr", "198.51.100.7"});
    tool({"lan", "set", "1", "netmask", "255.255.0.0"});
    tool({"lan", "set", "1", "defgw", "ipaddr", "198.51.100.254"});
    tool({"lan", "set", "1", "ipsrc", "dhcp"});
    tool({"lan", "set", "1", "vlan", "id", "300"});
    const u8 ip2[4] = {198, 51, 100, 7}, mask2[4] = {255, 255, 0, 0}, gw2[4] = {198, 51, 100, 254};
    u8 out[4];
    EXPECT_EQ(getNicIpAddr(rec(), out), 0u);
    EXPECT_EQ(std::memcmp(out, ip2, 4), 0);
    EXPECT_EQ(getNicSubnetMask(rec(), out), 0u);
    EXPECT_EQ(std::memcmp(out, mask2, 4), 0);
    EXPECT_EQ(getNicGateway(rec(), out), 0u);
    EXPECT_EQ(std::memcmp(out, gw2, 4), 0);
    u32 dhcp = 0, vlanOn = 0;
    u16 id = 0;
    EXPECT_EQ(getNicUseDhcpState(rec(), &dhcp), 0u);
    EXPECT_EQ(dhcp, 1u);
    EXPECT_EQ(getNicVlanID(rec(), &id), 0u);
    EXPECT_EQ(id, 300);
    EXPECT_EQ(getNicVlanState(rec(), &vlanOn), 0u);
    EXPECT_EQ(vlanOn, 1u);
    tool({"lan", "set", "1", "ipsrc", "static"});
    EXPECT_EQ(getNicUseDhcpState(rec(), &dhcp), 0u);
    EXPECT_EQ(dhcp, 0u);
}

TEST_F(IpmiSimConformance, ChannelAccess) {
    // Privilege limit: both the non-volatile and the volatile setting change (the BMC then
    // grants operator sessions at most, so ipmitool asks for one).
    ASSERT_EQ(setLanChanPrivLimit(rec(), 3), 0u);
    EXPECT_EQ(tool({"raw", "0x06", "0x41", "0x01", "0x40"}, "OPERATOR"), " 02 03\n");
    EXPECT_EQ(tool({"raw", "0x06", "0x41", "0x01", "0x80"}, "OPERATOR"), " 02 03\n");
    u32 limit = 0;
    EXPECT_EQ(getLanChanPrivLimit(rec(), &limit), 0u);
    EXPECT_EQ(limit, 3u);
    ASSERT_EQ(setLanChanPrivLimit(rec(), 4), 0u);
    EXPECT_EQ(tool({"raw", "0x06", "0x41", "0x01", "0x40"}), " 02 04\n");
    EXPECT_EQ(tool({"raw", "0x06", "0x41", "0x01", "0x80"}), " 02 04\n");

    // ipmitool's write (non-volatile only) read back by the library.
    tool({"raw", "0x06", "0x40", "0x01", "0x00", "0x42"});
    EXPECT_EQ(getLanChanPrivLimit(rec(), &limit), 0u);
    EXPECT_EQ(limit, 2u);
    tool({"raw", "0x06", "0x40", "0x01", "0x00", "0x44"});
    EXPECT_EQ(getLanChanPrivLimit(rec(), &limit), 0u);
    EXPECT_EQ(limit, 4u);

    // Channel state. This BMC refuses to disable its LAN channel (completion code 83h):
    // the library reports the refusal and the channel stays available.
    u32 v = 9;
    EXPECT_EQ(setLanChanState(rec(), 0), RACIPMI_CMD_FAILED);
    EXPECT_EQ(getLanChanState(rec(), &v), 0u);
    EXPECT_EQ(v, 1u);
    ASSERT_EQ(setLanChanState(rec(), 1), 0u);
    std::string info = tool({"channel", "info", "1"});
    EXPECT_NE(info.find("Access Mode         : always available"), std::string::npos) << info;
    // It takes the alerting bit without keeping it: the write is accepted, the state reads on.
    EXPECT_EQ(setPetState(rec(), 1), 0u);
    EXPECT_EQ(getPetState(rec(), &v), 0u);
    EXPECT_EQ(v, 1u);
}

TEST_F(IpmiSimConformance, SolSettings) {
    ASSERT_EQ(setSolState(rec(), 0), 0u);
    ASSERT_EQ(setSolBaudRate(rec(), 19200), 0u);
    std::string sol = tool({"sol", "info", "1"});
    EXPECT_EQ(field(sol, "Enabled"), "false") << sol;
    EXPECT_EQ(field(sol, "Volatile Bit Rate (kbps)"), "19.2") << sol;
    EXPECT_EQ(field(sol, "Non-Volatile Bit Rate (kbps)"), "19.2") << sol;

    tool({"sol", "set", "enabled", "true", "1"});
    tool({"sol", "set", "non-volatile-bit-rate", "57.6", "1"});
    u32 v = 0;
    EXPECT_EQ(getSolState(rec(), &v), 0u);
    EXPECT_EQ(v, 1u);
    EXPECT_EQ(getSolBaudRate(rec(), &v), 0u);
    EXPECT_EQ(v, 57600u);
}

TEST_F(IpmiSimConformance, ChassisStatus) {
    u32 word = 0xFFFFFFFF;
    ASSERT_EQ(getChassisStatus(rec(), &word), 0u);
    u8 bytes[4];
    std::memcpy(bytes, &word, 4);
    std::string power = field(tool({"chassis", "status"}), "System Power");
    EXPECT_EQ(power, (bytes[0] & 1) ? "on" : "off");
    std::string raw = tool({"raw", "0x00", "0x01"});
    char expect[16];
    std::snprintf(expect, sizeof expect, " %02x %02x %02x", bytes[0], bytes[1], bytes[2]);
    EXPECT_EQ(raw.substr(0, std::strlen(expect)), expect);
    // Power-up is accepted by this BMC (it models no power change).
    EXPECT_EQ(executeChassisCtrl(rec(), 0x01), 0u);
    RacBmcInfo id;
    ASSERT_EQ(getBmcInfo(rec(), &id), 0u);
    EXPECT_EQ(field(tool({"mc", "info"}), "Manufacturer ID"), "4753"); // 1291h
    EXPECT_EQ(id.manufacturerId[0] | id.manufacturerId[1] << 8, 0x1291);
}

} // namespace
