// The extended configuration through the stand-in host library against a running
// vantro-sim: every group is written with all its fields and read back, then written again
// with one field selected to show the controller keeps the others; blobs, logs, the login
// list and actions travel the same way.
#include "racext_groups.h"
#include "racipmi_ops.h"
#include "sim_process.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<u8>;

std::string hex(const Bytes& b) {
    static const char d[] = "0123456789abcdef";
    std::string s;
    for (u8 x : b) s += {d[x >> 4], d[x & 15]};
    return s;
}

std::string param(u8 token, u8 index, const Bytes& data) {
    Bytes p{static_cast<u8>(data.size() + 5), static_cast<u8>((data.size() + 5) >> 8), 1, 0xFF, 0xFF};
    p.insert(p.end(), data.begin(), data.end());
    return "extcfg " + std::to_string(token) + " " + std::to_string(index) + " " + hex(p) + "\n";
}

size_t fieldBytes(const RacField& f) { return f.width ? f.width : 1u + f.capacity; }

// A record with every field set (seed varies the values), and the record a read gives back
// after writing it with all fields selected: fields that never travel stay zero.
void fill(const RacGroup& g, int seed, Bytes& rec, Bytes& expect) {
    rec.assign(g.recordSize, 0);
    expect.assign(g.recordSize, 0);
    if (g.fields == nullptr) {
        for (size_t i = 0; i < g.wireSize; ++i) rec[i] = expect[i] = static_cast<u8>(0x9B + seed + i);
        for (size_t i = g.wireSize; i < g.recordSize; ++i) rec[i] = 0x55; // never sent
        return;
    }
    size_t ro = 0;
    for (u8 i = 0; i < g.fieldCount; ++i) {
        const RacField& f = g.fields[i];
        if (f.width) {
            for (u8 k = 0; k < f.width; ++k) rec[ro + k] = static_cast<u8>(0xA0 + seed + i * 3 + k);
        } else {
            size_t len = f.capacity <= 40 ? f.capacity : std::min<size_t>(f.capacity, 200 - seed);
            rec[ro] = static_cast<u8>(len);
            for (size_t k = 0; k < len; ++k) rec[ro + 1 + k] = static_cast<u8>('a' + (seed + i + k) % 26);
        }
        bool travels = (f.flags & (kRacNotOnWire | kRacNeverWritten | kRacSkipOnRead)) == 0;
        if (travels) std::memcpy(&expect[ro], &rec[ro], fieldBytes(f));
        if (travels && (f.flags & kRacLengthOnly)) std::memset(&expect[ro + 1], 0, f.capacity);
        ro += fieldBytes(f);
    }
}

// The record offset of field n.
size_t offsetOf(const RacGroup& g, u8 n) {
    size_t ro = 0;
    for (u8 i = 0; i < n; ++i) ro += fieldBytes(g.fields[i]);
    return ro;
}

class RacExtSim : public ::testing::Test {
protected:
    void start(const std::string& state) {
        vtest::writeFile(dir.file("state.txt"), state);
        sim.reset(new vtest::BackgroundProcess(vtest::simIpmiArgs(VANTRO_SIM_BIN, dir.file("state.txt")),
                                               "ipmi port "));
        ASSERT_GT(sim->port(), 0) << sim->output();
        setenv("VANTRO_BMC", ("127.0.0.1:" + std::to_string(sim->port())).c_str(), 1);
        vexaSetLibraryName((std::string(VANTRO_LIB_DIR) + "/libhstipm32.so").c_str());
        ASSERT_EQ(RacIpmiInit(&r, nullptr), 0u);
        ASSERT_NE(r.getRacStatus, nullptr) << "the stand-in host library did not load";
    }
    void TearDown() override {
        RacIpmiUninit(&r);
        vexaSetLibraryName(nullptr);
        sim.reset();
        unsetenv("VANTRO_BMC");
    }
    vtest::TempDir dir;
    std::unique_ptr<vtest::BackgroundProcess> sim;
    RacIpmi r{};
};

TEST_F(RacExtSim, EveryGroupRoundTripsAndKeepsUnselectedFields) {
    const RacGroup& info = kRacGroup_RacInfo;
    const RacGroup& post = kRacGroup_RacPostResult;
    Bytes infoRec, infoExpect, postRec, postExpect, wire(4096);
    fill(info, 0, infoRec, infoExpect); // the loop below reads index 0 with seed 0
    fill(post, 0, postRec, postExpect);
    u16 infoLen = 0, postLen = 0;
    ASSERT_EQ(racPackGroup(info, infoRec.data(), 0xFFFF, wire.data(), &infoLen), 0u);
    std::string state = param(15, 0, Bytes(wire.begin(), wire.begin() + infoLen));
    ASSERT_EQ(racPackGroup(post, postRec.data(), 0xFFFF, wire.data(), &postLen), 0u);
    state += param(240, 0, Bytes(wire.begin(), wire.begin() + postLen));
    start(state);

    size_t count = 0;
    const RacGroup* const* all = racAllGroups(&count);
    for (size_t n = 0; n < count; ++n) {
        const RacGroup& g = *all[n];
        for (u8 index : {g.firstIndex, g.lastIndex}) {
            SCOPED_TRACE(std::string(g.name) + " index " + std::to_string(index));
            Bytes rec, expect, back(g.recordSize, 0xEE);
            fill(g, static_cast<int>(index % 7), rec, expect);
            if ((g.flags & kRacReadOnly) == 0) {
                ASSERT_EQ(racGroupWrite(&r, g, g.name, index, 0xFFFF, rec.data()), 0u);
            }
            ASSERT_EQ(racGroupRead(&r, g, g.name, index, back.data()), 0u);
            EXPECT_EQ(hex(back), hex(expect));
            if (g.fields == nullptr || (g.flags & kRacReadOnly) || g.fieldCount < 2) continue;

            // Select one field that travels; the controller must keep every other one.
            u8 pick = static_cast<u8>(g.fieldCount - 1);
            while (g.fields[pick].flags & (kRacNotOnWire | kRacNeverWritten | kRacSkipOnRead | kRacLengthOnly))
                --pick;
            Bytes rec2, expect2;
            fill(g, 11, rec2, expect2);
            size_t at = offsetOf(g, pick), width = fieldBytes(g.fields[pick]);
            std::memcpy(&expect[at], &expect2[at], width);
            ASSERT_EQ(racGroupWrite(&r, g, g.name, index, static_cast<u16>(1u << pick), rec2.data()), 0u);
            ASSERT_EQ(racGroupRead(&r, g, g.name, index, back.data()), 0u);
            EXPECT_EQ(hex(back), hex(expect)) << "field " << int(pick) << " alone was selected";
        }
    }
}

TEST_F(RacExtSim, BlobsLogsLoginsAndActions) {
    std::string log = "first line\nsecond line\nthird\n";
    Bytes logins{2, 1, 0, 0, 0, 2, 0, 0, 0, 3, 4, 'r', 'o', 'o', 't'};
    start(param(21, 1, Bytes(log.begin(), log.end())) + param(23, 0, logins) +
          param(241, 0, Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));

    std::unique_ptr<RacBlob> cert(new RacBlob()), back(new RacBlob());
    cert->length = 3000; // many write pieces and read chunks
    for (int i = 0; i < cert->length; ++i) cert->data[i] = static_cast<u8>(i * 7);
    ASSERT_EQ(setRacServerCert(&r, cert.get()), 0u);
    ASSERT_EQ(getRacServerCert(&r, back.get()), 0u);
    ASSERT_EQ(back->length, 3000);
    EXPECT_EQ(std::memcmp(back->data, cert->data, 3000), 0);
    EXPECT_EQ(back->data[3000], 0);
    cert->userIndex = back->userIndex = 16;
    cert->length = 10;
    ASSERT_EQ(setRacUserCaCert(&r, cert.get()), 0u);
    ASSERT_EQ(getRacUserCaCertView(&r, back.get()), 0u);
    EXPECT_EQ(back->length, 10);

    u16 n = 0;
    char line[RAC_LOG_LINE_SIZE];
    ASSERT_EQ(getRaclogRecordCount(&r, &n), 0u);
    EXPECT_EQ(n, 3);
    ASSERT_EQ(getRaclogRecord(&r, 2, line), 0u);
    EXPECT_STREQ(line, "second line\n");
    EXPECT_EQ(getRaclogRecord(&r, 4, line), RACIPMI_INVALID_INPUT_PARAM);
    ASSERT_EQ(racClearRaclog(&r), 0u); // the controller empties its log
    ASSERT_EQ(getRaclogRecordCount(&r, &n), 0u);
    EXPECT_EQ(n, 0);

    u16 count = 0;
    RacSessionEntry entries[RAC_MAX_SESSIONS];
    ASSERT_EQ(getRacSessionInfo(&r, &count, entries), 0u);
    ASSERT_EQ(count, 1);
    EXPECT_STREQ(entries[0].name, "root");

    u8 status[16];
    ASSERT_EQ(getRacFwUpdateStatus(&r, status), 0u);
    EXPECT_EQ(status[15], 16);
    EXPECT_EQ(racHardReset(&r), 0u);
    EXPECT_EQ(racTestEmailAlert(&r, 4), 0u);
}

} // namespace
