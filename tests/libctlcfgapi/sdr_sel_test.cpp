// SEL and SDR access through the record against the scripted host library: listing, bounds,
// cache attachment, the SEL clock, clearing, text conversion and the SDR walk.
#include "fake_host.h"
#include "racipmi_ops.h"
#include "sdr_builders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace sdrtest;

namespace {

class SdrSel : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RacIpmiInit(&rec, nullptr), 0u);
        // Indexes start from 0 in the host cache; SEL entries carry their position in byte 0.
        for (u8 i = 0; i < 5; ++i) {
            Bytes e = selRecord(951782400u + i, 0x01, 0x01, 0x01, false, 0x09);
            e[0] = i;
            fake.host.sels.push_back(e);
        }
        Sensor cpu;
        cpu.number = 0x01;
        cpu.name = "CPU Temp";
        Sensor fan;
        fan.number = 0x40;
        fan.sensorType = 0x04;
        fan.eventType = 0x0B;
        fan.entityId = 0x1D;
        fan.name = "Fan Redund";
        fake.host.sdrs = {fullSensor(cpu, 1), compactSensor(fan, 1, 2), fruLocator(0x1D, 1, "Fan Tray", 3),
                          fruLocator(0x07, 1, "System Board", 4)};
        for (auto& s : fake.host.sdrs) s.resize(64, 0);  // the host pads every SDR to 64 bytes
    }
    void TearDown() override {
        RacIpmiUninit(&rec);
        EXPECT_EQ(fake.host.outstanding, 0) << "a host buffer was not freed";
    }
    template <class F> F* op(RacIpmiOp slot) { return reinterpret_cast<F*>(slot); }
    unsigned sel(u16 index, u8* out, u16* next) { return op<decltype(getSel)>(rec.getSel)(&rec, index, out, next); }
    unsigned sdr(u16 index, u8* out, u16* next) { return op<decltype(getSdr)>(rec.getSdr)(&rec, index, out, next); }

    FakeHostScope fake;
    RacIpmi rec{};
};

TEST_F(SdrSel, SelListingFromTheFirstIdFollowsNextUntilFFFF) {
    u16 id = 0xAAAA, count = 0;
    ASSERT_EQ(op<decltype(getFirstSelRecordID)>(rec.getFirstSelRecordID)(&rec, &id), 0u);
    ASSERT_EQ(op<decltype(getNumbOfSelEntries)>(rec.getNumbOfSelEntries)(&rec, &count), 0u);
    EXPECT_EQ(count, 5u);
    std::vector<int> seen;
    for (int guard = 0; id != 0xFFFF && guard < 10; ++guard) {
        u8 entry[16];
        u16 next = 0;
        ASSERT_EQ(sel(id, entry, &next), 0u) << "index " << id;
        EXPECT_EQ(0, std::memcmp(entry, fake.host.sels[id].data(), 16));
        seen.push_back(entry[0]);
        id = next;
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(fake.host.selAttachCalls, 1) << "attached once while the flag is set";

    // Past the last entry: invalid input, and the host is not asked.
    u8 entry[16];
    u16 next = 0;
    const int calls = fake.host.selByIndexCalls;
    EXPECT_EQ(sel(5, entry, &next), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(sel(6, entry, &next), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(fake.host.selByIndexCalls, calls);
}

TEST_F(SdrSel, SdrRecordsByIndex) {
    u16 count = 0, first = 0xAAAA, next = 0;
    ASSERT_EQ(op<decltype(getNumbOfSdrEntries)>(rec.getNumbOfSdrEntries)(&rec, &count), 0u);
    EXPECT_EQ(count, 4u);
    ASSERT_EQ(op<decltype(getFirstSdrRecordNum)>(rec.getFirstSdrRecordNum)(&rec, &first), 0u);
    EXPECT_EQ(first, 0u);
    u8 record[64];
    ASSERT_EQ(sdr(3, record, &next), 0u);
    EXPECT_EQ(next, 4u);
    EXPECT_EQ(0, std::memcmp(record, fake.host.sdrs[3].data(), 64));
    EXPECT_EQ(sdr(4, record, &next), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(fake.host.sdrAttachCalls, 1);
}

TEST_F(SdrSel, NullArgumentsGiveFourWithoutAHostCall) {
    u8 buf[64];
    u16 v = 0;
    u32 t = 0;
    char text[64];
    EXPECT_EQ(getNumbOfSdrEntries(&rec, nullptr), 4u);
    EXPECT_EQ(getNumbOfSelEntries(nullptr, &v), 4u);
    EXPECT_EQ(getFirstSdrRecordNum(&rec, nullptr), 4u);
    EXPECT_EQ(getFirstSelRecordID(nullptr, &v), 4u);
    EXPECT_EQ(getSdr(&rec, 0, nullptr, &v), 4u);
    EXPECT_EQ(getSdr(&rec, 0, buf, nullptr), 4u);
    EXPECT_EQ(getSel(nullptr, 0, buf, &v), 4u);
    EXPECT_EQ(getSel(&rec, 0, buf, nullptr), 4u);
    EXPECT_EQ(getSelTime(&rec, nullptr), 4u);
    EXPECT_EQ(getSelTime(nullptr, &t), 4u);
    EXPECT_EQ(clearSel(nullptr), 4u);
    u8 sev = 0;
    EXPECT_EQ(convertSelToString(&rec, fake.host.sels[0].data(), text, sizeof text, nullptr, 32, &sev), 4u);
    EXPECT_EQ(convertSelToString(&rec, nullptr, text, sizeof text, text, 32, &sev), 4u);
    EXPECT_EQ(convertSelToString(&rec, fake.host.sels[0].data(), text, sizeof text, text, 32, nullptr), 4u);
    EXPECT_EQ(attachSdrCache(nullptr), 4u);
    EXPECT_EQ(detachSelCache(nullptr), 4u);
    EXPECT_EQ(fake.host.sdrAttachCalls + fake.host.selAttachCalls + fake.host.handleListCalls +
                  fake.host.selTimeCalls + fake.host.clearCalls,
              0) << "no host call for bad arguments (the decoder never ran)";
}

TEST_F(SdrSel, ClearSelDetachesSoTheNextCountAttachesAfresh) {
    u16 count = 0;
    ASSERT_EQ(getNumbOfSelEntries(&rec, &count), 0u);
    ASSERT_EQ(op<decltype(clearSel)>(rec.clearSel)(&rec), 0u);
    EXPECT_EQ(fake.host.clearOperation, 0xAA);
    EXPECT_EQ(fake.host.selDetachCalls, 1);
    ASSERT_EQ(getNumbOfSelEntries(&rec, &count), 0u);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(fake.host.selAttachCalls, 2);

    // A failed status or an erase still in progress: 11, no retry, the cache stays attached.
    fake.host.clearStatus = 0x10C3;
    EXPECT_EQ(clearSel(&rec), RACIPMI_CMD_FAILED);
    EXPECT_EQ(fake.host.clearCalls, 2);
    fake.host.clearStatus = 0;
    fake.host.clearProgress = 1;
    EXPECT_EQ(clearSel(&rec), RACIPMI_CMD_FAILED);
    EXPECT_EQ(fake.host.selDetachCalls, 1);
}

TEST_F(SdrSel, SelTimeIsLittleEndianSecondsAndRetriedOnTimeOut) {
    fake.host.selTime = 0x47DBDC5A;
    fake.host.selTimeTimeouts = 2;
    u32 t = 0;
    ASSERT_EQ(op<decltype(getSelTime)>(rec.getSelTime)(&rec, &t), 0u);
    EXPECT_EQ(t, 0x47DBDC5Au);
    EXPECT_EQ(fake.host.selTimeCalls, 3);
    EXPECT_EQ(fake.sleeps, (std::vector<u32>{1000, 1000}));

    fake.host.selTimeCalls = 0;
    fake.host.selTimeTimeouts = 10;
    EXPECT_EQ(getSelTime(&rec, &t), RACIPMI_CMD_FAILED);
    EXPECT_EQ(fake.host.selTimeCalls, 4) << "four attempts in all";
    fake.host.selTimeTimeouts = 0;
    fake.host.selTimeStatus = 0x10D5;
    EXPECT_EQ(getSelTime(&rec, &t), RACIPMI_CMD_FAILED);
}

TEST_F(SdrSel, CacheAttachFailureIsReportedAndRetriedNextTime) {
    fake.host.sdrAttachStatus = 0x10FF;
    u16 count = 0xAAAA;
    EXPECT_EQ(getNumbOfSdrEntries(&rec, &count), RACIPMI_CMD_FAILED);
    EXPECT_EQ(count, 0xAAAA);
    fake.host.sdrAttachStatus = 0;
    EXPECT_EQ(getNumbOfSdrEntries(&rec, &count), 0u);
    EXPECT_EQ(fake.host.sdrAttachCalls, 2);
}

TEST_F(SdrSel, ConvertSelToStringFindsTheSensorThroughTheLibraryWalk) {
    char desc[256], date[32];
    u8 sev = 0;
    auto convert = op<decltype(convertSelToString)>(rec.convertSelToString);
    ASSERT_EQ(convert(&rec, fake.host.sels[0].data(), desc, sizeof desc, date, sizeof date, &sev), 0u);
    EXPECT_STREQ(desc, "CPU Temp: Temperature sensor, failure event");
    EXPECT_STREQ(date, "20000229000000.000000");
    EXPECT_EQ(sev, 4);

    // The fan sensor's entity has a FRU locator: its name leads the description.
    Bytes fanEvent = selRecord(951782400u, 0x04, 0x40, 0x0B, false, 0x01);
    ASSERT_EQ(convert(&rec, fanEvent.data(), desc, sizeof desc, date, sizeof date, &sev), 0u);
    EXPECT_STREQ(desc, "Fan Tray Fan Redund: Fan Redundancy sensor for Fan Tray, redundancy lost was asserted");

    EXPECT_EQ(convert(&rec, fanEvent.data(), desc, 20, date, sizeof date, &sev), RACIPMI_SEL_TO_TEXT_FAILED);
}

TEST_F(SdrSel, SdrWalkVisitsEveryHandleOnceAndEndsAfterTheLast) {
    std::vector<const u8*> seen;
    for (const u8* r = getFirstSDR(nullptr); r != nullptr && seen.size() < 10; r = getNextSDR(r, nullptr))
        seen.push_back(r);
    ASSERT_EQ(seen.size(), 4u);
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], fake.host.sdrs[i].data());
    EXPECT_EQ(g_sdrIndexSel, 4u);
    EXPECT_EQ(getNextSDR(nullptr, nullptr), nullptr) << "stays ended";

    fake.host.handleListFails = true;
    EXPECT_EQ(getFirstSDR(nullptr), nullptr);
    EXPECT_EQ(getNextSDR(nullptr, nullptr), nullptr);
    fake.host.handleListFails = false;
    fake.host.sdrs.clear();
    EXPECT_EQ(getFirstSDR(nullptr), nullptr) << "an empty repository";
}

TEST_F(SdrSel, UninitDetachesBothCachesAndEndsTheWalk) {
    u16 count = 0;
    ASSERT_EQ(getNumbOfSdrEntries(&rec, &count), 0u);
    ASSERT_EQ(getNumbOfSelEntries(&rec, &count), 0u);
    RacIpmiUninit(&rec);
    EXPECT_EQ(fake.host.sdrDetachCalls, 1);
    EXPECT_EQ(fake.host.selDetachCalls, 1);
    EXPECT_EQ(getFirstSDR(nullptr), nullptr) << "no instance to walk";
    char desc[64], date[32];
    u8 sev = 0;
    EXPECT_EQ(CSLFSELEntryToStr(fake.host.sels[0].data(), 0, date, sizeof date, desc, sizeof desc, &sev, nullptr), 0u);
    EXPECT_STREQ(desc, "System Software event: failure event");
}

} // namespace

namespace {

TEST_F(SdrSel, TraceLinesNameTheModuleAndTheFailure) {
    TraceLogSetComponent(0xFFFFFFFFu);  // earlier tests may have switched tracing off
    TraceLogSetLevel(TRACELOG_LEVEL_ERROR | TRACELOG_LEVEL_DEBUG);
    TraceLogSetTarget(TRACELOG_TARGET_STDOUT);
    TraceLogEnableTimestamps(0);
    ::testing::internal::CaptureStdout();
    u16 count = 0;
    getNumbOfSelEntries(&rec, &count);
    char desc[8], date[32];
    u8 sev = 0;
    convertSelToString(&rec, fake.host.sels[0].data(), desc, sizeof desc, date, sizeof date, &sev);
    const std::string out = ::testing::internal::GetCapturedStdout();
    TraceLogSetLevel(0);
    TraceLogEnableTimestamps(1);
    EXPECT_NE(out.find("DEBUG: sdr_sel ["), std::string::npos) << out;
    EXPECT_NE(out.find("\n****************************************\ngetNumbOfSelEntries:\n\n"), std::string::npos);
    EXPECT_NE(out.find("]: \nNumber Of SEL Entries: 0x05\n\n"), std::string::npos);
    EXPECT_NE(out.find("ERROR: sdr_sel ["), std::string::npos);
    EXPECT_NE(out.find("]: CSLFSELEntryToStr failed\n"), std::string::npos);
    EXPECT_NE(out.find("ERROR: cmnslf ["), std::string::npos) << "the decoder says why";
    EXPECT_NE(out.find("RacIpmi::convertSelToString Return Code: 14 -- Raw SEL data to text conversion failed"),
              std::string::npos);
}

} // namespace
