// System information: the block layouts of the string parameters (reads and writes), the
// text converters, the summary record, and the device, chassis and watchdog reads.
#include "family_fixture.h"

#include <cstring>
#include <string>

namespace {

using System = Family;

// Parameter p as a standard string: block 0 = selector, encoding, length, 14 bytes; then
// blocks of selector and 16 bytes.
void storeString(FakeBmc& bmc, u8 p, u8 encoding, u8 statedLen, const std::string& text) {
    Bytes block0{0, encoding, statedLen};
    for (size_t i = 0; i < 14; ++i) block0.push_back(i < text.size() ? static_cast<u8>(text[i]) : 0);
    bmc.sysInfo[{p, 0, 0}] = block0;
    for (u8 b = 1; b < 20; ++b) {
        Bytes blk{b};
        for (size_t i = 0; i < 16; ++i) {
            size_t at = 14 + (b - 1) * 16u + i;
            blk.push_back(at < text.size() ? static_cast<u8>(text[at]) : 0);
        }
        bmc.sysInfo[{p, b, 0}] = blk;
    }
}

TEST_F(System, StringParameterBlockCounts) {
    const std::pair<u8, int> cases[] = {{0, 1}, {14, 1}, {15, 2}, {30, 2}, {31, 3}, {254, 16}, {255, 16}};
    for (auto [len, reads] : cases) {
        storeString(bmc, 1, 0, len, std::string(255, 'v'));
        bmc.calls.clear();
        u8 rec[256];
        EXPECT_EQ(getSysInfoParamType1(r.pPrivateData, 1, rec), 0u);
        EXPECT_EQ(bmc.calls["GetSysInfo"], reads) << +len;
        EXPECT_EQ(rec[1], len);
        u32 enc = 9;
        char text[256];
        EXPECT_EQ(getBiosVersion(&r, &enc, text), 0u);
        EXPECT_EQ(enc, 0u);
        EXPECT_EQ(std::string(text), std::string(len < 254 ? len : 254, 'v')) << +len;
    }
}

TEST_F(System, TextParametersAndTheirFailures) {
    storeString(bmc, 2, 0x01, 5, "host1");
    storeString(bmc, 4, 0x00, 5, "Linux");
    u32 enc = 0;
    char text[256];
    EXPECT_EQ(getHostname(&r, &enc, text), 0u);
    EXPECT_EQ(enc, 1u);
    EXPECT_EQ(static_cast<u8>(text[0]), 5); // encoding 1: the record from its length byte
    EXPECT_EQ(std::string(text + 1, 5), "host1");
    EXPECT_EQ(getOsName(&r, &enc, text), 0u);
    EXPECT_STREQ(text, "Linux");
    EXPECT_EQ(getBiosVersion(&r, &enc, text), RACIPMI_CMD_FAILED); // parameter 1 not there
    EXPECT_EQ(getOsName(&r, nullptr, text), RACIPMI_INVALID_INPUT_PARAM);
}

TEST_F(System, SetSysInfoBlockLengths) {
    struct Case {
        size_t chars;
        std::vector<size_t> lengths;
    } cases[] = {{0, {7}}, {11, {18}}, {12, {18, 3}}, {27, {18, 18}}, {28, {18, 18, 3}}, {251, std::vector<size_t>(16, 18)}, {252, {}}};
    cases[6].lengths = std::vector<size_t>(16, 18);
    cases[6].lengths.push_back(3);
    for (const Case& c : cases) {
        bmc.writes.clear();
        std::string text(c.chars, 'a');
        for (size_t i = 0; i < c.chars; ++i) text[i] = static_cast<char>('a' + i % 26);
        EXPECT_EQ(setSysInfo(r.pPrivateData, 240, 2, text.c_str()), 0u);
        auto ws = writesOf("sysinfo");
        std::vector<size_t> lengths;
        for (const auto& w : ws) lengths.push_back(w.data.size());
        EXPECT_EQ(lengths, c.lengths) << c.chars;
        for (size_t b = 0; b < ws.size(); ++b) {
            EXPECT_EQ(ws[b].parameter, 240);
            EXPECT_EQ(ws[b].data[0], b);
            EXPECT_EQ(ws[b].data[1], 2);
        }
        EXPECT_EQ(ws[0].data[3], c.chars + 3);
    }
    const Bytes twelve0{0, 2, 0, 15, 0, 0, 0, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k'};
    bmc.writes.clear();
    setSysInfo(r.pPrivateData, 240, 2, "abcdefghijkl");
    EXPECT_EQ(writesOf("sysinfo").at(0).data, twelve0);
    EXPECT_EQ(writesOf("sysinfo").at(1).data, (Bytes{1, 2, 'l'}));

    bmc.writes.clear();
    EXPECT_EQ(setSysInfo(r.pPrivateData, 240, 2, std::string(253, 'x').c_str()), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(setSysInfo(r.pPrivateData, 240, 2, nullptr), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_TRUE(bmc.writes.empty());
    bmc.failStatus["SetSysInfo"] = 0x10C1;
    bmc.passFirst["SetSysInfo"] = bmc.calls["SetSysInfo"] + 1;
    EXPECT_EQ(setSysInfo(r.pPrivateData, 240, 2, std::string(30, 'x').c_str()), RACIPMI_CMD_FAILED);
    EXPECT_EQ(writesOf("sysinfo").size(), 2u); // stopped at the failed second block
}

TEST_F(System, ItemSelectedTextsReadBackWhatWasWritten) {
    for (size_t n : {0, 5, 11, 12, 27, 28, 100, 252}) {
        std::string text(n, 'z');
        for (size_t i = 0; i < n; ++i) text[i] = static_cast<char>('A' + i % 26);
        ASSERT_EQ(setSysInfo(r.pPrivateData, 240, 3, text.c_str()), 0u);
        u8 out[256];
        bmc.calls.clear();
        EXPECT_EQ(getSysInfoParamType3(r.pPrivateData, 240, 3, out), 0u);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), text) << n;
        EXPECT_EQ(bmc.calls["GetSysInfo"], n <= 11 ? 1 : 1 + static_cast<int>((n - 11 + 15) / 16)) << n;
    }
    // A stated length of 3 (an empty text) or below it: one read, an empty result.
    for (u8 lengthByte : {3, 2, 0}) {
        bmc.sysInfo[{240, 0, 4}] = {0, 4, 0, lengthByte, 0, 0, 0, 'q', 'q'};
        u8 out[256];
        out[0] = 'x';
        bmc.calls.clear();
        EXPECT_EQ(getSysInfoParamType3(r.pPrivateData, 240, 4, out), 0u);
        EXPECT_EQ(out[0], 0);
        EXPECT_EQ(bmc.calls["GetSysInfo"], 1);
    }
}

TEST_F(System, CopyString) {
    const u8 src[256] = {3, 'a', 'b', 'c', 'd'};
    char dest[256];
    EXPECT_EQ(copyString(dest, 0, src), 0u);
    EXPECT_STREQ(dest, "abc");
    EXPECT_EQ(copyString(dest, 1, src), 0u);
    EXPECT_EQ(dest[0], 3);
    EXPECT_EQ(std::string(dest + 1, 4), "abcd");
    u8 full[255];
    std::memset(full, 'w', sizeof full);
    full[0] = 255; // more than a text record holds: 254 characters and a terminator
    EXPECT_EQ(copyString(dest, 0, full), 0u);
    EXPECT_EQ(std::strlen(dest), 254u);
    EXPECT_EQ(copyString(nullptr, 0, src), RACIPMI_INVALID_INPUT_PARAM);
}

TEST_F(System, DecodeString) {
    struct Case {
        u8 typeLength;
        Bytes data;
        std::string expect;
    } cases[] = {
        {0x83, {0xA1, 0x38, 0x92}, "ABCD"},
        {0xC3, {'a', 'b', 'c'}, "abc"},
        {0x03, {'x', 'y', 'z'}, "xyz"},
        {0x81, {0x21}, "A"},       // 6-bit, one byte: one whole character
        {0x82, {0xA1, 0x08}, "AB"}, // two bytes: two
        {0x42, {0x21, 0xCA}, "12 ."},
        {0x41, {0xFB}, "-?"},
        {0xC0, {'n'}, ""},
    };
    for (const Case& c : cases) {
        char out[64];
        std::memset(out, 'x', sizeof out);
        EXPECT_EQ(decodeString(c.typeLength, c.data.data(), out), 0u);
        EXPECT_EQ(std::string(out), c.expect) << std::hex << +c.typeLength;
    }
    // Fields that would decode past 63 characters stop there.
    u8 src[63];
    std::memset(src, 0x5A, sizeof src);
    for (u8 tl : {0xBF, 0x7F, 0xFF}) {
        char out[64];
        EXPECT_EQ(decodeString(tl, src, out), 0u);
        EXPECT_EQ(std::strlen(out), 63u) << std::hex << +tl;
    }
    char out[64];
    EXPECT_EQ(decodeString(0xC1, nullptr, out), RACIPMI_INVALID_INPUT_PARAM);
}

TEST_F(System, SummaryRecord) {
    // Product area: version, length 2 (16 bytes), language, manufacturer "Vantro".
    bmc.fruProduct = {0x01, 0x02, 0x00, 0xC6, 'V', 'a', 'n', 't', 'r', 'o', 0xC1, 0, 0, 0, 0, 0};
    storeString(bmc, 209, 0, 8, "svc-tag1");
    bmc.sysInfo[{197, 0, 0}] = {7, 'A', 'B', 'C', 'D', 'E', 'F', 'G'};
    RacSysInfo info;
    std::memset(&info, 0x55, sizeof info);
    EXPECT_EQ(getSysInfo(&r, &info), 0u);
    EXPECT_STREQ(info.productField, "Vantro");
    EXPECT_EQ(info.sysInfo209Encoding, 0);
    EXPECT_STREQ(info.sysInfo209Text, "svc-tag1");
    EXPECT_EQ(std::string(info.sysInfo197Text, 7), "ABCDEFG");

    // A count above seven still fills seven; a zero byte ends the text early.
    bmc.sysInfo[{197, 0, 0}] = {9, 'x', 'y', 0, 'z', 'z', 'z', 'z'};
    bmc.fruProduct.clear(); // no product area: the field stays empty
    EXPECT_EQ(getSysInfo(&r, &info), 0u);
    EXPECT_EQ(info.productField[0], 0);
    EXPECT_EQ(std::string(info.sysInfo197Text, 7), std::string("xy\0\0\0\0\0", 7));

    // A field longer than its area is cut at the area's end.
    bmc.fruProduct = {0x01, 0x01, 0x00, 0xFF, 'a', 'b', 'c', 'd'};
    EXPECT_EQ(getSysInfo(&r, &info), 0u);
    EXPECT_STREQ(info.productField, "abcd");

    bmc.sysInfo.erase({209, 0, 0}); // the first failure ends it, fields before it stay
    EXPECT_EQ(getSysInfo(&r, &info), RACIPMI_CMD_FAILED);
    EXPECT_STREQ(info.productField, "abcd");
    bmc.failStatus["ReadFRUData"] = 0x10CB;
    EXPECT_EQ(getSysInfo(&r, &info), RACIPMI_CMD_FAILED);
    EXPECT_EQ(getSysInfo(&r, nullptr), RACIPMI_INVALID_INPUT_PARAM);
}

TEST_F(System, DeviceChassisAndWatchdog) {
    RacBmcInfo id;
    static_assert(sizeof(RacBmcInfo) == 11, "11-byte device record");
    EXPECT_EQ(getBmcInfo(&r, &id), 0u);
    EXPECT_EQ(std::memcmp(&id, bmc.deviceId.data(), 11), 0);
    u32 chassis = 0;
    EXPECT_EQ(getChassisStatus(&r, &chassis), 0u);
    EXPECT_EQ(std::memcmp(&chassis, bmc.chassis.data(), 4), 0);
    u32 w0 = 0, w1 = 0;
    EXPECT_EQ(getWatchdogTimer(&r, &w0, &w1), 0u);
    EXPECT_EQ(std::memcmp(&w0, bmc.watchdog.data(), 4), 0);
    EXPECT_EQ(std::memcmp(&w1, bmc.watchdog.data() + 4, 4), 0);
    EXPECT_EQ(executeChassisCtrl(&r, 0x03), 0u);
    EXPECT_EQ(writesOf("chassis").at(0).data, Bytes{0x03});
    bmc.failStatus["ChassisControl"] = 0x10CC;
    EXPECT_EQ(executeChassisCtrl(&r, 0x03), RACIPMI_CMD_FAILED);
    bmc.failStatus["GetChassisStatus"] = 0x10C1;
    EXPECT_EQ(getChassisStatus(&r, &chassis), RACIPMI_CMD_FAILED);
    EXPECT_EQ(getBmcInfo(nullptr, &id), RACIPMI_INVALID_INPUT_PARAM);
}

} // namespace
