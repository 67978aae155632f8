// Alerting: PET enable through the channel access byte, PEF filter and policy entries
// (read-modify-write), community string, IPv4 and IPv6 destinations, the test alert.
#include "family_fixture.h"

#include <cstring>
#include <string>

namespace {

using Alerting = Family;

TEST_F(Alerting, PetStateBitInTheAccessByte) {
    struct Case {
        u8 access;
        u32 state;
        Bytes sent; // access bytes of the two writes
    } cases[] = {
        {0x02, 0, {0x62, 0xA2}},
        {0x22, 1, {0x42, 0x82}},
        {0x3A, 5, {0x5A, 0x9A}}, // any non-zero state enables
    };
    for (const Case& c : cases) {
        bmc.writes.clear();
        bmc.access[1] = {c.access, 0x14};
        EXPECT_EQ(setPetState(&r, c.state), 0u);
        auto ws = writesOf("access");
        ASSERT_EQ(ws.size(), 2u);
        EXPECT_EQ((Bytes{ws[0].data[0], ws[1].data[0]}), c.sent) << std::hex << +c.access;
        EXPECT_EQ(ws[0].data[1], 0x04); // limits left unchanged both times
        EXPECT_EQ(ws[1].data[1], 0x04);
    }
    u32 on = 9;
    bmc.access[1] = {0x22, 0};
    EXPECT_EQ(getPetState(&r, &on), 0u);
    EXPECT_EQ(on, 0u);
    bmc.access[1] = {0x02, 0};
    EXPECT_EQ(getPetState(&r, &on), 0u);
    EXPECT_EQ(on, 1u);
    bmc.failStatus["SetChannelAccess"] = 0x10C1;
    EXPECT_EQ(setPetState(&r, 1), RACIPMI_CMD_FAILED);
}

TEST_F(Alerting, FilterEntryActionKeepsTheOtherFilterBytes) {
    Bytes entry{5};
    for (u8 i = 0; i < 20; ++i) entry.push_back(static_cast<u8>(0x80 + i));
    bmc.pef[{6, 5, 0}] = entry;
    EXPECT_EQ(setPefTblEntryAction(&r, 5, 0x02), 0u);
    auto ws = writesOf("pef");
    ASSERT_EQ(ws.size(), 1u);
    EXPECT_EQ(ws[0].parameter, 6);
    Bytes expect = entry;
    expect[2] = 0x02;
    EXPECT_EQ(ws[0].data, expect);
    u32 action = 0;
    bmc.pef[{6, 5, 0}][2] = 0x81; // bit 7 is not part of the action
    EXPECT_EQ(getPefTblEntryAction(&r, 5, &action), 0u);
    EXPECT_EQ(action, 1u);
    u8 filter[20];
    EXPECT_EQ(getPefTblEntry(&r, 5, filter), 0u);
    EXPECT_EQ(filter[0], 0x80);
    EXPECT_EQ(filter[1], 0x81);
    EXPECT_EQ(filter[19], 0x93);
    EXPECT_EQ(getPefTblEntry(&r, 5, nullptr), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(getPefTblEntry(&r, 6, filter), RACIPMI_CMD_FAILED); // no such entry
}

TEST_F(Alerting, FilterAndPolicyEnableBits) {
    bmc.pef[{7, 2, 0}] = {2, 0x40};
    bmc.pef[{9, 3, 0}] = {3, 0x01, 0x22, 0x33};
    EXPECT_EQ(setPefTblEntryState(&r, 2, 1), 0u);
    EXPECT_EQ(writesOf("pef").back().data, (Bytes{2, 0xC0}));
    u32 on = 0;
    EXPECT_EQ(getPefTblEntryState(&r, 2, &on), 0u);
    EXPECT_EQ(on, 1u);
    EXPECT_EQ(setPefTblEntryState(&r, 2, 2), 0u); // only 1 enables
    EXPECT_EQ(writesOf("pef").back().data, (Bytes{2, 0x40}));

    EXPECT_EQ(setPefAlertPolicyTblEntryState(&r, 3, 1), 0u);
    EXPECT_EQ(writesOf("pef").back().data, (Bytes{3, 0x09, 0x22, 0x33}));
    EXPECT_EQ(getPefAlertPolicyTblEntryState(&r, 3, &on), 0u);
    EXPECT_EQ(on, 1u);
    EXPECT_EQ(setPefAlertPolicyTblEntryState(&r, 3, 0), 0u);
    EXPECT_EQ(writesOf("pef").back().data, (Bytes{3, 0x01, 0x22, 0x33}));
    bmc.failStatus["SetPEF"] = 0x10CC;
    EXPECT_EQ(setPefAlertPolicyTblEntryState(&r, 3, 1), RACIPMI_CMD_FAILED);
    bmc.failStatus["GetPEF"] = 0x10CC;
    size_t before = writesOf("pef").size();
    EXPECT_EQ(setPefTblEntryState(&r, 2, 1), RACIPMI_CMD_FAILED);
    EXPECT_EQ(writesOf("pef").size(), before); // nothing written without the read
}

TEST_F(Alerting, CommunityIsAlwaysTerminated) {
    const u8 community[18] = {'p', 'u', 'b', 'l', 'i', 'c'};
    EXPECT_EQ(setLanPetCommunityName(&r, community), 0u);
    EXPECT_EQ(writesOf("lan").at(0).parameter, 16);
    EXPECT_EQ(writesOf("lan").at(0).data.size(), 18u);
    bmc.lan[{16, 0, 0}] = Bytes(18, 'c');
    u8 out[19];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(getLanPetCommunityName(&r, out), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), std::string(18, 'c'));
}

TEST_F(Alerting, Ipv4Destinations) {
    Bytes dest{2, 0x00, 0x00, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6};
    bmc.lan[{19, 2, 0}] = dest;
    const u8 addr[4] = {10, 1, 2, 3};
    EXPECT_EQ(setPetAlertDest(&r, 2, addr), 0u);
    Bytes expect = dest;
    std::memcpy(expect.data() + 3, addr, 4);
    EXPECT_EQ(writesOf("lan").at(0).data, expect); // the other bytes as read
    u32 got = 0;
    EXPECT_EQ(getPetAlertDest(&r, 2, &got), 0u);
    EXPECT_EQ(std::memcmp(&got, addr, 4), 0);
    for (u8 bad : {0, 5}) {
        EXPECT_EQ(getPetAlertDest(&r, bad, &got), RACIPMI_INVALID_INPUT_PARAM);
        EXPECT_EQ(setPetAlertDest(&r, bad, addr), RACIPMI_INVALID_INPUT_PARAM);
    }
}

TEST_F(Alerting, Ipv6DestinationsThroughTheItemSelectedParameter) {
    const std::string addr = "fe80::1234:5678:9abc:def0";
    EXPECT_EQ(setPetIpv6AlertDest(&r, 1, addr.c_str()), 0u);
    auto ws = writesOf("sysinfo");
    ASSERT_EQ(ws.size(), 2u);
    EXPECT_EQ(ws[0].parameter, 240);
    EXPECT_EQ(ws[0].data[1], 1);
    char out[256];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(getPetIpv6AlertDest(&r, 1, out), 0u);
    EXPECT_EQ(std::string(out), addr);
    EXPECT_EQ(getPetIpv6AlertDest(&r, 2, out), RACIPMI_CMD_FAILED);
    EXPECT_EQ(setPetIpv6AlertDest(&r, 1, std::string(253, 'a').c_str()), RACIPMI_CMD_FAILED);
    RacIpmi noInstance{};
    EXPECT_EQ(setPetIpv6AlertDest(&noInstance, 1, "x"), RACIPMI_INVALID_INPUT_PARAM);
}

TEST_F(Alerting, ImmediateAlert) {
    EXPECT_EQ(initiatePetAlertImmed(&r, 3, 0), 0u);
    auto ws = writesOf("alert");
    ASSERT_EQ(ws.size(), 1u);
    EXPECT_EQ(ws[0].channel, 1);
    EXPECT_EQ(ws[0].data, (Bytes{3, 0}));
    bmc.timeouts["AlertImmediate"] = 4;
    EXPECT_EQ(initiatePetAlertImmed(&r, 3, 0), RACIPMI_CMD_FAILED);
    EXPECT_EQ(bmc.calls["AlertImmediate"], 5);
}

} // namespace
