// Serial channel: terminal-mode bits and their double write, newline sequences, bit rates,
// flow control, connection mode and the channel privilege limit, on the serial channel.
#include "family_fixture.h"

namespace {

using Serial = Family;

std::vector<Bytes> dataOf(const std::vector<FakeBmc::Write>& ws) {
    std::vector<Bytes> out;
    for (const auto& w : ws) out.push_back(w.data);
    return out;
}

TEST_F(Serial, TerminalModeSettersWriteOnlyTheirBits) {
    using Setter = unsigned (*)(RacIpmi*, u32);
    struct Case {
        const char* name;
        Setter set;
        Bytes current;
        u32 value;
        std::vector<Bytes> sent;
    } cases[] = {
        {"echo on", setSerialEchoCtrlState, {0x01, 0x31}, 1, {{0x43, 0x31}, {0x03, 0x31}}},
        {"echo off", setSerialEchoCtrlState, {0x23, 0x31}, 0, {{0x61, 0x31}, {0x21, 0x31}}},
        {"handshake", setSerialHandshakeState, {0x02, 0x00}, 1, {{0x43, 0x00}, {0x03, 0x00}}},
        {"line edit", setSerialLineEditState, {0x00, 0x00}, 1, {{0x60, 0x00}, {0x20, 0x00}}},
        {"delete", setSerialDelBkspState, {0x08, 0x00}, 1, {{0x44, 0x00}, {0x04, 0x00}}},
        {"backspace", setSerialDelBkspState, {0x27, 0x00}, 0, {{0x63, 0x00}, {0x23, 0x00}}},
        {"output newline", setSerialNewLineSeq, {0x01, 0x31}, 2, {{0x01, 0x21}}},
        {"input newline", setSerialInputNewLineSeq, {0x01, 0x31}, 2, {{0x01, 0x32}}},
    };
    for (const Case& c : cases) {
        bmc.writes.clear();
        bmc.serial[{29, 0, 0}] = c.current;
        EXPECT_EQ(c.set(&r, c.value), 0u) << c.name;
        auto ws = writesOf("serial");
        EXPECT_EQ(dataOf(ws), c.sent) << c.name;
        for (const auto& w : ws) {
            EXPECT_EQ(w.channel, 2) << c.name;
            EXPECT_EQ(w.parameter, 29) << c.name;
        }
    }
    bmc.writes.clear();
    EXPECT_EQ(setSerialNewLineSeq(&r, 16), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(setSerialInputNewLineSeq(&r, 16), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_TRUE(bmc.writes.empty());
}

TEST_F(Serial, AFailedFirstTerminalWriteStopsTheSecond) {
    bmc.serial[{29, 0, 0}] = {0x01, 0x00};
    bmc.failStatus["SetSerial"] = 0x10CC;
    EXPECT_EQ(setSerialEchoCtrlState(&r, 1), RACIPMI_CMD_FAILED);
    EXPECT_EQ(writesOf("serial").size(), 1u);
}

TEST_F(Serial, TerminalModeGetters) {
    bmc.serial[{29, 0, 0}] = {0x27, 0x52}; // handshake, echo, delete, line edit; out 5, in 2
    using Getter = unsigned (*)(RacIpmi*, u32*);
    const std::pair<Getter, u32> cases[] = {
        {getSerialHandshakeState, 1}, {getSerialEchoCtrlState, 1}, {getSerialDelBkspState, 1},
        {getSerialLineEditState, 1},  {getSerialNewLineSeq, 5},    {getSerialInputNewLineSeq, 2},
    };
    for (auto [get, expect] : cases) {
        u32 v = 99;
        EXPECT_EQ(get(&r, &v), 0u);
        EXPECT_EQ(v, expect);
    }
    bmc.serial[{29, 0, 0}] = {0x08, 0x00}; // delete control 10b is not "delete"
    u32 v = 9;
    EXPECT_EQ(getSerialDelBkspState(&r, &v), 0u);
    EXPECT_EQ(v, 0u);
}

TEST_F(Serial, BitRates) {
    const std::pair<u32, u8> table[] = {{9600, 6}, {19200, 7}, {38400, 8}, {57600, 9}, {115200, 10}};
    for (auto [bps, code] : table) {
        bmc.writes.clear();
        bmc.serial[{7, 0, 0}] = {0x80, 0x06};
        EXPECT_EQ(setSerialBaudRate(&r, bps), 0u);
        EXPECT_EQ(writesOf("serial").at(0).data, (Bytes{0x80, code}));
        bmc.serial[{7, 0, 0}] = {0x80, static_cast<u8>(0x10 | code)};
        u32 got = 0;
        EXPECT_EQ(getSerialBaudRate(&r, &got), 0u);
        EXPECT_EQ(got, bps);
    }
    bmc.writes.clear();
    bmc.calls.clear();
    EXPECT_EQ(setSerialBaudRate(&r, 4800), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_TRUE(bmc.calls.empty()); // nothing asked, nothing sent
    bmc.serial[{7, 0, 0}] = {0x00, 0x05};
    u32 got = 0;
    EXPECT_EQ(getSerialBaudRate(&r, &got), RACIPMI_INVALID_DATA_FORMAT);
}

TEST_F(Serial, FlowControlAndConnectionMode) {
    bmc.serial[{7, 0, 0}] = {0x4A, 0x0A};
    EXPECT_EQ(setSerialFlowCtrl(&r, 0x80), 0u);
    EXPECT_EQ(writesOf("serial").back().data, (Bytes{0x8A, 0x0A}));
    u32 flow = 0;
    EXPECT_EQ(getSerialFlowCtrl(&r, &flow), 0u);
    EXPECT_EQ(flow, 0x80u);
    EXPECT_EQ(setSerialFlowCtrl(&r, 0x01), RACIPMI_INVALID_INPUT_PARAM);

    bmc.serial[{3, 0, 0}] = {0x83};
    EXPECT_EQ(setSerialConnectMode(&r, 4), 0u);
    EXPECT_EQ(writesOf("serial").back().data, Bytes{0x84});
    EXPECT_EQ(setSerialConnectMode(&r, 8), RACIPMI_INVALID_INPUT_PARAM);
    const std::pair<u8, unsigned> modes[] = {{0x01, 0}, {0x84, 0}, {0x02, 12}, {0x00, 12}};
    for (auto [raw, st] : modes) {
        bmc.serial[{3, 0, 0}] = {raw};
        u32 mode = 0;
        EXPECT_EQ(getSerialConnectMode(&r, &mode), st) << std::hex << +raw;
        if (st == 0) {
            EXPECT_EQ(mode, raw & 7u);
        }
    }
}

TEST_F(Serial, PrivilegeLimitOnTheSerialChannel) {
    bmc.access[2] = {0x22, 0x03};
    EXPECT_EQ(setSerialChanPrivLimit(&r, 4), 0u);
    auto ws = writesOf("access");
    ASSERT_EQ(ws.size(), 2u);
    EXPECT_EQ(ws[0].channel, 2);
    EXPECT_EQ(ws[0].data, (Bytes{0x22, 0x44}));
    EXPECT_EQ(ws[1].data, (Bytes{0x22, 0x84}));
    u32 limit = 0;
    EXPECT_EQ(getSerialChanPrivLimit(&r, &limit), 0u);
    EXPECT_EQ(limit, 3u);
    EXPECT_EQ(setSerialChanPrivLimit(&r, 0), RACIPMI_INVALID_INPUT_PARAM);
}

} // namespace
