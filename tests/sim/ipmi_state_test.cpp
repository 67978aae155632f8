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
