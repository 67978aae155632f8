// The interface record: slot positions by name, initialisation outcomes and clean-up, status
// and completion-code texts, channel discovery and the RacDiag facade.
#include "fake_host.h"
#include "racipmi_ops.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace {

// The slot order as callers index the record, written out independently of the header.
#define EXPECTED_SLOTS(G, S) \
    G(0) S(getSysInfo) S(getBiosVersion) S(getHostname) S(getOsName) S(getBmcInfo) S(getWatchdogTimer) \
    G(6) S(getNumbOfSdrEntries) S(getFirstSdrRecordNum) S(getSdr) S(getSelTime) S(getNumbOfSelEntries) S(getFirstSelRecordID) S(getSel) S(convertSelToString) S(clearSel) \
    G(15) S(getChassisStatus) S(executeChassisCtrl) \
    G(17) S(setLanChanState) S(getLanChanState) S(setLanChanPrivLimit) S(getLanChanPrivLimit) \
    G(21) S(setPetState) S(getPetState) S(getPefTblEntry) S(setPefTblEntryAction) S(getPefTblEntryAction) S(setPefTblEntryState) S(getPefTblEntryState) S(setPefAlertPolicyTblEntryState) S(getPefAlertPolicyTblEntryState) \
    G(30) S(setSerialChanPrivLimit) S(getSerialChanPrivLimit) \
    G(32) S(setUserIpmiLanState) S(getUserIpmiLanState) S(setUserIpmiLanPriv) S(getUserIpmiLanPriv) S(setUserIpmiSerialPriv) S(getUserIpmiSerialPriv) S(setUsername) S(getUsername) S(setPassword) S(validateUser) S(setUserState) S(getUserState) S(setUserIpmiSolState) S(getUserIpmiSolState) S(getMaxActiveSessions) S(getNumbActiveSessions) \
    G(48) S(initiatePetAlertImmed) S(setLanPetCommunityName) S(getLanPetCommunityName) S(setPetAlertDest) S(getPetAlertDest) \
    G(53) S(setNicGateway) S(getNicGateway) S(setNicIpAddr) S(getNicIpAddr) S(getNicMacAddr) S(setNicSubnetMask) S(getNicSubnetMask) S(setNicUseDhcpState) S(getNicUseDhcpState) S(setNicVlanState) S(getNicVlanState) S(setNicVlanID) S(getNicVlanID) S(setNicVlanPriority) S(getNicVlanPriority) S(setChanSecurityKey) S(getChanSecurityKey) \
    G(70) S(setSerialEchoCtrlState) S(getSerialEchoCtrlState) S(setSerialHandshakeState) S(getSerialHandshakeState) S(setSerialLineEditState) S(getSerialLineEditState) \
    G(76) S(setSolState) S(getSolState) \
    G(78) S(setSerialBaudRate) S(getSerialBaudRate) S(setSerialConnectMode) S(getSerialConnectMode) S(setSerialDelBkspState) S(getSerialDelBkspState) S(setSerialFlowCtrl) S(getSerialFlowCtrl) S(setSerialInputNewLineSeq) S(getSerialInputNewLineSeq) S(setSerialNewLineSeq) S(getSerialNewLineSeq) \
    G(90) S(setSolAccumInterval) S(getSolAccumInterval) S(setSolBaudRate) S(getSolBaudRate) S(setSolMinReqPriv) S(getSolMinReqPriv) S(setSolSendThld) S(getSolSendThld) \
    G(98) S(setRacIpv6Group) S(getRacIpv6Group) S(getRacIPv6ExtGroup) S(setRacIPv6ExtGroup) S(setRacIPSecGroup) S(getRacIPSecGroup) S(setRacIkeGroup) S(getRacIkeGroup) S(getRacIPv6URLGroup) S(setRacIPv6URLGroup) \
    G(108) S(setRacNicLinkSetGroup) S(getRacNicLinkSetGroup) S(setRacNicTeamingGroup) S(getRacNicTeamingGroup) S(setRacLanTuneGroup) S(getRacLanTuneGroup) S(setRacUserPriv) S(getRacUserPriv) S(setRacSnmpGroup) S(getRacSnmpGroup) S(setRacDnsDdnsGroup) S(getRacDnsDdnsGroup) S(setRacAdCfg) S(getRacAdCfg) S(setRacUdCfg) S(getRacUdCfg) S(setRacSmartCardCfg) S(getRacSmartCardCfg) S(setRacSsadCfg) S(getRacSsadCfg) S(setRacEmailAlertCfg) S(getRacEmailAlertCfg) S(setRacSslCfg) S(getRacSslCfg) S(setRacSshCfg) S(getRacSshCfg) S(setRacTelnetCfg) S(getRacTelnetCfg) S(setRacWebServerCfg) S(getRacWebServerCfg) S(setRacCrCfg) S(getRacCrCfg) \
    G(140) S(RacSetRacPostConsRedDisable) S(RacGetRacPostConsRedDisable) S(RacSetRacLocalConsredDisable) S(RacGetRacLocalConsredDisable) S(setRacVmCfg) S(getRacVmCfg) \
    G(146) S(getRacStatus) S(reserved147) S(getRacInfo) S(getRacPostResult) \
    G(150) S(setRacFwUpdate) S(getRacFwUpdate) S(racStartTftpFwUpdate) S(racResetVmkeySize) S(setRacSerialShell) S(getRacSerialShell) S(setRacMisc) S(getRacMisc) S(setRacTimeZoneGroup) S(getRacTimeZoneGroup) S(setRacOobSecurity) S(getRacOobSecurity) \
    G(162) S(getRacSessionInfo) S(getRacCoredump) S(getRaclogRecordCount) S(getRaclogRecord) S(getRaclog) S(getRacTracelogRecordCount) S(getRacTracelogRecord) S(getRacTracelog) \
    G(170) S(racGenerateCsr) S(getRacCsr) S(getRacCsrStatus) S(getRacServerCert) S(getRacServerCertView) S(setRacServerCert) S(setRacServerKey) S(setRacUserCert) S(setRacUserCaCert) S(getRacUserCertView) S(getRacUserCaCertView) S(getRacCaCert) S(getRacCaCertView) S(setRacCaCert) \
    G(184) S(racHardReset) S(racSoftReset) S(racGracefulReset) S(racResetCfgToDefault) S(racClearRaclog) S(racClearCoredump) S(racStartFwupdatePhase1) S(racStartFwUpdatePhase2) S(getRacFwUpdateStatus) S(getRacFwUpdateRollback) S(racTestEmailAlert) S(racClrAsrScreen) S(racVmDisconnect) \
    G(197) S(getRacPowerGroup) S(setRacPowerGroup) S(getPetIpv6AlertDest) S(setPetIpv6AlertDest) S(RacSetRacPostConfigDisable) S(RacGetRacPostConfigDisable) S(RacSetRacLocalConfigDisable) S(RacGetRacLocalConfigDisable) \

TEST(RacIpmiRecord, EverySlotSitsAtItsFixedPosition) {
    size_t next = 0;
#define G(start) EXPECT_EQ(next, static_cast<size_t>(start)) << "group starting at " #start;
#define S(name)                                                                        \
    EXPECT_EQ(offsetof(RacIpmi, name), next * sizeof(void*)) << #name " at slot " << next; \
    ++next;
    EXPECTED_SLOTS(G, S)
#undef G
#undef S
    EXPECT_EQ(next, 205u);
    EXPECT_EQ(offsetof(RacIpmi, pPrivateData), 205 * sizeof(void*));
    EXPECT_EQ(sizeof(RacIpmi), 206 * sizeof(void*));
    EXPECT_EQ(sizeof(RacDiagInfo), 492u);
    EXPECT_EQ(sizeof(RacDiag), 4 * sizeof(void*));
}

bool isZero(const RacIpmi& r) {
    static const RacIpmi zero{};
    return std::memcmp(&r, &zero, sizeof r) == 0;
}

std::string initCapturing(RacIpmi& r, unsigned& st) {
    ::testing::internal::CaptureStdout();
    st = RacIpmiInit(&r, nullptr);
    return ::testing::internal::GetCapturedStdout();
}

TEST(RacIpmiRecord, InitFillsEverySlotButTheEmptyOneAndUninitZeroes) {
    FakeHostScope fake;
    RacIpmi r;
    std::memset(&r, 0xA5, sizeof r);
    u32 block[RACIPMI_INIT_BLOCK_WORDS];
    for (u32 i = 0; i < RACIPMI_INIT_BLOCK_WORDS; ++i) block[i] = i * 7;
    ASSERT_EQ(RacIpmiInit(&r, block), 0u);
    RacIpmiOp* slots = reinterpret_cast<RacIpmiOp*>(&r);
    for (int i = 0; i < 205; ++i) EXPECT_EQ(slots[i] == nullptr, i == 147) << "slot " << i;
    EXPECT_EQ(r.getRacStatus, reinterpret_cast<RacIpmiOp>(&getRacStatus));
    ASSERT_NE(r.pPrivateData, nullptr);
    EXPECT_EQ(g_pPrivateData, r.pPrivateData);
    EXPECT_EQ(std::memcmp(r.pPrivateData->pInitBlock, block, sizeof block), 0);
    EXPECT_EQ(g_IpmiRacRSSA, 32u);

    // Operations not built yet answer "Command failed" (and 4 without a record).
    EXPECT_EQ(racNotSupported(&r, "pending"), RACIPMI_CMD_FAILED);
    EXPECT_EQ(racNotSupported(nullptr, "pending"), RACIPMI_INVALID_INPUT_PARAM);

    EXPECT_EQ(RacIpmiUninit(&r), 0u);
    EXPECT_TRUE(isZero(r));
    EXPECT_EQ(fake.host.outstanding, 0);
    EXPECT_EQ(RacIpmiUninit(&r), 0u);
    EXPECT_EQ(RacIpmiUninit(nullptr), 0u);
}

TEST(RacIpmiRecord, NullRecordIsRejected) {
    EXPECT_EQ(RacIpmiInit(nullptr, nullptr), RACIPMI_INVALID_INPUT_PARAM);
}

TEST(RacIpmiInitOutcome, MissingHostLibraryPrintsTheImportantNoteAndZeroesTheRecord) {
    vexaSetLibraryName("libhstipm32-not-installed.so");
    RacIpmi r;
    std::memset(&r, 0x5A, sizeof r);
    unsigned st = 0;
    std::string out = initCapturing(r, st);
    vexaSetLibraryName(nullptr);
    EXPECT_EQ(st, RACIPMI_LIB_LOAD_FAILED);
    EXPECT_NE(out.find("\n\nIMPORTANT NOTE!\nThe RAC is unable to communicate with the BMC."),
              std::string::npos);
    EXPECT_TRUE(isZero(r));
}

struct ProbeCase {
    const char* name;
    u8 adapter;
    u32 sensorStatus;
    unsigned result;
    bool upgradeNote;
};

class RacIpmiInitProbe : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(RacIpmiInitProbe, OnlyAnAbsentAdapterFailsTheInitialisation) {
    const ProbeCase& c = GetParam();
    FakeHostScope fake;
    fake.host.adapterStatus = c.adapter;
    fake.host.sensorStatus = c.sensorStatus;
    RacIpmi r{};
    unsigned st = 99;
    std::string out = initCapturing(r, st);
    EXPECT_EQ(st, c.result);
    EXPECT_EQ(out.find("NOTE:") != std::string::npos, c.upgradeNote) << out;
    EXPECT_EQ(isZero(r), c.result != 0);
    if (c.result == 0) {
        u32 word = 0;
        // The record is usable even when the probe failed during initialisation.
        EXPECT_EQ(reinterpret_cast<unsigned (*)(RacIpmi*, u32*)>(r.getRacStatus)(&r, &word),
                  c.sensorStatus ? 11u : (c.adapter == 7 ? 12u : 0u));
        EXPECT_EQ(word, 0x0Fu);
        RacIpmiUninit(&r);
    }
    EXPECT_EQ(fake.host.outstanding, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RacIpmiInitProbe,
    ::testing::Values(ProbeCase{"Present", 1, 0, 0, false}, ProbeCase{"Modular", 129, 0, 0, false},
                      ProbeCase{"Absent", 2, 0, RACIPMI_AMEA_ABSENT, true},
                      ProbeCase{"ModularAbsent", 130, 0, RACIPMI_AMEA_ABSENT, true},
                      ProbeCase{"UnknownAdapterValue", 7, 0, 0, false},
                      ProbeCase{"SensorCompletionCode", 1, 0x10CB, 0, false}),
    [](const auto& i) { return std::string(i.param.name); });

u32 gProbeWord = 0;
unsigned probeWith(RacIpmi*, u32* w) {
    *w = gProbeWord;
    return 0;
}

TEST(RacIpmiInitOutcome, NotDetectedAndNotReadyAreLoggedButStillInitialise) {
    // getRacStatus itself always reports bits 0-3; a probe that reports less reaches the
    // not-detected (6) and not-ready (7) branches, which do not fail the initialisation.
    FakeHostScope fake;
    racSetStatusProbe(probeWith);
    TraceLogSetLevel(TRACELOG_LEVEL_ERROR);
    TraceLogEnableTimestamps(0);
    for (u32 word : {0u, 1u}) {
        gProbeWord = word;
        RacIpmi r{};
        unsigned st = 99;
        std::string out = initCapturing(r, st);
        EXPECT_EQ(st, 0u);
        EXPECT_NE(out.find(word == 0 ? "RAC was not detected in the system" : "RAC is not ready to receive IPMI commands"),
                  std::string::npos);
        EXPECT_NE(out.find(word == 0 ? "Error: 6" : "Error: 7"), std::string::npos);
        EXPECT_FALSE(isZero(r));
        RacIpmiUninit(&r);
    }
    TraceLogSetLevel(0);
    TraceLogEnableTimestamps(1);
    racSetStatusProbe(nullptr);
}

TEST(RacIpmiTexts, StatusCodes) {
    EXPECT_STREQ(RacIpmiGetStatusStr(0), "Command successful");
    EXPECT_STREQ(RacIpmiGetStatusStr(11), "Command failed");
    EXPECT_STREQ(RacIpmiGetStatusStr(15), "Function failed");
    EXPECT_STREQ(RacIpmiGetStatusStr(16), "AMEA absent");
    EXPECT_STREQ(RacIpmiGetStatusStr(17), "SD absent and/or SD write protected");
    EXPECT_STREQ(RacIpmiGetStatusStr(18), "Unknown Status Code");
    EXPECT_STREQ(RacIpmiGetStatusStr(0xFFFFFFFFu), "Unknown Status Code");
}

TEST(RacIpmiTexts, CompletionCodes) {
    const std::pair<unsigned, const char*> cases[] = {
        {0x00, "Command Completed Normally"},
        {0x01, "Device specific (OEM) completion code"},
        {0x7E, "Device specific (OEM) completion code"},
        {0x7F, "Unknown Completion Code"},
        {0x80, "Command Specific completion code"},
        {0xBE, "Command Specific completion code"},
        {0xBF, "Unknown Completion Code"},
        {0xC0, "Node Busy"},
        {0xC3, "Timeout while processing command"},
        {0xCC, "Invalid data field in Request"},
        {0xD6, "Parameter is illegal because, sub-function unavailable"},
        {0xD7, "Unknown Completion Code"},
        {0xFE, "Unknown Completion Code"},
        {0xFF, "Unknown Status Code"},
        {0x10C3, "Timeout while processing command"}, // a host status: its low byte
    };
    for (const auto& c : cases) EXPECT_STREQ(getIpmiCompletionCodeStr(c.first), c.second) << c.first;
}

class Channels : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RacIpmiInit(&r, nullptr), 0u); }
    void TearDown() override {
        RacIpmiUninit(&r);
        EXPECT_EQ(fake.host.outstanding, 0);
    }
    FakeHostScope fake;
    RacIpmi r{};
};

TEST_F(Channels, LaterLanChannelWinsAndMissingChannelsAreSkipped) {
    u8 media[8] = {0, 0, 5, 4, 0, 0, 4, 0}; // LAN on 3 and 6, serial on 2, the rest answer 10CCh
    std::memcpy(fake.host.channelMedium, media, sizeof media);
    u8 c = 0xFF;
    EXPECT_EQ(getLanChanNumb(r.pPrivateData, &c), 0u);
    EXPECT_EQ(c, 6);
    EXPECT_EQ(getSerialChanNumb(r.pPrivateData, &c), 0u);
    EXPECT_EQ(c, 2);
    EXPECT_EQ(getIpmbChanNumb(r.pPrivateData, &c), 0u);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(getPresentChanNumb(r.pPrivateData, &c), 0u);
    EXPECT_EQ(c, 14);
    EXPECT_EQ(getSystemChanNumb(r.pPrivateData, &c), 0u);
    EXPECT_EQ(c, 15);
    EXPECT_EQ(fake.host.channelInfoCalls, 7); // discovered once per instance
}

TEST_F(Channels, DefaultsWhenNoChannelIsLanOrSerial) {
    std::memset(fake.host.channelMedium, 0, sizeof fake.host.channelMedium);
    u8 c = 0xFF;
    EXPECT_EQ(getLanChanNumb(r.pPrivateData, &c), 0u);
    EXPECT_EQ(c, 1);
    EXPECT_EQ(getSerialChanNumb(r.pPrivateData, &c), 0u);
    EXPECT_EQ(c, 0);
}

TEST_F(Channels, AnyOtherFailureEndsDiscoveryWithCommandFailed) {
    fake.host.channelInfoStatus = 0x10C1;
    u8 c = 0xAB;
    EXPECT_EQ(getLanChanNumb(r.pPrivateData, &c), RACIPMI_CMD_FAILED);
    EXPECT_EQ(c, 0xAB);
    EXPECT_EQ(fake.host.channelInfoCalls, 1);
    EXPECT_EQ(getLanChanNumb(nullptr, &c), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(getLanChanNumb(r.pPrivateData, nullptr), RACIPMI_INVALID_INPUT_PARAM);
}

TEST_F(Channels, TimeoutsAreRetriedFourTimesASecondApart) {
    fake.host.channelInfoStatus = VEXA_STATUS_TIMEOUT;
    u8 c = 0;
    EXPECT_EQ(getLanChanNumb(r.pPrivateData, &c), RACIPMI_CMD_FAILED);
    EXPECT_EQ(fake.host.channelInfoCalls, 4);
    EXPECT_EQ(fake.sleeps, (std::vector<u32>{1000, 1000, 1000}));
}

TEST(RacDiag, NullHandles) {
    EXPECT_EQ(RacDiagInit(nullptr), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(RacDiagUninit(nullptr), 0u);
    RacDiagInfo info;
    EXPECT_EQ(getRacDiagInfo(nullptr, &info), RACIPMI_INVALID_INPUT_PARAM);
    EXPECT_EQ(resetRac(nullptr), RACIPMI_INVALID_INPUT_PARAM);
}

TEST(RacDiag, InitUsesTheRecordAndUninitFreesIt) {
    FakeHostScope fake;
    RacDiag h;
    ASSERT_EQ(RacDiagInit(&h), 0u);
    EXPECT_EQ(h.getRacDiagInfo, &getRacDiagInfo);
    ASSERT_NE(h.ppRacIpmi, nullptr);
    ASSERT_NE(*h.ppRacIpmi, nullptr);
    RacDiagInfo info;
    std::memset(&info, 0x77, sizeof info);
    // The controller has none of the groups it reads: it reports 6 and keeps the status byte.
    EXPECT_EQ(getRacDiagInfo(&h, &info), RACIPMI_RAC_NOT_PRESENT);
    EXPECT_EQ(info.flags, 0x0Fu);
    EXPECT_EQ(info.ipAddress[0], '\0');
    RacPostInfo post;
    EXPECT_EQ(getPostInfo(&h, &post), RACIPMI_RAC_NOT_PRESENT);
    // The reset is the hard-reset action: byte 1 to token 20.
    EXPECT_EQ(resetRac(&h), 0u);
    EXPECT_EQ(fake.host.lastSetToken, 20);
    EXPECT_EQ(fake.host.lastSet, (std::vector<u8>{6, 0, 1, 1, 0, 1}));
    fake.host.extSetStatus = 0x10C1;
    EXPECT_EQ(resetRac(&h), RACIPMI_RAC_NOT_PRESENT);
    EXPECT_EQ(RacDiagUninit(&h), 0u);
    EXPECT_EQ(h.ppRacIpmi, nullptr);
    EXPECT_EQ(fake.host.outstanding, 0);
}

TEST(RacDiag, FailedInitialisationGivesOneAndZeroesTheHandle) {
    vexaSetLibraryName("libhstipm32-not-installed.so");
    RacDiag h;
    ::testing::internal::CaptureStdout();
    unsigned st = RacDiagInit(&h);
    ::testing::internal::GetCapturedStdout();
    vexaSetLibraryName(nullptr);
    EXPECT_EQ(st, RACIPMI_INIT_FAILED);
    EXPECT_EQ(h.ppRacIpmi, nullptr);
    EXPECT_EQ(h.getRacDiagInfo, nullptr);
}

} // namespace
