// Trace log: filtering by level and target, the exact hex-dump rows, the log-file name rule
// and the timestamp prefix.
#include "ctlcfgapi.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>

namespace {

class TraceLog : public ::testing::Test {
protected:
    void SetUp() override {
        TraceLogSetLogFile(dir.file("trace.txt").c_str());
        TraceLogSetComponent(0xFFFFFFFFu);
        TraceLogSetTarget(TRACELOG_TARGET_STDOUT);
        TraceLogEnableTimestamps(0);
    }
    void TearDown() override {
        TraceLogSetLevel(0);
        TraceLogSetTarget(TRACELOG_TARGET_STDOUT);
        TraceLogEnableTimestamps(1);
        TraceLogSetLogFile("/tmp/tracelog.txt");
    }
    template <class F> std::string stdoutOf(F f) {
        ::testing::internal::CaptureStdout();
        f();
        return ::testing::internal::GetCapturedStdout();
    }
    std::string logFile() {
        return vtest::fileExists(dir.file("trace.txt")) ? vtest::readFile(dir.file("trace.txt")) : "";
    }
    vtest::TempDir dir;
};

TEST_F(TraceLog, LevelZeroWritesNothingWhateverElseIsSet) {
    TraceLogSetLevel(0);
    TraceLogSetTarget(3);
    unsigned char b[4] = {1, 2, 3, 4};
    EXPECT_EQ(stdoutOf([&] {
                  EXPECT_EQ(TraceLogMessage(TRACELOG_LEVEL_DEBUG, "x %d\n", 1), 0);
                  TraceHexDump(TRACELOG_LEVEL_DEBUG, "t\n", b, 4);
              }),
              "");
    EXPECT_EQ(logFile(), "");
}

TEST_F(TraceLog, MaskComponentAndTargetAllFilter) {
    TraceLogSetLevel(TRACELOG_LEVEL_ERROR);
    EXPECT_EQ(stdoutOf([] { TraceLogMessage(TRACELOG_LEVEL_DEBUG, "debug\n"); }), "");
    EXPECT_EQ(stdoutOf([] { TraceLogMessage(TRACELOG_LEVEL_ERROR, "error %s\n", "%d"); }),
              "error %d\n");
    TraceLogSetComponent(0);
    EXPECT_EQ(stdoutOf([] { TraceLogMessage(TRACELOG_LEVEL_ERROR, "error\n"); }), "");
}

TEST_F(TraceLog, FileTargetGetsLinesButDumpsStillGoToStdout) {
    TraceLogSetLevel(TRACELOG_LEVEL_DEBUG);
    TraceLogSetTarget(TRACELOG_TARGET_FILE);
    unsigned char b[2] = {0x41, 0x0A};
    std::string out = stdoutOf([&] {
        TraceLogMessage(TRACELOG_LEVEL_DEBUG, "one\n");
        TraceLogMessage(TRACELOG_LEVEL_DEBUG, "two\n");
        TraceHexDump(TRACELOG_LEVEL_DEBUG, "Returned data:\n", b, 2);
    });
    EXPECT_EQ(logFile(), "one\ntwo\n");
    EXPECT_EQ(out.find("one"), std::string::npos);
    EXPECT_NE(out.find("Returned data:\n"), std::string::npos);
}

TEST_F(TraceLog, HexDumpRowsHaveTheFixedLayout) {
    TraceLogSetLevel(TRACELOG_LEVEL_DEBUG);
    unsigned char b[20];
    for (int i = 0; i < 20; ++i) b[i] = static_cast<unsigned char>(0x30 + i);
    b[0] = 0x41;
    b[1] = 0x0A;
    b[17] = 0xFF;
    std::string out = stdoutOf([&] { TraceHexDump(TRACELOG_LEVEL_DEBUG, "T:\n", b, 20); });
    char head[128], row1[128], row2[128];
    uint32_t a = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(b));
    std::snprintf(head, sizeof head,
                  "T:\n             Starting Address: 0x%08X   Length: 20(0x14)\n", a);
    std::snprintf(row1, sizeof row1,
                  "   %08X  41 0A 32 33 34 35 36 37-38 39 3A 3B 3C 3D 3E 3F|A.234567-89:;<=>?|\n", a);
    std::snprintf(row2, sizeof row2,
                  "   %08X  40 FF 42 43 __ __ __ __-__ __ __ __ __ __ __ __|@.BC    -        |\n",
                  a + 16);
    EXPECT_EQ(out, std::string(head) + row1 + row2 + "\n");
    EXPECT_EQ(std::strlen(row1), 3u + 76u + 1u);
}

TEST_F(TraceLog, DumpNeedsAnAddressAndALength) {
    TraceLogSetLevel(TRACELOG_LEVEL_DEBUG);
    unsigned char b[1] = {0};
    EXPECT_EQ(stdoutOf([&] {
                  TraceHexDump(TRACELOG_LEVEL_DEBUG, "t", nullptr, 4);
                  TraceHexDump(TRACELOG_LEVEL_DEBUG, "t", b, 0);
              }),
              "");
}

TEST_F(TraceLog, OverlongLogFileNameKeepsThePreviousOne) {
    TraceLogSetLevel(TRACELOG_LEVEL_DEBUG);
    TraceLogSetTarget(TRACELOG_TARGET_FILE);
    TraceLogSetLogFile(("/tmp/" + std::string(250, 'x')).c_str()); // 255 characters
    TraceLogMessage(TRACELOG_LEVEL_DEBUG, "kept\n");
    EXPECT_EQ(logFile(), "kept\n");
}

TEST_F(TraceLog, TimestampsPrefixEightDigitsAndABlank) {
    TraceLogSetLevel(TRACELOG_LEVEL_DEBUG);
    TraceLogEnableTimestamps(1);
    std::string out = stdoutOf([] { TraceLogMessage(TRACELOG_LEVEL_DEBUG, "DEBUG: m [1]: x\n"); });
    EXPECT_TRUE(std::regex_match(out, std::regex("[0-9]{8} DEBUG: m \\[1\\]: x\n"))) << out;
}

TEST_F(TraceLog, MessageThatDoesNotFitIsDropped) {
    TraceLogSetLevel(TRACELOG_LEVEL_DEBUG);
    std::string big(70000, 'a');
    EXPECT_EQ(stdoutOf([&] { TraceLogMessage(TRACELOG_LEVEL_DEBUG, "%s", big.c_str()); }), "");
}

TEST_F(TraceLog, SettersReturnTheirValue) {
    EXPECT_EQ(TraceLogSetLevel(24), 24u);
    EXPECT_EQ(TraceLogSetTarget(2), 2u);
    EXPECT_EQ(TraceLogSetComponent(7), 7u);
    EXPECT_EQ(TraceLogEnableTimestamps(0), 0u);
}

} // namespace
