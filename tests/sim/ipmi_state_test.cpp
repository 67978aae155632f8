// The simulator's IPMI state file: round trip, defaults, and clear errors for bad lines.
#include "ipmi/ipmi_state.h"
#include "test_support.h"

#include <gtest/gtest.h>

using sim::IpmiState;

TEST(SimIpmiState, TextRoundTrip) {
    IpmiState s = IpmiState::defaults();
    s.adapterStatus = 130;
    s.channels = {{3, 4}, {6, 4}, {2, 5}};
    s.extcfg[{9, 2}] = {7, 0, 1, 0xFF, 0xFF, 0xA0, 0x00};
    s.sel.push_back(sim::Bytes(16, 0x11));
    s.sdr.push_back({1, 0, 0x51, 1, 2, 0xAA, 0xBB});
    s.failures[{0x04, 0x2D}] = 0xC3;
    s.silent.insert({0x06, 0x01});
    IpmiState back;
    std::string err;
    ASSERT_TRUE(sim::parseIpmiState(sim::formatIpmiState(s), back, err)) << err;
    EXPECT_EQ(back.adapterStatus, 130);
    EXPECT_EQ(back.channels, s.channels);
    EXPECT_EQ(back.extcfg, s.extcfg);
    EXPECT_EQ(back.sel, s.sel);
    EXPECT_EQ(back.sdr, s.sdr);
    EXPECT_EQ(back.failures, s.failures);
    EXPECT_EQ(back.silent, s.silent);
}

TEST(SimIpmiState, MissingFileGivesDefaultsAndSaveReplacesTheFile) {
    vtest::TempDir dir;
    IpmiState s;
    std::string err;
    ASSERT_TRUE(sim::loadIpmiState(dir.file("none.txt"), s, err));
    EXPECT_EQ(s.adapterStatus, 1);
    EXPECT_EQ(s.channels.size(), 2u);
    EXPECT_EQ(s.extcfg.count({26, 0}), 1u);
    s.adapterStatus = 2;
    ASSERT_TRUE(sim::saveIpmiState(dir.file("st.txt"), s, err)) << err;
    EXPECT_FALSE(vtest::fileExists(dir.file("st.txt.tmp")));
    IpmiState again;
    ASSERT_TRUE(sim::loadIpmiState(dir.file("st.txt"), again, err)) << err;
    EXPECT_EQ(again.adapterStatus, 2);
    EXPECT_FALSE(sim::saveIpmiState(dir.file("no/such/dir/st.txt"), s, err));
}

TEST(SimIpmiState, BadLinesNameTheLine) {
    const char* bad[] = {
        "adapter-status 256", "adapter-status", "channel 0 4", "channel 8 4", "extcfg 1 0 0600",
        "extcfg 1 0 06000100zz", "sel 00", "sdr 0100510102aa", "fail 4 0x2d 0", "silent 0x40 1",
        "colour blue", "channel 1 0x"};
    for (const char* line : bad) {
        IpmiState s;
        std::string err;
        EXPECT_FALSE(sim::parseIpmiState(std::string("# ok\n\n") + line + "\n", s, err)) << line;
        EXPECT_NE(err.find("line 3"), std::string::npos) << err;
    }
}

TEST(SimIpmiState, RecordBytesMayBeGroupedAndTheFixtureLoads) {
    IpmiState s;
    std::string err;
    ASSERT_TRUE(sim::parseIpmiState("sdr 01 00 51 01 02 aa bb  # a short record\n"
                                    "sel 0100 02 5adcdb47 20 00 04 01 01 01 59 5a 55\n",
                                    s, err))
        << err;
    EXPECT_EQ(s.sdr.at(0), (sim::Bytes{1, 0, 0x51, 1, 2, 0xAA, 0xBB}));
    EXPECT_EQ(s.sel.at(0).size(), 16u);
    EXPECT_EQ(s.sel.at(0)[3], 0x5A);
    EXPECT_FALSE(sim::parseIpmiState("sel 01 00 0\n", s, err)) << "an odd digit count";
    EXPECT_FALSE(sim::parseIpmiState("sdr 01 00 51 01 03 aa bb\n", s, err)) << "length byte disagrees";

    IpmiState fixture;
    ASSERT_TRUE(sim::loadIpmiState(std::string(VANTRO_SOURCE_DIR) + "/tests/fixtures/ipmi_sel_sdr.txt", fixture, err))
        << err;
    EXPECT_EQ(fixture.sdr.size(), 6u);
    EXPECT_EQ(fixture.sel.size(), 7u);
}
