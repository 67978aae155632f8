// LAN channel and NIC: channel access read-modify-write and its double write, the address
// parameters, address source, VLAN and security keys, over the scripted BMC.
#include "family_fixture.h"

#include <cstdlib>
#include <cstring>

namespace {

using Lan = Family;

struct AccessWrite {
    u8 access, limits;
};

std::vector<AccessWrite> accessWrites(const std::vector<FakeBmc::Write>& ws) {
    std::vector<AccessWrite> out;
    for (const auto& w : ws) out.push_back({w.data[0], w.data[1]});
    return out;
}

bool operator==(const AccessWrite& a, const AccessWrite& b) { return a.access == b.access && a.limits == b.limits; }
void PrintTo(const AccessWrite& w, std::ostream* os) { *os << std::hex << "{" << +w.access << "," << +w.limits << "}"; }

struct AccessCase {
    u8 access, limits;
    int op; // 0 state, 1 privilege limit
    u32 value;
    std::vector<AccessWrite> expect;
};

TEST_F(Lan, ChannelAccessWritesNonVolatileThenVolatile) {
    const AccessCase cases[] = {
        {0x2A, 0x04, 0, 0, {{0x68, 0x04}, {0xA8, 0x04}}}, // disable: mode 0, selector 01b then 10b
        {0x28, 0x44, 0, 1, {{0x6A, 0x04}, {0xAA, 0x04}}}, // enable: mode 2, limits left unchanged
        {0x22, 0x03, 1, 4, {{0x22, 0x44}, {0x22, 0x84}}}, // privilege 4, access byte left unchanged
        {0xE2, 0x03, 1, 2, {{0x22, 0x42}, {0x22, 0x82}}}, // reserved top bits of the read never sent
    };
    for (const AccessCase& c : cases) {
        bmc.writes.clear();
        bmc.access[1] = {c.access, c.limits};
        unsigned st = c.op == 0 ? setLanChanState(&r, c.value) : setLanChanPrivLimit(&r, c.value);
        EXPECT_EQ(st, 0u);
        EXPECT_EQ(accessWrites(writesOf("access")), c.expect) << std::hex << +c.access << " op " << c.op;
        for (const auto& w : writesOf("access")) EXPECT_EQ(w.channel, 1);
    }
}

TEST_F(Lan, ChannelStateAndLimitReads) {
    const std::pair<u8, u32> states[] = {{0x02, 1}, {0x03, 1}, {0x00, 0}, {0x38, 0}, {0x2A, 1}};
    for (auto [access, expect] : states) {
        bmc.access[1] = {access, 0x44};
        u32 v = 9;
        EXPECT_EQ(getLanChanState(&r, &v), 0u);
        EXPECT_EQ(v, expect) << std::hex << +access;
    }
    u32 limit = 0;
    EXPECT_EQ(getLanChanPrivLimit(&r, &limit), 0u);
    EXPECT_EQ(limit, 4u);
}

TEST_F(Lan, PrivilegeLimitOutsideItsFieldIsRefusedBeforeAnyHostCall) {
    EXPECT_EQ(setLanChanPrivLimit(&r, 0), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(setLanChanPrivLimit(&r, 16), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(bmc.calls["GetChannelAccess"], 0);
    EXPECT_EQ(setLanChanState(nullptr, 1), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(getLanChanState(&r, nullptr), RACIPMI_INVALID_INPUT_PARAM);
}

TEST_F(Lan, AFailedVolatileWriteReportsFailureAfterTheFirstTookEffect) {
    bmc.access[1] = {0x22, 0x04};
    bmc.failStatus["SetChannelAccess"] = 0x10C1;
    bmc.passFirst["SetChannelAccess"] = 1;
    EXPECT_EQ(setLanChanState(&r, 0), RACIPMI_CMD_FAILED);
    EXPECT_EQ(writesOf("access").size(), 2u);
    bmc.failStatus["GetChannelAccess"] = 0x10C1;
    EXPECT_EQ(setLanChanState(&r, 0), RACIPMI_CMD_FAILED);
    EXPECT_EQ(writesOf("access").size(), 2u); // nothing written without a read
}

TEST_F(Lan, AddressParametersTravelWholeOnTheLanChannel) {
    const u8 ip[4] = {192, 168, 0, 120}, mask[4] = {255, 255, 255, 0}, gw[4] = {192, 168, 0, 1};
    EXPECT_EQ(setNicIpAddr(&r, ip), 0u);
    EXPECT_EQ(setNicSubnetMask(&r, mask), 0u);
    EXPECT_EQ(setNicGateway(&r, gw), 0u);
    auto ws = writesOf("lan");
    ASSERT_EQ(ws.size(), 3u);
    EXPECT_EQ(ws[0].parameter, 3);
    EXPECT_EQ(ws[1].parameter, 6);
    EXPECT_EQ(ws[2].parameter, 12);
    EXPECT_EQ(ws[0].data, Bytes(ip, ip + 4));
    EXPECT_EQ(ws[0].channel, 1);
    u8 out[4] = {};
    EXPECT_EQ(getNicIpAddr(&r, out), 0u);
    EXPECT_EQ(std::memcmp(out, ip, 4), 0);
    EXPECT_EQ(getNicSubnetMask(&r, out), 0u);
    EXPECT_EQ(std::memcmp(out, mask, 4), 0);
    EXPECT_EQ(getNicGateway(&r, out), 0u);
    EXPECT_EQ(std::memcmp(out, gw, 4), 0);
    bmc.lan[{5, 0, 0}] = {0x00, 0x1E, 0xC9, 0x01, 0x02, 0x03};
    u8 mac[6] = {};
    EXPECT_EQ(getNicMacAddr(&r, mac), 0u);
    EXPECT_EQ(Bytes(mac, mac + 6), (bmc.lan[{5, 0, 0}]));
    EXPECT_EQ(getNicIpAddr(&r, nullptr), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(setNicIpAddr(&r, nullptr), RACIPMI_INVALID_INPUT_PARAM);
}

TEST_F(Lan, LanChannelComesFromDiscovery) {
    fake.host.channelMedium[1] = 0;
    fake.host.channelMedium[6] = 4;
    const u8 ip[4] = {10, 0, 0, 2};
    EXPECT_EQ(setNicIpAddr(&r, ip), 0u);
    EXPECT_EQ(writesOf("lan").at(0).channel, 6);
}

// A BMC that answers "not present" (CBh) for the channels it lacks, as OpenIPMI's does.
u8* channelInfoNotPresent(u8, u8 channel, u32* status, s32) {
    if (channel != 3) {
        *status = VEXA_STATUS_NOT_PRESENT;
        return nullptr;
    }
    *status = 0;
    ++gFake->outstanding;
    u8* p = static_cast<u8*>(std::calloc(9, 1));
    p[0] = channel;
    p[1] = 4;
    return p;
}

TEST_F(Lan, ChannelsAnsweredNotPresentAreSkippedToo) {
    r.pPrivateData->pVexa->fpHSTIPMGetChannelInfo = channelInfoNotPresent;
    const u8 ip[4] = {10, 0, 0, 3};
    EXPECT_EQ(setNicIpAddr(&r, ip), 0u);
    EXPECT_EQ(writesOf("lan").at(0).channel, 3);
}

TEST_F(Lan, AddressSourceTable) {
    const std::pair<u8, std::pair<unsigned, u32>> reads[] = {
        {0x01, {0, 0}}, {0x02, {0, 1}}, {0x12, {0, 1}}, {0x03, {12, 7}}, {0x00, {12, 7}}, {0x04, {12, 7}}};
    for (auto [raw, expect] : reads) {
        bmc.lan[{4, 0, 0}] = {raw};
        u32 v = 7;
        EXPECT_EQ(getNicUseDhcpState(&r, &v), expect.first) << std::hex << +raw;
        EXPECT_EQ(v, expect.second) << std::hex << +raw;
    }
    const std::pair<u32, u8> writes[] = {{1, 2}, {0, 1}, {5, 1}};
    for (auto [state, sent] : writes) {
        bmc.writes.clear();
        EXPECT_EQ(setNicUseDhcpState(&r, state), 0u);
        EXPECT_EQ(writesOf("lan").at(0).data, Bytes{sent});
    }
}

TEST_F(Lan, VlanReadModifyWrite) {
    struct Case {
        u16 current;
        int op; // 0 ID, 1 state
        u32 value;
        u16 expect;
    } cases[] = {
        {0x8005, 0, 100, 0x8064},  // keeps enable, replaces the ID
        {0x7005, 0, 4095, 0x7FFF}, // keeps bits 12-15
        {0x0064, 1, 1, 0x8064},
        {0x8064, 1, 0, 0x0064},
        {0x8064, 1, 2, 0x0064}, // only 1 enables
    };
    for (const Case& c : cases) {
        bmc.writes.clear();
        bmc.lan[{20, 0, 0}] = {static_cast<u8>(c.current), static_cast<u8>(c.current >> 8)};
        unsigned st = c.op == 0 ? setNicVlanID(&r, static_cast<u16>(c.value)) : setNicVlanState(&r, c.value);
        EXPECT_EQ(st, 0u);
        EXPECT_EQ(writesOf("lan").at(0).data, (Bytes{static_cast<u8>(c.expect), static_cast<u8>(c.expect >> 8)}))
            << std::hex << c.current << " " << c.value;
    }
    bmc.lan[{20, 0, 0}] = {0x64, 0x80};
    u16 id = 0;
    u32 on = 0;
    EXPECT_EQ(getNicVlanID(&r, &id), 0u);
    EXPECT_EQ(id, 100);
    EXPECT_EQ(getNicVlanState(&r, &on), 0u);
    EXPECT_EQ(on, 1u);
    bmc.writes.clear();
    EXPECT_EQ(setNicVlanID(&r, 4096), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_TRUE(bmc.writes.empty());

    EXPECT_EQ(setNicVlanPriority(&r, 5), 0u);
    EXPECT_EQ(writesOf("lan").at(0).parameter, 21);
    u8 prio = 0;
    EXPECT_EQ(getNicVlanPriority(&r, &prio), 0u);
    EXPECT_EQ(prio, 5);
    EXPECT_EQ(setNicVlanPriority(&r, 8), RACIPMI_INVALID_INPUT_PARAM);
}

TEST_F(Lan, HostFailuresAndTimeouts) {
    u8 ip[4];
    bmc.lan[{3, 0, 0}] = {1, 2, 3, 4};
    bmc.timeouts["GetLAN"] = 3; // the fourth attempt answers
    EXPECT_EQ(getNicIpAddr(&r, ip), 0u);
    EXPECT_EQ(fake.sleeps, (std::vector<u32>{1000, 1000, 1000}));
    bmc.timeouts["GetLAN"] = 4; // never answers within four attempts
    bmc.calls.clear();
    EXPECT_EQ(getNicIpAddr(&r, ip), RACIPMI_CMD_FAILED);
    EXPECT_EQ(bmc.calls["GetLAN"], 4);
    bmc.failStatus["SetLAN"] = 0x10D4;
    EXPECT_EQ(setNicIpAddr(&r, ip), RACIPMI_CMD_FAILED);
    bmc.failStatus["GetLAN"] = 0x10C1;
    EXPECT_EQ(getNicIpAddr(&r, ip), RACIPMI_CMD_FAILED);
    fake.host.channelInfoStatus = 0x10C1; // discovery fails: its status is the result
    RacIpmiUninit(&r);
    ASSERT_EQ(RacIpmiInit(&r, nullptr), 0u);
    installFakeBmc(r.pPrivateData->pVexa, &bmc);
    int sets = bmc.calls["SetLAN"];
    EXPECT_EQ(setNicIpAddr(&r, ip), RACIPMI_CMD_FAILED);
    EXPECT_EQ(bmc.calls["SetLAN"], sets);
}

TEST_F(Lan, SecurityKeys) {
    u8 key[20];
    for (int i = 0; i < 20; ++i) key[i] = static_cast<u8>(0xA0 + i);
    EXPECT_EQ(setChanSecurityKey(&r, 1, key), 0u);
    EXPECT_EQ(Bytes(key, key + 20), bmc.keys[1]);
    u8 out[20] = {};
    EXPECT_EQ(getChanSecurityKey(&r, 1, out), 0u);
    EXPECT_EQ(std::memcmp(out, key, 20), 0);
    EXPECT_EQ(setChanSecurityKey(&r, 1, nullptr), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(getChanSecurityKey(nullptr, 1, out), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(getChanSecurityKey(&r, 7, out), RACIPMI_CMD_FAILED);
    EXPECT_EQ(setChanSecurityKey(&r, 7, key), RACIPMI_CMD_FAILED);
}

} // namespace
