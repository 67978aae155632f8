// The extended-configuration family against the scripted host: packing by field mask and
// its exceptions, unpacking with over-long lengths, index ranges, caches per index, the
// readiness gate, the virtual-media result rule, logs, the login list, blobs and actions.
#include "fake_host.h"
#include "racext_groups.h"
#include "racipmi_ops.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<u8>;

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes str(const std::string& s) { // wire form of a string
    Bytes b{static_cast<u8>(s.size())};
    b.insert(b.end(), s.begin(), s.end());
    return b;
}
Bytes zeros(size_t n) { return Bytes(n, 0); }

// Record form of a string field at a record offset.
void putStr(u8* rec, size_t at, const std::string& s) {
    rec[at] = static_cast<u8>(s.size());
    std::memcpy(rec + at + 1, s.data(), s.size());
}

unsigned notReady(RacIpmi*, u32* word) {
    *word = 0x07; // detected and IPMI ready, not ready for configuration
    return 0;
}

class RacExt : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RacIpmiInit(&r, nullptr), 0u); }
    void TearDown() override {
        RacIpmiUninit(&r);
        EXPECT_EQ(fake.host.outstanding, 0) << "a host buffer was not freed";
    }
    Bytes sentData() const { return Bytes(fake.host.lastSet.begin() + 5, fake.host.lastSet.end()); }
    u16 sentMask() const { return static_cast<u16>(fake.host.lastSet[3] | fake.host.lastSet[4] << 8); }
    size_t headerReads() const {
        size_t n = 0;
        for (auto& q : fake.host.extReads) n += q.first == 0;
        return n;
    }
    FakeHostScope fake;
    RacIpmi r{};
};

// ---- Writes: what goes on the wire for a record and a mask ----

struct WriteCase {
    const char* name;
    std::function<unsigned(RacIpmi*)> call;
    unsigned status;
    u8 token, index;
    u16 mask;
    Bytes data; // ignored when nothing may be sent
};

TEST_F(RacExt, WritesPackTheSelectedFieldsOnly) {
    auto ipsec = std::make_shared<RacIPSecGroup>();
    auto snmp = std::make_shared<RacSnmpGroup>();
    auto ipv6 = std::make_shared<RacIpv6Group>();
    auto nic = std::make_shared<RacNicLinkSetGroup>();
    auto ext = std::make_shared<RacIPv6ExtGroup>();
    auto ad = std::make_shared<RacAdCfg>();
    auto power = std::make_shared<RacPowerGroup>();
    std::memset(ipsec.get(), 0, sizeof *ipsec);
    putStr(ipsec->bytes, 0, std::string(21, 'k')); // one over the capacity of s20
    snmp->bytes[0] = 7;
    putStr(snmp->bytes, 1, "public");
    putStr(snmp->bytes, 34, "x");
    for (size_t i = 0; i < sizeof ipv6->bytes; ++i) ipv6->bytes[i] = static_cast<u8>(i + 1);
    for (size_t i = 0; i < sizeof nic->bytes; ++i) nic->bytes[i] = static_cast<u8>(0x10 + i);
    std::memset(ext.get(), 0, sizeof *ext);
    ext->bytes[0] = 1;
    putStr(ext->bytes, 1, "a");
    putStr(ext->bytes, 42, "b");
    ext->bytes[83] = 2;
    ext->bytes[84] = 3;
    putStr(ext->bytes, 85, "never");  // field 5
    putStr(ext->bytes, 126, "never"); // field 6
    ext->bytes[167] = 4;
    putStr(ext->bytes, 168, "c");
    putStr(ext->bytes, 209, "d");
    ext->bytes[250] = 5;
    std::memset(ad.get(), 0, sizeof *ad);
    ad->bytes[0] = 9;
    ad->bytes[1] = 0x44;
    putStr(ad->bytes, 5, "pwd"); // field 2 travels as its length only
    putStr(ad->bytes, 262, "u");
    putStr(ad->bytes, 519, "v");
    ad->bytes[776] = 6;
    ad->bytes[777] = ad->bytes[778] = ad->bytes[779] = 0xEE; // reserved, never sent
    for (int k = 0; k < 6; ++k) putStr(ad->bytes, 780 + 257 * k, std::string(1, static_cast<char>('A' + k)));
    ad->bytes[2322] = 8;
    std::memset(power.get(), 0x33, sizeof *power); // fields 0-6 are never written
    for (int k = 0; k < 6; ++k) putStr(power->bytes, 1 + 33 * k, "zz");
    power->bytes[199] = 0x77;
    putStr(power->bytes, 200, "p");
    putStr(power->bytes, 233, "q");
    putStr(power->bytes, 266, "r");
    Bytes ipv6Bytes(ipv6->bytes, ipv6->bytes + 49);

    const WriteCase cases[] = {
        {"IPSecOverlongSelectedString", [=](RacIpmi* p) { return setRacIPSecGroup(p, 1, 0x0001, ipsec.get()); },
         RACIPMI_INVALID_BUF_LEN, 0, 0, 0, {}},
        {"IPSecMaskZero", [=](RacIpmi* p) { return setRacIPSecGroup(p, 1, 0, ipsec.get()); }, 0, 33, 1, 0,
         zeros(23)},
        {"SnmpMaskTwo", [=](RacIpmi* p) { return setRacSnmpGroup(p, 2, snmp.get()); }, 0, 5, 0, 2,
         concat({{0}, str("public"), {0}})},
        {"SnmpUnselectedOverlongIgnored",
         [=](RacIpmi* p) {
             RacSnmpGroup s = *snmp;
             s.bytes[34] = 200;
             return setRacSnmpGroup(p, 1, &s);
         },
         0, 5, 0, 1, {7, 0, 0}},
        {"Ipv6OpaqueLowMaskByte", [=](RacIpmi* p) { return setRacIpv6Group(p, 0x1234, ipv6.get()); }, 0, 1, 0,
         0x34, ipv6Bytes},
        {"NicLinkSetSendsSix", [=](RacIpmi* p) { return setRacNicLinkSetGroup(p, 3, nic.get()); }, 0, 2, 0, 3,
         {0x10, 0x11, 0x12, 0x13, 0x14, 0x15}},
        {"IPv6ExtFieldsFiveSixEmpty", [=](RacIpmi* p) { return setRacIPv6ExtGroup(p, 0xFFFF, ext.get()); }, 0,
         32, 0, 0xFFFF, concat({{1}, str("a"), str("b"), {2, 3}, {0}, {0}, {4}, str("c"), str("d"), {5}})},
        {"AdLengthOnlyAndReserved", [=](RacIpmi* p) { return setRacAdCfg(p, 0xFFFF, ad.get()); }, 0, 7, 0, 0xFFFF,
         concat({{9, 0x44, 0, 0, 0}, {3, 0, 0, 0}, str("u"), str("v"), {6}, str("A"), str("B"), str("C"),
                 str("D"), str("E"), str("F"), {8}})},
        {"PowerWritesSevenToTen", [=](RacIpmi* p) { return setRacPowerGroup(p, 0xFFFF, power.get()); }, 0, 38,
         0, 0xFFFF, concat({{0}, zeros(6), {0x77}, str("p"), str("q"), str("r")})},
        {"PostConfigDisableSendsByteZeroTwice",
         [](RacIpmi* p) {
             RacConfigDisable d{{1, 0}};
             return RacSetRacPostConfigDisable(p, 1, &d);
         },
         0, 29, 0, 1, {1, 1}},
        {"LocalConfigDisableSendsByteOneTwice",
         [](RacIpmi* p) {
             RacConfigDisable d{{0, 2}};
             return RacSetRacLocalConfigDisable(p, 2, &d);
         },
         0, 29, 0, 2, {2, 2}},
        {"UserPrivilegeIndexZeroMaskOne", [](RacIpmi* p) { return setRacUserPriv(p, 0, 0x01020304); }, 0, 4, 0,
         1, {4, 3, 2, 1}},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        fake.host.extSetCalls = 0;
        fake.host.lastSet.clear();
        EXPECT_EQ(c.call(&r), c.status);
        if (c.status != 0) {
            EXPECT_EQ(fake.host.extSetCalls, 0) << "nothing may be sent";
            continue;
        }
        ASSERT_EQ(fake.host.extSetCalls, 1);
        EXPECT_EQ(fake.host.lastSetToken, c.token);
        EXPECT_EQ(fake.host.lastSetIndex, c.index);
        EXPECT_EQ(fake.host.lastSet[2], 1);
        EXPECT_EQ(sentMask(), c.mask);
        EXPECT_EQ(sentData(), c.data);
    }
}

// ---- Reads: wire form to record ----

TEST_F(RacExt, ReadsUnpackIntoTheRecordAndRefuseOverlongLengths) {
    // Directory services: field 2's characters are skipped, the reserved bytes stay zero.
    fake.host.setParam(7, 0, concat({{9, 1, 2, 3, 4}, str("xyz"), str("u"), str("v"), {6}, str("A"), str("B"),
                                     str("C"), str("D"), str("E"), str("F"), {8}}));
    RacAdCfg ad;
    std::memset(&ad, 0xEE, sizeof ad);
    ASSERT_EQ(getRacAdCfg(&r, &ad), 0u);
    EXPECT_EQ(ad.bytes[0], 9);
    EXPECT_EQ(ad.bytes[5], 3);
    EXPECT_EQ(Bytes(ad.bytes + 6, ad.bytes + 262), zeros(256));
    EXPECT_EQ(ad.bytes[262], 1);
    EXPECT_EQ(ad.bytes[263], 'u');
    EXPECT_EQ(ad.bytes[776], 6);
    EXPECT_EQ(Bytes(ad.bytes + 777, ad.bytes + 780), zeros(3));
    EXPECT_EQ(ad.bytes[780], 1);
    EXPECT_EQ(ad.bytes[781], 'A');
    EXPECT_EQ(ad.bytes[2322], 8);

    // Power: the wire byte of field 7 is consumed and left zero.
    fake.host.setParam(38, 0, concat({{5}, str("a"), {0}, {0}, {0}, {0}, {0}, {0x77}, str("p"), str("q"), str("r")}));
    RacPowerGroup power;
    ASSERT_EQ(getRacPowerGroup(&r, &power), 0u);
    EXPECT_EQ(power.bytes[0], 5);
    EXPECT_EQ(power.bytes[2], 'a');
    EXPECT_EQ(power.bytes[199], 0);
    EXPECT_EQ(power.bytes[200], 1);
    EXPECT_EQ(power.bytes[201], 'p');
    EXPECT_EQ(power.bytes[267], 'r');

    // Opaque groups fill the whole record; what the controller did not send is zero.
    fake.host.setParam(2, 0, {1, 2, 3, 4, 5, 6});
    RacNicLinkSetGroup nic;
    std::memset(&nic, 0xEE, sizeof nic);
    ASSERT_EQ(getRacNicLinkSetGroup(&r, &nic), 0u);
    EXPECT_EQ(Bytes(nic.bytes, nic.bytes + 8), (Bytes{1, 2, 3, 4, 5, 6, 0, 0}));
    fake.host.setParam(10, 0, {9, 8, 7, 6, 5, 4, 3, 2, 1});
    RacSshCfg ssh;
    std::memset(&ssh, 0xEE, sizeof ssh);
    ASSERT_EQ(getRacSshCfg(&r, &ssh), 0u);
    EXPECT_EQ(Bytes(ssh.bytes, ssh.bytes + 12), (Bytes{9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0}));

    // A short parameter leaves the missing fields zero or empty.
    fake.host.setParam(5, 0, {5});
    RacSnmpGroup snmp;
    std::memset(&snmp, 0xEE, sizeof snmp);
    ASSERT_EQ(getRacSnmpGroup(&r, &snmp), 0u);
    EXPECT_EQ(Bytes(snmp.bytes, snmp.bytes + 67), concat({{5}, zeros(66)}));
}

TEST_F(RacExt, AnOverlongLengthFromTheControllerIsRefusedAndNotCached) {
    fake.host.setParam(34, 2, concat({str("ok"), {41}, Bytes(41, 'z'), zeros(7)})); // s40 claims 41
    RacIkeGroup ike;
    std::memset(&ike, 0xEE, sizeof ike);
    EXPECT_EQ(getRacIkeGroup(&r, 2, &ike), RACIPMI_INVALID_BUF_LEN);
    EXPECT_EQ(ike.bytes[0], 0xEE) << "the caller's record is untouched";
    fake.host.setParam(34, 2, concat({str("ok"), str("fine"), zeros(7)}));
    EXPECT_EQ(getRacIkeGroup(&r, 2, &ike), 0u);
    EXPECT_EQ(ike.bytes[0], 2);
    EXPECT_EQ(ike.bytes[22], 'f');
    EXPECT_EQ(headerReads(), 2u) << "the refused read was not cached";
}

// ---- Index ranges ----

TEST_F(RacExt, IndexesOutsideTheirRangeAreRefusedBeforeAnyHostCall) {
    RacIkeGroup ike;
    RacIPSecGroup ipsec;
    RacEmailAlertCfg mail;
    RacSsadCfg ssad;
    RacUdCfg ud;
    u8 priv[4];
    struct Case {
        const char* name;
        std::function<unsigned()> call;
    } cases[] = {
        {"Ike0", [&] { return getRacIkeGroup(&r, 0, &ike); }},
        {"Ike5", [&] { return getRacIkeGroup(&r, 5, &ike); }},
        {"SetIke5", [&] { return setRacIkeGroup(&r, 5, 1, &ike); }},
        {"IPSec0", [&] { return getRacIPSecGroup(&r, 0, &ipsec); }},
        {"IPSec17", [&] { return setRacIPSecGroup(&r, 17, 0, &ipsec); }},
        {"Email0", [&] { return getRacEmailAlertCfg(&r, 0, &mail); }},
        {"Email5", [&] { return getRacEmailAlertCfg(&r, 5, &mail); }},
        {"Ssad6", [&] { return getRacSsadCfg(&r, 6, &ssad); }},
        {"Ud0", [&] { return getRacUdCfg(&r, 0, &ud); }},
        {"Ud41", [&] { return getRacUdCfg(&r, 41, &ud); }},
        {"UserPriv17", [&] { return getRacUserPriv(&r, 17, priv); }},
        {"SetUserPriv17", [&] { return setRacUserPriv(&r, 17, 1); }},
        {"NullRecord", [&] { return getRacIkeGroup(&r, 1, nullptr); }},
        {"NullInterface", [&] { return getRacIkeGroup(nullptr, 1, &ike); }},
        {"EmailTest0", [&] { return racTestEmailAlert(&r, 0); }},
        {"EmailTest5", [&] { return racTestEmailAlert(&r, 5); }},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.host.sensorCalls = 0;
        EXPECT_EQ(c.call(), RACIPMI_INVALID_INPUT_PARAM);
        EXPECT_EQ(fake.host.sensorCalls, 0);
    }
    EXPECT_TRUE(fake.host.extReads.empty());
    EXPECT_EQ(fake.host.extSetCalls, 0);
    fake.host.setParam(34, 4, concat({str(""), str(""), zeros(7)}));
    EXPECT_EQ(getRacIkeGroup(&r, 4, &ike), 0u);
    fake.host.setParam(4, 0, {1, 0, 0, 0});
    EXPECT_EQ(getRacUserPriv(&r, 0, priv), 0u);
    EXPECT_EQ(priv[0], 1);
}

// ---- Caches ----

TEST_F(RacExt, CachedCopiesEmptyOnlyOnASuccessfulWrite) {
    fake.host.setParam(10, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    RacSshCfg ssh;
    ASSERT_EQ(getRacSshCfg(&r, &ssh), 0u);
    ASSERT_EQ(getRacSshCfg(&r, &ssh), 0u);
    EXPECT_EQ(headerReads(), 1u) << "the second read comes from the cache";

    fake.host.setParam(10, 0, {9, 9, 9, 9, 9, 9, 9, 9, 9});
    fake.host.extSetStatus = 0x10C1;
    EXPECT_EQ(setRacSshCfg(&r, 1, &ssh), RACIPMI_CMD_FAILED);
    ASSERT_EQ(getRacSshCfg(&r, &ssh), 0u);
    EXPECT_EQ(headerReads(), 1u);
    EXPECT_EQ(ssh.bytes[0], 1) << "a failed write keeps the cached copy";

    fake.host.extSetStatus = 0;
    EXPECT_EQ(setRacSshCfg(&r, 1, &ssh), 0u);
    ASSERT_EQ(getRacSshCfg(&r, &ssh), 0u);
    EXPECT_EQ(headerReads(), 2u) << "a successful write empties the cache";
    EXPECT_EQ(ssh.bytes[0], 9);

    // A failed read leaves the cache as it was (here: empty, so the next read asks again).
    fake.host.ext.erase({12, 0});
    RacWebServerCfg web;
    EXPECT_EQ(getRacWebServerCfg(&r, &web), RACIPMI_CMD_FAILED);
    fake.host.setParam(12, 0, Bytes(11, 4));
    EXPECT_EQ(getRacWebServerCfg(&r, &web), 0u);
    EXPECT_EQ(web.bytes[10], 4);
}

TEST_F(RacExt, EachIndexAndEachSharedGroupHasOneCache) {
    fake.host.setParam(36, 1, str("one"));
    fake.host.setParam(36, 2, str("two"));
    RacUdCfg a, b;
    ASSERT_EQ(getRacUdCfg(&r, 1, &a), 0u);
    ASSERT_EQ(getRacUdCfg(&r, 2, &b), 0u);
    EXPECT_EQ(a.bytes[1], 'o');
    EXPECT_EQ(b.bytes[1], 't');
    EXPECT_EQ(setRacUdCfg(&r, 2, 1, &b), 0u); // empties index 2 only
    fake.host.extReads.clear();
    ASSERT_EQ(getRacUdCfg(&r, 1, &a), 0u);
    EXPECT_TRUE(fake.host.extReads.empty());
    ASSERT_EQ(getRacUdCfg(&r, 2, &b), 0u);
    EXPECT_EQ(headerReads(), 1u);

    // Console redirection answers to two pairs of names with one cache.
    fake.host.setParam(13, 0, Bytes(10, 3));
    RacCrCfg cr;
    ASSERT_EQ(getRacCrCfg(&r, &cr), 0u);
    fake.host.extReads.clear();
    ASSERT_EQ(RacGetRacPostConsRedDisable(&r, &cr), 0u);
    EXPECT_TRUE(fake.host.extReads.empty());
    EXPECT_EQ(RacSetRacPostConsRedDisable(&r, 1, &cr), 0u);
    ASSERT_EQ(getRacCrCfg(&r, &cr), 0u);
    EXPECT_EQ(headerReads(), 1u);

    // Both configuration-disable reads give the one cached record.
    fake.host.setParam(29, 0, {1, 2});
    RacConfigDisable post, local;
    ASSERT_EQ(RacGetRacPostConfigDisable(&r, &post), 0u);
    fake.host.extReads.clear();
    ASSERT_EQ(RacGetRacLocalConfigDisable(&r, &local), 0u);
    EXPECT_TRUE(fake.host.extReads.empty());
    EXPECT_EQ(Bytes(local.bytes, local.bytes + 2), (Bytes{1, 2}));

    // Privileges and the POST result are never cached.
    fake.host.setParam(4, 3, {7, 0, 0, 0});
    fake.host.setParam(240, 0, Bytes(251, 1));
    u8 priv[4];
    RacPostResult postResult;
    fake.host.extReads.clear();
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(getRacUserPriv(&r, 3, priv), 0u);
        ASSERT_EQ(getRacPostResult(&r, &postResult), 0u);
    }
    EXPECT_EQ(headerReads(), 4u);
}

TEST(RacExtInstances, EachInstanceHasItsOwnCaches) {
    FakeHostScope fake;
    RacIpmi a{}, b{};
    ASSERT_EQ(RacIpmiInit(&a, nullptr), 0u);
    ASSERT_EQ(RacIpmiInit(&b, nullptr), 0u);
    fake.host.setParam(25, 0, {1, 1, 1, 1, 1});
    RacTimeZoneGroup tz;
    ASSERT_EQ(getRacTimeZoneGroup(&a, &tz), 0u);
    fake.host.setParam(25, 0, {2, 2, 2, 2, 2});
    ASSERT_EQ(getRacTimeZoneGroup(&b, &tz), 0u);
    EXPECT_EQ(tz.bytes[0], 2);
    ASSERT_EQ(getRacTimeZoneGroup(&a, &tz), 0u);
    EXPECT_EQ(tz.bytes[0], 1);
    RacIpmiUninit(&a);
    RacIpmiUninit(&b);
}

// ---- Readiness gate and result rules ----

TEST_F(RacExt, TheReadinessGateStopsEverythingButItsExceptions) {
    r.getRacStatus = reinterpret_cast<RacIpmiOp>(&notReady);
    fake.host.setParam(15, 0, concat({str("fw"), str("info"), str(""), str(""), str("")}));
    fake.host.setParam(241, 0, Bytes(16, 5));
    RacSnmpGroup snmp{};
    RacBlob* blob = new RacBlob();
    u16 n = 0;
    u32 csr = 0;
    u16 sessions = 0;
    RacSessionEntry entries[RAC_MAX_SESSIONS];
    struct Case {
        const char* name;
        std::function<unsigned()> call;
    } gated[] = {
        {"GroupRead", [&] { return getRacSnmpGroup(&r, &snmp); }},
        {"GroupWrite", [&] { return setRacSnmpGroup(&r, 1, &snmp); }},
        {"Blob", [&] { return getRacServerCert(&r, blob); }},
        {"CsrStatus", [&] { return getRacCsrStatus(&r, &csr); }},
        {"Log", [&] { return getRaclogRecordCount(&r, &n); }},
        {"Logins", [&] { return getRacSessionInfo(&r, &sessions, entries); }},
        {"Action", [&] { return racSoftReset(&r); }},
    };
    for (auto& c : gated) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(), RACIPMI_RAC_NOT_READY);
    }
    EXPECT_TRUE(fake.host.extReads.empty());
    EXPECT_EQ(fake.host.extSetCalls, 0);

    RacInfo info;
    EXPECT_EQ(getRacInfo(&r, &info), 0u);
    EXPECT_EQ(info.bytes[33], 4);
    u8 st[16];
    EXPECT_EQ(getRacFwUpdateStatus(&r, st), 0u);
    EXPECT_EQ(racStartFwUpdatePhase2(&r), 0u);
    EXPECT_EQ(racResetVmkeySize(&r), 0u);
    EXPECT_EQ(fake.host.extSetCalls, 2);
    delete blob;
}

TEST_F(RacExt, ARefusedVirtualMediaWriteNamesTheCardOnlyForFieldFour) {
    RacVmCfg vm{};
    fake.host.extSetStatus = VEXA_STATUS_NOT_PRESENT;
    EXPECT_EQ(setRacVmCfg(&r, 0x0010, &vm), RACIPMI_SD_ABSENT_OR_WP);
    EXPECT_EQ(setRacVmCfg(&r, 0x0001, &vm), RACIPMI_CMD_FAILED);
    fake.host.extSetStatus = 0;
    r.getRacStatus = reinterpret_cast<RacIpmiOp>(&notReady);
    EXPECT_EQ(setRacVmCfg(&r, 0x0010, &vm), RACIPMI_RAC_NOT_READY);
    EXPECT_EQ(setRacVmCfg(&r, 0x0001, &vm), RACIPMI_CMD_FAILED);
    // Other groups keep the command layer's result.
    r.getRacStatus = reinterpret_cast<RacIpmiOp>(&getRacStatus);
    fake.host.extSetStatus = VEXA_STATUS_NOT_PRESENT;
    RacSnmpGroup snmp{};
    EXPECT_EQ(setRacSnmpGroup(&r, 0x10, &snmp), RACIPMI_CMD_FAILED);
}

TEST_F(RacExt, ANullURLDestinationIsNamedOnStandardOutput) {
    ::testing::internal::CaptureStdout();
    unsigned st = getRacIPv6URLGroup(&r, nullptr);
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(st, RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(out, "pRacIPv6URLGroup = NULL\n");
}

// ---- Controller logs ----

TEST_F(RacExt, LogLinesAreCountedOnceAndServedFromTheCache) {
    fake.host.setParam(21, 1, Bytes{'a', '\n', 'b', 'c', '\n', 'd'});
    fake.host.setParam(21, 3, Bytes{'t', '\n', '\n', 'x', '\n'}); // the empty line ends the log
    char line[RAC_LOG_LINE_SIZE];
    EXPECT_EQ(getRaclogRecord(&r, 0, line), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_TRUE(fake.host.extReads.empty());
    u16 n = 0;
    ASSERT_EQ(getRaclogRecordCount(&r, &n), 0u);
    EXPECT_EQ(n, 3);
    ASSERT_EQ(getRaclogRecord(&r, 2, line), 0u);
    EXPECT_STREQ(line, "bc\n");
    ASSERT_EQ(getRaclogRecord(&r, 3, line), 0u);
    EXPECT_STREQ(line, "d");
    EXPECT_EQ(getRaclogRecord(&r, 4, line), RACIPMI_INVALID_INPUT_PARAM);
    std::unique_ptr<RacLog> all(new RacLog);
    ASSERT_EQ(getRaclog(&r, all.get()), 0u);
    EXPECT_EQ(all->count, 3);
    EXPECT_STREQ(all->lines[0], "a\n");
    EXPECT_EQ(all->lines[3][0], 0);
    EXPECT_EQ(headerReads(), 1u) << "one load serves every later read";

    ASSERT_EQ(getRacTracelogRecordCount(&r, &n), 0u);
    EXPECT_EQ(n, 1);
    ASSERT_EQ(getRacTracelog(&r, all.get()), 0u);
    EXPECT_STREQ(all->lines[0], "t\n");

    // Clearing the controller log empties its cache, not the trace log's.
    fake.host.setParam(21, 1, Bytes{'n', '\n'});
    ASSERT_EQ(racClearRaclog(&r), 0u);
    EXPECT_EQ(fake.host.lastSet, (Bytes{6, 0, 1, 1, 0, 5}));
    fake.host.extReads.clear();
    ASSERT_EQ(getRaclogRecordCount(&r, &n), 0u);
    EXPECT_EQ(n, 1);
    ASSERT_EQ(getRacTracelogRecordCount(&r, &n), 0u);
    EXPECT_EQ(headerReads(), 1u);

    EXPECT_EQ(loadLogCache(r.pPrivateData, 2), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(clearLogCache(r.pPrivateData, 0), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(clearLogCache(r.pPrivateData, 3), 0u);
}

TEST(RacExtLogText, LongLinesAndTooManyLinesAreCutToTheCache) {
    std::unique_ptr<RacLogCache> cache(new RacLogCache());
    std::string text = std::string(1500, 'L') + "\nshort\n" + std::string(1022, 'M') + "\n";
    racSplitLogLines(text.c_str(), cache.get());
    EXPECT_EQ(cache->lineCount, 3);
    EXPECT_EQ(std::string(cache->lines[0]), std::string(1022, 'L') + "\n");
    EXPECT_STREQ(cache->lines[1], "short\n");
    EXPECT_EQ(std::string(cache->lines[2]), std::string(1022, 'M') + "\n");

    std::string many;
    for (int i = 0; i < RAC_LOG_LINES + 5; ++i) many += "l" + std::to_string(i) + "\n";
    racSplitLogLines(many.c_str(), cache.get());
    EXPECT_EQ(cache->lineCount, RAC_LOG_LINES);
    EXPECT_EQ(std::string(cache->lines[RAC_LOG_LINES - 1]), "l" + std::to_string(RAC_LOG_LINES - 1) + "\n");

    racSplitLogLines("", cache.get());
    EXPECT_EQ(cache->lineCount, 0);
    EXPECT_EQ(cache->lines[0][0], 0);
}

TEST_F(RacExt, AnUnreadableLogIsRetriedASecondApartAThousandTimes) {
    u16 n = 7;
    EXPECT_EQ(getRacTracelogRecordCount(&r, &n), RACIPMI_CMD_FAILED);
    EXPECT_EQ(n, 7);
    EXPECT_EQ(fake.host.extReads.size(), 1000u);
    ASSERT_EQ(fake.sleeps.size(), 999u);
    EXPECT_EQ(fake.sleeps[0], 1000u);
}

// ---- Logins, blobs, actions, firmware-update status ----

TEST_F(RacExt, LoginEntriesAreUnpackedUntilElevenBytesOrFewerRemain) {
    Bytes e1 = concat({{3, 1, 0, 0, 0, 2, 0, 0, 0, 9}, str("root")});
    Bytes e2 = concat({{4, 0, 0, 0, 1, 0, 0, 0, 0, 1}, str("admin")});
    Bytes tail{5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}; // exactly 11 bytes: not an entry
    fake.host.setParam(23, 0, concat({e1, e2, tail}));
    u16 count = 99;
    RacSessionEntry entries[RAC_MAX_SESSIONS];
    static_assert(sizeof(RacSessionEntry) == 271, "entries are laid end to end");
    ASSERT_EQ(getRacSessionInfo(&r, &count, entries), 0u);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(static_cast<u32>(entries[0].sessionId), 3u);
    EXPECT_EQ(static_cast<u32>(entries[0].value1), 1u);
    EXPECT_EQ(static_cast<u32>(entries[0].value2), 2u);
    EXPECT_EQ(entries[0].value3, 9);
    EXPECT_EQ(entries[0].nameLength, 4);
    EXPECT_STREQ(entries[0].name, "root");
    EXPECT_EQ(static_cast<u32>(entries[1].value1), 0x01000000u);
    EXPECT_STREQ(entries[1].name, "admin");

    // A name that claims more than arrived keeps what arrived and ends the list.
    fake.host.setParam(23, 0, concat({e1, {7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200, 'a', 'b'}}));
    ASSERT_EQ(getRacSessionInfo(&r, &count, entries), 0u);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(entries[1].nameLength, 2);
    EXPECT_STREQ(entries[1].name, "ab");
    EXPECT_EQ(getRacSessionInfo(&r, nullptr, entries), RACIPMI_INVALID_INPUT_PARAM);
}

TEST_F(RacExt, BlobsMoveWholeWithTheirTokenAndIndex) {
    std::unique_ptr<RacBlob> b(new RacBlob());
    struct Case {
        const char* name;
        unsigned (*op)(RacIpmi*, RacBlob*);
        u8 token, index;
    } reads[] = {
        {"getRacCoredump", getRacCoredump, 21, 2},     {"getRacServerCert", getRacServerCert, 22, 1},
        {"getRacCaCert", getRacCaCert, 22, 2},         {"getRacCsr", getRacCsr, 22, 3},
        {"getRacServerCertView", getRacServerCertView, 22, 5},
        {"getRacCaCertView", getRacCaCertView, 22, 6}, {"getRacUserCertView", getRacUserCertView, 28, 3},
        {"getRacUserCaCertView", getRacUserCaCertView, 28, 19},
    }, writes[] = {
        {"setRacServerCert", setRacServerCert, 22, 1}, {"setRacCaCert", setRacCaCert, 22, 2},
        {"setRacServerKey", setRacServerKey, 22, 7},   {"setRacUserCert", setRacUserCert, 28, 3},
        {"setRacUserCaCert", setRacUserCaCert, 28, 19},
    };
    Bytes pem(300, 'P');
    for (auto& c : reads) {
        SCOPED_TRACE(c.name);
        fake.host.ext.clear();
        fake.host.setParam(c.token, c.index, pem);
        std::memset(b->data, 0xEE, 400);
        b->userIndex = 3;
        ASSERT_EQ(c.op(&r, b.get()), 0u);
        EXPECT_EQ(b->length, 300);
        EXPECT_EQ(b->data[299], 'P');
        EXPECT_EQ(b->data[300], 0) << "a zero byte follows the data";
    }
    for (auto& c : writes) {
        SCOPED_TRACE(c.name);
        b->length = 3;
        b->data[0] = 'k';
        b->userIndex = 3;
        ASSERT_EQ(c.op(&r, b.get()), 0u);
        EXPECT_EQ(fake.host.lastSetToken, c.token);
        EXPECT_EQ(fake.host.lastSetIndex, c.index);
        EXPECT_EQ(Bytes(fake.host.lastSet.begin(), fake.host.lastSet.begin() + 6), (Bytes{8, 0, 1, 1, 0, 'k'}));
    }
    for (u8 bad : {0, 17}) {
        b->userIndex = bad;
        EXPECT_EQ(setRacUserCert(&r, b.get()), RACIPMI_INVALID_INPUT_PARAM);
        EXPECT_EQ(getRacUserCaCertView(&r, b.get()), RACIPMI_INVALID_INPUT_PARAM);
    }
    b->length = 65531; // more than one parameter can carry
    EXPECT_EQ(setRacServerCert(&r, b.get()), RACIPMI_INVALID_INPUT_PARAM);
    fake.host.setParam(22, 4, {2});
    u32 csr = 0;
    EXPECT_EQ(getRacCsrStatus(&r, &csr), 0u);
    EXPECT_EQ(csr, 2u);
}

TEST_F(RacExt, ActionsWriteTheirByteToToken20) {
    struct Case {
        const char* name;
        std::function<unsigned()> call;
        u8 index, code;
    } cases[] = {
        {"racHardReset", [&] { return racHardReset(&r); }, 0, 1},
        {"racSoftReset", [&] { return racSoftReset(&r); }, 0, 2},
        {"racGracefulReset", [&] { return racGracefulReset(&r); }, 0, 3},
        {"racResetCfgToDefault", [&] { return racResetCfgToDefault(&r); }, 0, 4},
        {"racClearRaclog", [&] { return racClearRaclog(&r); }, 0, 5},
        {"racClearCoredump", [&] { return racClearCoredump(&r); }, 0, 6},
        {"racStartFwupdatePhase1", [&] { return racStartFwupdatePhase1(&r); }, 0, 7},
        {"racStartFwUpdatePhase2", [&] { return racStartFwUpdatePhase2(&r); }, 0, 8},
        {"racTestEmailAlert", [&] { return racTestEmailAlert(&r, 3); }, 3, 9},
        {"racGenerateCsr", [&] { return racGenerateCsr(&r); }, 0, 10},
        {"racClrAsrScreen", [&] { return racClrAsrScreen(&r); }, 0, 11},
        {"racVmDisconnect", [&] { return racVmDisconnect(&r); }, 0, 12},
        {"racStartTftpFwUpdate", [&] { return racStartTftpFwUpdate(&r); }, 0, 14},
        {"racResetVmkeySize", [&] { return racResetVmkeySize(&r); }, 0, 15},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.call(), 0u);
        EXPECT_EQ(fake.host.lastSetToken, 20);
        EXPECT_EQ(fake.host.lastSetIndex, c.index);
        EXPECT_EQ(fake.host.lastSet, (Bytes{6, 0, 1, 1, 0, c.code}));
    }
    fake.host.extSetStatus = VEXA_STATUS_NOT_PRESENT;
    EXPECT_EQ(racHardReset(&r), RACIPMI_SD_ABSENT_OR_WP);
    EXPECT_EQ(racHardReset(nullptr), RACIPMI_INVALID_INPUT_PARAM);
}

TEST_F(RacExt, FirmwareUpdateStatusAndRollback) {
    Bytes status{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    fake.host.setParam(241, 0, status);
    u8 out[16] = {};
    ASSERT_EQ(getRacFwUpdateStatus(&r, out), 0u);
    EXPECT_EQ(Bytes(out, out + 16), status);
    fake.host.setParam(241, 0, Bytes(17, 1));
    EXPECT_EQ(getRacFwUpdateStatus(&r, out), RACIPMI_BUF_TOO_SMALL);
    const u8 back = 1;
    ASSERT_EQ(getRacFwUpdateRollback(&r, &back), 0u);
    EXPECT_EQ(fake.host.lastSetToken, 241);
    EXPECT_EQ(fake.host.lastSet, (Bytes{6, 0, 1, 1, 0, 1}));
    EXPECT_EQ(getRacFwUpdateRollback(&r, nullptr), RACIPMI_INVALID_INPUT_PARAM);
}

} // namespace
