// The extended configuration command: chunked reads, the capacity check, writes and their
// status mapping, time-out retries counted on an injected clock; the status probe.
#include "fake_host.h"
#include "racipmi_ops.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class ExtCfg : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RacIpmiInit(&r, nullptr), 0u);
        pd = r.pPrivateData;
        fake.host.extReads.clear();
    }
    void TearDown() override {
        RacIpmiUninit(&r);
        EXPECT_EQ(fake.host.outstanding, 0) << "a host buffer was not freed";
    }
    static std::vector<u8> pattern(size_t n) {
        std::vector<u8> v(n);
        for (size_t i = 0; i < n; ++i) v[i] = static_cast<u8>(i * 3 + 1);
        return v;
    }
    FakeHostScope fake;
    RacIpmi r{};
    RacIpmiPrivateData* pd = nullptr;
    u8 dest[600] = {};
    u16 len = 0xFFFF;
};

TEST_F(ExtCfg, EmptyParameterReadsOnlyTheHeader) {
    fake.host.setParam(7, 0, {});
    EXPECT_EQ(getRacExtCfgParam(pd, 7, 0, sizeof dest, &len, dest), 0u);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(fake.host.extReads, (std::vector<std::pair<u16, u8>>{{0, 5}}));
}

TEST_F(ExtCfg, FortyBytesTakeAHeaderAndThreeChunks) {
    std::vector<u8> data = pattern(40);
    fake.host.setParam(9, 2, data);
    EXPECT_EQ(getRacExtCfgParam(pd, 9, 2, 40, &len, dest), 0u);
    EXPECT_EQ(len, 40);
    EXPECT_EQ(std::memcmp(dest, data.data(), 40), 0);
    EXPECT_EQ(fake.host.extReads, (std::vector<std::pair<u16, u8>>{{0, 5}, {5, 16}, {21, 16}, {37, 8}}));
}

TEST_F(ExtCfg, DataBeyondTheCapacityIsRefusedBeforeAnyChunk) {
    fake.host.setParam(9, 0, pattern(41));
    EXPECT_EQ(getRacExtCfgParam(pd, 9, 0, 40, &len, dest), RACIPMI_BUF_TOO_SMALL);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(fake.host.extReads.size(), 1u);
}

TEST_F(ExtCfg, ABadChunkReplyEndsTheReadWithCommandFailed) {
    fake.host.setParam(9, 0, pattern(40));
    fake.host.extZeroChunkAt = 21; // the controller stops sending half way
    EXPECT_EQ(getRacExtCfgParam(pd, 9, 0, 40, &len, dest), RACIPMI_CMD_FAILED);
    EXPECT_EQ(len, 16);
    EXPECT_EQ(fake.host.extReads.size(), 3u);

    fake.host.extZeroChunkAt = -1;
    fake.host.extOverlongAt = 5; // more bytes than asked for must not be copied
    EXPECT_EQ(getRacExtCfgParam(pd, 9, 0, 40, &len, dest), RACIPMI_CMD_FAILED);
    EXPECT_EQ(len, 0);
}

TEST_F(ExtCfg, ATotalLengthShorterThanTheHeaderIsRejected) {
    fake.host.ext[{9, 0}] = {3, 0, 1, 0, 0};
    EXPECT_EQ(getRacExtCfgParam(pd, 9, 0, 40, &len, dest), RACIPMI_CMD_FAILED);
}

TEST_F(ExtCfg, ArgumentsAndHostFailures) {
    EXPECT_EQ(getRacExtCfgParam(nullptr, 1, 0, 4, &len, dest), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(getRacExtCfgParam(pd, 1, 0, 4, nullptr, dest), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(getRacExtCfgParam(pd, 1, 0, 4, &len, nullptr), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_TRUE(fake.host.extReads.empty());
    EXPECT_EQ(getRacExtCfgParam(pd, 99, 0, 4, &len, dest), RACIPMI_CMD_FAILED); // 10CBh
}

TEST_F(ExtCfg, ReadTimeoutsRetryFiveSecondsApartWithoutWaiting) {
    fake.host.setParam(9, 0, pattern(3));
    fake.host.extTimeouts = 2;
    EXPECT_EQ(getRacExtCfgParam(pd, 9, 0, 3, &len, dest), 0u);
    EXPECT_EQ(len, 3);
    EXPECT_EQ(fake.sleeps, (std::vector<u32>{5000, 5000}));

    fake.sleeps.clear();
    fake.host.extReads.clear();
    fake.host.extTimeouts = -1; // never answers
    EXPECT_EQ(getRacExtCfgParam(pd, 9, 0, 3, &len, dest), RACIPMI_CMD_FAILED);
    EXPECT_EQ(fake.host.extReads.size(), 1000u);
    EXPECT_EQ(fake.sleeps.size(), 999u);
}

TEST_F(ExtCfg, WriteSendsHeaderMaskAndData) {
    const u8 data[3] = {0xAA, 0xBB, 0xCC};
    EXPECT_EQ(setRacExtCfgParam(pd, 12, 3, 1, 0x0105, 3, data), 0u);
    EXPECT_EQ(fake.host.lastSetToken, 12);
    EXPECT_EQ(fake.host.lastSetIndex, 3);
    EXPECT_EQ(fake.host.lastSet, (std::vector<u8>{8, 0, 1, 0x05, 0x01, 0xAA, 0xBB, 0xCC}));
}

TEST_F(ExtCfg, WriteStatusMapping) {
    const u8 one = 1;
    fake.host.extSetStatus = VEXA_STATUS_NOT_PRESENT;
    EXPECT_EQ(setRacExtCfgParam(pd, 14, 0, 1, 1, 1, &one), RACIPMI_SD_ABSENT_OR_WP);
    EXPECT_EQ(setRacExtCfgParam(pd, 20, 0, 1, 1, 1, &one), RACIPMI_SD_ABSENT_OR_WP);
    EXPECT_EQ(setRacExtCfgParam(pd, 3, 0, 1, 1, 1, &one), RACIPMI_CMD_FAILED);
    fake.host.extSetStatus = 0x10C1;
    EXPECT_EQ(setRacExtCfgParam(pd, 14, 0, 1, 1, 1, &one), RACIPMI_CMD_FAILED);
    EXPECT_EQ(setRacExtCfgParam(pd, 14, 0, 1, 1, 1, nullptr), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(setRacExtCfgParam(nullptr, 14, 0, 1, 1, 1, &one), RACIPMI_INVALID_INPUT_PARAM);
}

TEST_F(ExtCfg, WriteTimeoutsAreRetried) {
    const u8 one = 1;
    fake.host.extSetTimeouts = 3;
    EXPECT_EQ(setRacExtCfgParam(pd, 20, 0, 1, 1, 1, &one), 0u);
    EXPECT_EQ(fake.host.extSetCalls, 4);
    EXPECT_EQ(fake.sleeps, (std::vector<u32>{5000, 5000, 5000}));
}

TEST_F(ExtCfg, InitStatusIsOneByteOfToken26) {
    fake.host.setParam(26, 0, {0x03});
    u32 v = 0;
    EXPECT_EQ(getRacInitStatus(&r, &v), 0u);
    EXPECT_EQ(v, 3u);
    EXPECT_EQ(getRacInitStatus(&r, nullptr), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(getRacInitStatus(nullptr, &v), RACIPMI_INVALID_INPUT_PARAM);
}

TEST_F(ExtCfg, StatusProbeRetriesTimeoutsAndSetsTheType) {
    fake.host.sensorTimeouts = 3;
    fake.host.adapterStatus = 129;
    fake.host.sensorCalls = 0;
    u32 word = 0x100;
    EXPECT_EQ(getRacStatus(&r, &word), 0u);
    EXPECT_EQ(word, 0x10Fu);
    EXPECT_EQ(fake.host.sensorCalls, 4);
    EXPECT_EQ(ameaPresent, 129);
    EXPECT_EQ(getRacType(), 1u);
    fake.host.adapterStatus = 1;
    EXPECT_EQ(getRacStatus(&r, &word), 0u);
    EXPECT_EQ(getRacType(), 0u);

    fake.host.sensorTimeouts = 4; // all four attempts time out
    EXPECT_EQ(getRacStatus(&r, &word), RACIPMI_CMD_FAILED);
    EXPECT_EQ(getRacStatus(&r, nullptr), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(getRacStatus(nullptr, &word), RACIPMI_INVALID_INPUT_PARAM);
}

} // namespace

namespace {

TEST(RacExtTrace, LinesCarryModuleAndLineAndTheRequestFields) {
    FakeHostScope fake;
    RacIpmi r{};
    ASSERT_EQ(RacIpmiInit(&r, nullptr), 0u);
    fake.host.setParam(5, 0, {0x41});
    TraceLogSetLevel(TRACELOG_LEVEL_DEBUG | TRACELOG_LEVEL_ERROR);
    TraceLogEnableTimestamps(0);
    u8 b[4];
    u16 n = 0;
    ::testing::internal::CaptureStdout();
    getRacExtCfgParam(r.pPrivateData, 5, 0, 4, &n, b);
    getRacExtCfgParam(r.pPrivateData, 6, 0, 4, &n, b); // not present
    std::string out = ::testing::internal::GetCapturedStdout();
    TraceLogSetLevel(0);
    TraceLogEnableTimestamps(1);
    RacIpmiUninit(&r);
    EXPECT_NE(out.find("DEBUG: racext ["), std::string::npos);
    EXPECT_NE(out.find("\nHSTIPMGetRACExtendedConfigParam:0\nIpmiRacRSSA: 0x20 \nChannel Number: 0x00 \nNetFn/LUn: 0xB8\n"),
              std::string::npos);
    EXPECT_NE(out.find("RacIANA[0]: 0x5A\n"), std::string::npos);
    EXPECT_NE(out.find("Returned data:\n"), std::string::npos);
    EXPECT_NE(out.find("ERROR: racext ["), std::string::npos);
    EXPECT_NE(out.find("HSTIPMGetRACExtendedConfigParam failed with IPMI Completion Code: 0x10CB -- "
                       "Requested Sensor, data, or record not present"),
              std::string::npos);
}

} // namespace
