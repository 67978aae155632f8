// Serial-over-LAN: enable, accumulation and threshold, bit rate written twice, minimum
// privilege, all on the LAN channel.
#include "family_fixture.h"

namespace {

using Sol = Family;

TEST_F(Sol, SettersReadThenWriteTheirField) {
    bmc.sol[{1, 0, 0}] = {0x00};
    bmc.sol[{2, 0, 0}] = {0xC2};
    bmc.sol[{3, 0, 0}] = {0x0C, 0x60};
    EXPECT_EQ(setSolState(&r, 1), 0u);
    EXPECT_EQ(setSolMinReqPriv(&r, 3), 0u);
    EXPECT_EQ(setSolAccumInterval(&r, 20), 0u);
    EXPECT_EQ(setSolSendThld(&r, 100), 0u);
    auto ws = writesOf("sol");
    ASSERT_EQ(ws.size(), 4u);
    EXPECT_EQ(ws[0].data, Bytes{0x01});
    EXPECT_EQ(ws[1].data, Bytes{0x03}); // the whole byte is the privilege
    EXPECT_EQ(ws[2].data, (Bytes{20, 0x60}));
    EXPECT_EQ(ws[3].data, (Bytes{20, 100}));
    for (const auto& w : ws) EXPECT_EQ(w.channel, 1);
    u32 v = 0;
    u8 b = 0;
    EXPECT_EQ(getSolState(&r, &v), 0u);
    EXPECT_EQ(v, 1u);
    EXPECT_EQ(getSolMinReqPriv(&r, &v), 0u);
    EXPECT_EQ(v, 3u);
    EXPECT_EQ(getSolAccumInterval(&r, &b), 0u);
    EXPECT_EQ(b, 20);
    EXPECT_EQ(getSolSendThld(&r, &b), 0u);
    EXPECT_EQ(b, 100);
    EXPECT_EQ(setSolState(&r, 0), 0u);
    EXPECT_EQ(writesOf("sol").back().data, Bytes{0x00});
}

TEST_F(Sol, OutOfRangeValuesSendNothing) {
    bmc.sol[{2, 0, 0}] = {0x02};
    bmc.sol[{3, 0, 0}] = {0x0C, 0x60};
    for (u32 p : {0u, 1u, 5u}) EXPECT_EQ(setSolMinReqPriv(&r, p), RACIPMI_INVALID_INPUT_PARAM) << p;
    EXPECT_EQ(setSolAccumInterval(&r, 0), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(setSolSendThld(&r, 0), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(setSolBaudRate(&r, 4800), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_TRUE(bmc.calls.empty());
    for (u32 p : {2u, 4u}) EXPECT_EQ(setSolMinReqPriv(&r, p), 0u) << p;
}

TEST_F(Sol, BitRateGoesToNonVolatileThenVolatile) {
    const std::pair<u32, u8> cases[] = {{0, 0}, {9600, 6}, {115200, 10}};
    for (auto [bps, code] : cases) {
        bmc.writes.clear();
        EXPECT_EQ(setSolBaudRate(&r, bps), 0u);
        auto ws = writesOf("sol");
        ASSERT_EQ(ws.size(), 2u);
        EXPECT_EQ(ws[0].parameter, 5);
        EXPECT_EQ(ws[1].parameter, 6);
        EXPECT_EQ(ws[0].data, Bytes{code});
        EXPECT_EQ(ws[1].data, Bytes{code});
        u32 got = 99;
        EXPECT_EQ(getSolBaudRate(&r, &got), 0u);
        EXPECT_EQ(got, bps);
    }
    bmc.writes.clear();
    bmc.failStatus["SetSOL"] = 0x10CC;
    EXPECT_EQ(setSolBaudRate(&r, 9600), RACIPMI_CMD_FAILED);
    EXPECT_EQ(writesOf("sol").size(), 1u); // the volatile write never follows a failure
    bmc.sol[{5, 0, 0}] = {0x03};
    u32 got = 0;
    EXPECT_EQ(getSolBaudRate(&r, &got), RACIPMI_INVALID_DATA_FORMAT);
}

} // namespace
