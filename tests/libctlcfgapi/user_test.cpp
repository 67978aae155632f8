// Users and sessions: names, passwords and their test, the enable decision over both
// channels, privilege limits, IPMI messaging and SOL payload bytes, session counts.
#include "family_fixture.h"

#include <cstring>
#include <string>

namespace {

using User = Family;

TEST_F(User, StateDecisionFallsBackToTheSerialChannel) {
    struct Case {
        u8 lan1, lan3, ser1, ser3;
        u32 expect;
        bool serialRead;
    } cases[] = {
        {0x40, 0x00, 0x00, 0x00, 1, false}, // enabled on LAN
        {0x80, 0x00, 0x80, 0x00, 0, true},  // disabled on both
        {0x00, 0x10, 0x00, 0x00, 1, false}, // unspecified, messaging on: the old check
        {0x00, 0x20, 0x00, 0x00, 1, false}, // unspecified, link authentication on
        {0x80, 0x14, 0x40, 0x00, 1, true},  // disabled on LAN beats the old check; serial says enabled
        {0x00, 0x00, 0x00, 0x30, 1, true},  // the serial answer is the state
    };
    for (const Case& c : cases) {
        bmc.calls.clear();
        bmc.userAccess[{1, 3}] = {0x0A, c.lan1, 0x01, c.lan3};
        bmc.userAccess[{2, 3}] = {0x0A, c.ser1, 0x01, c.ser3};
        u32 state = 9;
        EXPECT_EQ(getUserState(&r, 3, &state), 0u);
        EXPECT_EQ(state, c.expect) << std::hex << +c.lan1 << " " << +c.lan3;
        EXPECT_EQ(bmc.calls["GetUserAccess"], c.serialRead ? 2 : 1);
    }
    bmc.userAccess[{1, 3}] = {0x0A, 0x80, 0x01, 0x00};
    bmc.failStatus["GetUserAccess"] = 0x10CC;
    bmc.passFirst["GetUserAccess"] = bmc.calls["GetUserAccess"] + 1; // the serial read fails
    u32 state = 9;
    EXPECT_EQ(getUserState(&r, 3, &state), RACIPMI_CMD_FAILED);
    EXPECT_EQ(state, 9u);
}

TEST_F(User, MessagingRequestByteAndSolUserByte) {
    bmc.userAccess[{1, 5}] = {0x0A, 0x42, 0x01, 0x34}; // limit 4
    EXPECT_EQ(setUserIpmiLanState(&r, 5, 1), 0u);
    EXPECT_EQ(setUserIpmiLanState(&r, 5, 0), 0u);
    EXPECT_EQ(setUserIpmiLanState(&r, 5, 2), 0u);
    auto ws = writesOf("useraccess");
    ASSERT_EQ(ws.size(), 3u);
    EXPECT_EQ(ws[0].data, (Bytes{0x91, 5, 0x04}));
    EXPECT_EQ(ws[1].data, (Bytes{0x81, 5, 0x04}));
    EXPECT_EQ(ws[2].data, (Bytes{0x81, 5, 0x04}));
    u32 on = 0;
    EXPECT_EQ(getUserIpmiLanState(&r, 5, &on), 0u);
    EXPECT_EQ(on, 1u);

    EXPECT_EQ(setUserIpmiSolState(&r, 3, 0), 0u);
    EXPECT_EQ(setUserIpmiSolState(&r, 3, 1), 0u);
    auto ps = writesOf("payload");
    ASSERT_EQ(ps.size(), 2u);
    EXPECT_EQ(ps[0].parameter, 0x43);
    EXPECT_EQ(ps[1].parameter, 0x03);
    EXPECT_EQ(ps[0].channel, 1);
    EXPECT_EQ(ps[0].data, (Bytes{0x02, 0, 0, 0}));
    bmc.payloadAccess[{1, 3}] = {0x02, 0, 0, 0};
    EXPECT_EQ(getUserIpmiSolState(&r, 3, &on), 0u);
    EXPECT_EQ(on, 1u);
    bmc.payloadAccess[{1, 3}] = {0x01, 0, 0, 0};
    EXPECT_EQ(getUserIpmiSolState(&r, 3, &on), 0u);
    EXPECT_EQ(on, 0u);
    EXPECT_EQ(setUserIpmiSolState(nullptr, 3, 1), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(setUserIpmiSolState(&r, 0x43, 1), RACIPMI_INVALID_INPUT_PARAM); // would read as "disable 3"
}

TEST_F(User, PrivilegeLimitsPerChannel) {
    EXPECT_EQ(setUserIpmiLanPriv(&r, 4, 0x03), 0u);
    EXPECT_EQ(setUserIpmiSerialPriv(&r, 4, 0x02), 0u);
    auto ws = writesOf("useraccess");
    ASSERT_EQ(ws.size(), 2u);
    EXPECT_EQ(ws[0].data, (Bytes{0x01, 4, 0x03})); // bit 7 clear: messaging bits untouched
    EXPECT_EQ(ws[1].data, (Bytes{0x02, 4, 0x02}));
    bmc.userAccess[{1, 4}] = {0x0A, 0x41, 0x00, 0x13};
    bmc.userAccess[{2, 4}] = {0x0A, 0x41, 0x00, 0x02};
    u32 lan = 0, ser = 0;
    EXPECT_EQ(getUserIpmiLanPriv(&r, 4, &lan), 0u);
    EXPECT_EQ(getUserIpmiSerialPriv(&r, 4, &ser), 0u);
    EXPECT_EQ(lan, 3u);
    EXPECT_EQ(ser, 2u);
    bmc.failStatus["SetUserAccess"] = 0x10CC;
    EXPECT_EQ(setUserIpmiLanPriv(&r, 4, 0x03), RACIPMI_CMD_FAILED);
}

TEST_F(User, NamesAreSixteenBytesZeroPadded) {
    EXPECT_EQ(setUsername(&r, 2, "root"), 0u);
    Bytes expect(16, 0);
    std::memcpy(expect.data(), "root", 4);
    EXPECT_EQ(writesOf("username").at(0).data, expect);
    EXPECT_EQ(setUsername(&r, 2, "seventeen-chars!!"), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(writesOf("username").size(), 1u);

    bmc.userNames[6].assign(16, 'x');
    char name[17];
    std::memset(name, '#', sizeof name);
    EXPECT_EQ(getUsername(&r, 6, name), 0u);
    EXPECT_EQ(std::string(name, 16), std::string(16, 'x'));
    EXPECT_EQ(name[16], '#'); // 16 bytes written, no terminator after a full name
    EXPECT_EQ(getUsername(&r, 2, name), 0u);
    EXPECT_STREQ(name, "root");
    bmc.failStatus["GetUserName"] = 0x10CB;
    EXPECT_EQ(getUsername(&r, 2, name), RACIPMI_CMD_FAILED);
}

TEST_F(User, PasswordFormBySize) {
    struct Case {
        std::string pw;
        unsigned st;
        u8 uidByte, len;
    } cases[] = {
        {std::string(16, 'p'), 0, 3, 16},
        {std::string(17, 'p'), 0, 0x83, 20},
        {std::string(20, 'p'), 0, 0x83, 20},
        {"", 0, 3, 16},
        {std::string(21, 'p'), RACIPMI_INVALID_INPUT_PARAM, 0, 0},
    };
    for (const Case& c : cases) {
        bmc.writes.clear();
        EXPECT_EQ(setPassword(&r, 3, c.pw.c_str()), c.st) << c.pw.size();
        auto ws = writesOf("password");
        if (c.st != 0) {
            EXPECT_TRUE(ws.empty());
            continue;
        }
        ASSERT_EQ(ws.size(), 1u);
        EXPECT_EQ(ws[0].channel, c.uidByte) << c.pw.size(); // the user-ID byte
        EXPECT_EQ(ws[0].parameter, 2);                      // set password
        EXPECT_EQ(ws[0].data.size(), c.len);
    }
}

TEST_F(User, ValidateUser) {
    bmc.userNames[3] = Bytes{'a', 'd', 'm', 'i', 'n'};
    EXPECT_EQ(validateUser(&r, 3, "admin", "secret"), 0u);
    EXPECT_EQ(writesOf("password").size(), 1u); // the 16-byte test passed

    bmc.writes.clear();
    EXPECT_EQ(validateUser(&r, 3, "admim", "secret"), RACIPMI_FUNCTION_FAILED);
    EXPECT_EQ(validateUser(&r, 3, "admin-but-longer-than-16", "secret"), RACIPMI_FUNCTION_FAILED);
    EXPECT_TRUE(writesOf("password").empty()); // no password test for a wrong name

    bmc.accept16 = false; // only the 20-byte form is stored
    EXPECT_EQ(validateUser(&r, 3, "admin", "secret"), 0u);
    auto ws = writesOf("password");
    ASSERT_EQ(ws.size(), 2u);
    EXPECT_EQ(ws[1].channel, 0x83);
    EXPECT_EQ(ws[1].data.size(), 20u);
    bmc.accept20 = false;
    EXPECT_EQ(validateUser(&r, 3, "admin", "secret"), RACIPMI_FUNCTION_FAILED);
    EXPECT_EQ(validateUser(&r, 3, nullptr, "x"), RACIPMI_INVALID_INPUT_PARAM);
}

TEST_F(User, ALongPasswordIsNeverTestedByItsFirstSixteenCharacters) {
    bmc.userNames[3] = Bytes{'o', 'p'};
    ASSERT_EQ(setPassword(&r, 3, "abcdefghijklmnop"), 0u); // stored in the 16-byte form
    bmc.writes.clear();
    EXPECT_EQ(validateUser(&r, 3, "op", "abcdefghijklmnopXYZ"), RACIPMI_FUNCTION_FAILED);
    auto ws = writesOf("password");
    ASSERT_EQ(ws.size(), 1u);
    EXPECT_EQ(ws[0].data.size(), 20u);
    EXPECT_EQ(validateUser(&r, 3, "op", std::string(21, 'a').c_str()), RACIPMI_FUNCTION_FAILED);
    EXPECT_EQ(validateUser(&r, 3, "op", "abcdefghijklmnop"), 0u);
}

TEST_F(User, EnableAndDisable) {
    EXPECT_EQ(setUserState(&r, 4, 1), 0u);
    EXPECT_EQ(setUserState(&r, 4, 0), 0u);
    auto ws = writesOf("password");
    ASSERT_EQ(ws.size(), 2u);
    EXPECT_EQ(ws[0].parameter, 1);
    EXPECT_EQ(ws[1].parameter, 0);
    EXPECT_TRUE(ws[0].data.empty());
    EXPECT_EQ(setUserState(&r, 4, 2), RACIPMI_INVALID_INPUT_PARAM);
    bmc.failStatus["SetUserPassword"] = 0x10CC;
    EXPECT_EQ(setUserState(&r, 4, 1), RACIPMI_CMD_FAILED);
}

TEST_F(User, ActiveCountsFromSessionInfo) {
    bmc.sessionInfo = {0x00, 0xC4, 0x02};
    u32 max = 0, active = 0;
    EXPECT_EQ(getMaxActiveSessions(&r, &max), 0u);
    EXPECT_EQ(getNumbActiveSessions(&r, &active), 0u);
    EXPECT_EQ(max, 4u);
    EXPECT_EQ(active, 2u);
    EXPECT_EQ(writesOf("sessioninfo").at(0).data, (Bytes{0, 0, 3}));
    bmc.failStatus["GetSessionInfo"] = 0x10C1;
    EXPECT_EQ(getMaxActiveSessions(&r, &max), RACIPMI_CMD_FAILED);
    EXPECT_EQ(getNumbActiveSessions(&r, nullptr), RACIPMI_INVALID_INPUT_PARAM);
}

} // namespace
