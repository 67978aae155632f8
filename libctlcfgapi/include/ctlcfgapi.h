/* Public C interface of libctlcfgapi: the interface record RacIpmi and its initialisation,
 * the status codes, the RacDiag facade, the trace-log settings and the exported globals.
 *
 * Every operation returns an unsigned status (RACIPMI_SUCCESS = 0). Callers allocate a
 * RacIpmi record, call RacIpmiInit and then call the operations through the record's slots;
 * each operation takes the record itself as its first argument. */
#ifndef CTLCFGAPI_H
#define CTLCFGAPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Status codes (RacIpmiGetStatusStr gives their texts) ---- */
enum {
    RACIPMI_SUCCESS = 0,
    RACIPMI_INIT_FAILED = 1,
    RACIPMI_MEM_ALLOC_FAILED = 2,
    RACIPMI_LIB_LOAD_FAILED = 3,
    RACIPMI_INVALID_INPUT_PARAM = 4,
    RACIPMI_BUF_TOO_SMALL = 5,
    RACIPMI_RAC_NOT_PRESENT = 6,
    RACIPMI_IPMI_NOT_READY = 7,
    RACIPMI_RAC_NOT_READY = 8,
    RACIPMI_RESERVATION_FAILED = 9,
    RACIPMI_INVALID_BUF_LEN = 10,
    RACIPMI_CMD_FAILED = 11,
    RACIPMI_UNKNOWN_VALUE = 12,
    RACIPMI_INVALID_DATA_FORMAT = 13,
    RACIPMI_SEL_TO_TEXT_FAILED = 14,
    RACIPMI_FUNCTION_FAILED = 15,
    RACIPMI_AMEA_ABSENT = 16,
    RACIPMI_SD_ABSENT_OR_WP = 17
};

/* Bits of the controller status word filled by getRacStatus. */
#define RAC_STATUS_DETECTED      0x01u
#define RAC_STATUS_IPMI_READY    0x02u
#define RAC_STATUS_CONFIG_READY  0x08u

/* ---- The interface record ---- */

/* A slot holds the address of one operation. Callers cast it to the operation's own type
 * (first argument always the record). */
typedef void (*RacIpmiOp)(void);

struct RacIpmiPrivateData;

/* The 205 operation slots in their fixed order; slot 147 stays empty. */
#define CTLCFG_RACIPMI_SLOTS(X) \
    X(getSysInfo) X(getBiosVersion) X(getHostname) X(getOsName) X(getBmcInfo) X(getWatchdogTimer) \
    X(getNumbOfSdrEntries) X(getFirstSdrRecordNum) X(getSdr) X(getSelTime) X(getNumbOfSelEntries) \
    X(getFirstSelRecordID) X(getSel) X(convertSelToString) X(clearSel) \
    X(getChassisStatus) X(executeChassisCtrl) \
    X(setLanChanState) X(getLanChanState) X(setLanChanPrivLimit) X(getLanChanPrivLimit) \
    X(setPetState) X(getPetState) X(getPefTblEntry) X(setPefTblEntryAction) X(getPefTblEntryAction) \
    X(setPefTblEntryState) X(getPefTblEntryState) X(setPefAlertPolicyTblEntryState) \
    X(getPefAlertPolicyTblEntryState) \
    X(setSerialChanPrivLimit) X(getSerialChanPrivLimit) \
    X(setUserIpmiLanState) X(getUserIpmiLanState) X(setUserIpmiLanPriv) X(getUserIpmiLanPriv) \
    X(setUserIpmiSerialPriv) X(getUserIpmiSerialPriv) X(setUsername) X(getUsername) X(setPassword) \
    X(validateUser) X(setUserState) X(getUserState) X(setUserIpmiSolState) X(getUserIpmiSolState) \
    X(getMaxActiveSessions) X(getNumbActiveSessions) \
    X(initiatePetAlertImmed) X(setLanPetCommunityName) X(getLanPetCommunityName) X(setPetAlertDest) \
    X(getPetAlertDest) \
    X(setNicGateway) X(getNicGateway) X(setNicIpAddr) X(getNicIpAddr) X(getNicMacAddr) \
    X(setNicSubnetMask) X(getNicSubnetMask) X(setNicUseDhcpState) X(getNicUseDhcpState) \
    X(setNicVlanState) X(getNicVlanState) X(setNicVlanID) X(getNicVlanID) X(setNicVlanPriority) \
    X(getNicVlanPriority) X(setChanSecurityKey) X(getChanSecurityKey) \
    X(setSerialEchoCtrlState) X(getSerialEchoCtrlState) X(setSerialHandshakeState) \
    X(getSerialHandshakeState) X(setSerialLineEditState) X(getSerialLineEditState) \
    X(setSolState) X(getSolState) \
    X(setSerialBaudRate) X(getSerialBaudRate) X(setSerialConnectMode) X(getSerialConnectMode) \
    X(setSerialDelBkspState) X(getSerialDelBkspState) X(setSerialFlowCtrl) X(getSerialFlowCtrl) \
    X(setSerialInputNewLineSeq) X(getSerialInputNewLineSeq) X(setSerialNewLineSeq) \
    X(getSerialNewLineSeq) \
    X(setSolAccumInterval) X(getSolAccumInterval) X(setSolBaudRate) X(getSolBaudRate) \
    X(setSolMinReqPriv) X(getSolMinReqPriv) X(setSolSendThld) X(getSolSendThld) \
    X(setRacIpv6Group) X(getRacIpv6Group) X(getRacIPv6ExtGroup) X(setRacIPv6ExtGroup) \
    X(setRacIPSecGroup) X(getRacIPSecGroup) X(setRacIkeGroup) X(getRacIkeGroup) \
    X(getRacIPv6URLGroup) X(setRacIPv6URLGroup) \
    X(setRacNicLinkSetGroup) X(getRacNicLinkSetGroup) X(setRacNicTeamingGroup) \
    X(getRacNicTeamingGroup) X(setRacLanTuneGroup) X(getRacLanTuneGroup) X(setRacUserPriv) \
    X(getRacUserPriv) X(setRacSnmpGroup) X(getRacSnmpGroup) X(setRacDnsDdnsGroup) \
    X(getRacDnsDdnsGroup) X(setRacAdCfg) X(getRacAdCfg) X(setRacUdCfg) X(getRacUdCfg) \
    X(setRacSmartCardCfg) X(getRacSmartCardCfg) X(setRacSsadCfg) X(getRacSsadCfg) \
    X(setRacEmailAlertCfg) X(getRacEmailAlertCfg) X(setRacSslCfg) X(getRacSslCfg) \
    X(setRacSshCfg) X(getRacSshCfg) X(setRacTelnetCfg) X(getRacTelnetCfg) \
    X(setRacWebServerCfg) X(getRacWebServerCfg) X(setRacCrCfg) X(getRacCrCfg) \
    X(RacSetRacPostConsRedDisable) X(RacGetRacPostConsRedDisable) \
    X(RacSetRacLocalConsredDisable) X(RacGetRacLocalConsredDisable) X(setRacVmCfg) X(getRacVmCfg) \
    X(getRacStatus) X(reserved147) X(getRacInfo) X(getRacPostResult) \
    X(setRacFwUpdate) X(getRacFwUpdate) X(racStartTftpFwUpdate) X(racResetVmkeySize) \
    X(setRacSerialShell) X(getRacSerialShell) X(setRacMisc) X(getRacMisc) \
    X(setRacTimeZoneGroup) X(getRacTimeZoneGroup) X(setRacOobSecurity) X(getRacOobSecurity) \
    X(getRacSessionInfo) X(getRacCoredump) X(getRaclogRecordCount) X(getRaclogRecord) \
    X(getRaclog) X(getRacTracelogRecordCount) X(getRacTracelogRecord) X(getRacTracelog) \
    X(racGenerateCsr) X(getRacCsr) X(getRacCsrStatus) X(getRacServerCert) \
    X(getRacServerCertView) X(setRacServerCert) X(setRacServerKey) X(setRacUserCert) \
    X(setRacUserCaCert) X(getRacUserCertView) X(getRacUserCaCertView) X(getRacCaCert) \
    X(getRacCaCertView) X(setRacCaCert) \
    X(racHardReset) X(racSoftReset) X(racGracefulReset) X(racResetCfgToDefault) \
    X(racClearRaclog) X(racClearCoredump) X(racStartFwupdatePhase1) X(racStartFwUpdatePhase2) \
    X(getRacFwUpdateStatus) X(getRacFwUpdateRollback) X(racTestEmailAlert) X(racClrAsrScreen) \
    X(racVmDisconnect) \
    X(getRacPowerGroup) X(setRacPowerGroup) X(getPetIpv6AlertDest) X(setPetIpv6AlertDest) \
    X(RacSetRacPostConfigDisable) X(RacGetRacPostConfigDisable) \
    X(RacSetRacLocalConfigDisable) X(RacGetRacLocalConfigDisable)

#define RACIPMI_SLOT_COUNT 205
#define RACIPMI_INIT_BLOCK_WORDS 20

#define CTLCFG_RACIPMI_MEMBER_(name) RacIpmiOp name;
/* 206 pointer-sized words: the slots, then the library's instance data. */
typedef struct RacIpmi {
    CTLCFG_RACIPMI_SLOTS(CTLCFG_RACIPMI_MEMBER_)
    struct RacIpmiPrivateData *pPrivateData;
} RacIpmi;
#undef CTLCFG_RACIPMI_MEMBER_

/* Fills the record and creates the instance. initBlock: RACIPMI_INIT_BLOCK_WORDS words,
 * copied and kept, never interpreted (may be null: the copy is then all zero). */
unsigned RacIpmiInit(RacIpmi *pRacIpmi, const uint32_t *initBlock);
unsigned RacIpmiUninit(RacIpmi *pRacIpmi);
const char *RacIpmiGetStatusStr(unsigned status);
const char *getIpmiCompletionCodeStr(unsigned completionCode);

/* Controller status probe (also slot getRacStatus). statusWord gets bits 0-3 set. */
unsigned getRacStatus(RacIpmi *pRacIpmi, uint32_t *statusWord);
unsigned getRacInitStatus(RacIpmi *pRacIpmi, uint32_t *initStatus);
unsigned getRacType(void); /* 1 modular, 0 monolithic */

/* ---- SEL and SDR (also the slots of the same names) ----
 * Entries are numbered from 0 below the count. getSel gives next FFFFh for the last entry;
 * getSdr gives index + 1. An index at or above the count gives RACIPMI_INVALID_INPUT_PARAM.
 * SDRs are copied as 64 bytes, SEL entries as 16; the text conversion uses the SEL decoder
 * declared in "cslfsel.h". */
unsigned getNumbOfSdrEntries(RacIpmi *pRacIpmi, uint16_t *count);
unsigned getFirstSdrRecordNum(RacIpmi *pRacIpmi, uint16_t *recordNum);
unsigned getSdr(RacIpmi *pRacIpmi, uint16_t index, uint8_t *sdr, uint16_t *next);
unsigned getSelTime(RacIpmi *pRacIpmi, uint32_t *seconds);
unsigned getNumbOfSelEntries(RacIpmi *pRacIpmi, uint16_t *count);
unsigned getFirstSelRecordID(RacIpmi *pRacIpmi, uint16_t *recordId);
unsigned getSel(RacIpmi *pRacIpmi, uint16_t index, uint8_t *sel, uint16_t *next);
unsigned convertSelToString(RacIpmi *pRacIpmi, const uint8_t *sel, char *description,
                            uint16_t descriptionSize, char *date, uint16_t dateSize,
                            uint8_t *severity);
unsigned clearSel(RacIpmi *pRacIpmi);
/* The host caches (4 for no instance) and the SDR walk the SEL decoder calls back: it reads
 * the instance in g_pPrivateData and ignores its arguments. */
unsigned attachSdrCache(struct RacIpmiPrivateData *pData);
unsigned detachSdrCache(struct RacIpmiPrivateData *pData);
unsigned attachSelCache(struct RacIpmiPrivateData *pData);
unsigned detachSelCache(struct RacIpmiPrivateData *pData);
const uint8_t *getFirstSDR(void *userData);
const uint8_t *getNextSDR(const uint8_t *previous, void *userData);

/* ---- RacDiag facade ---- */
typedef struct RacDiagInfo {
    uint32_t flags;
    char racInfo1[32];
    char racInfo2[256];
    char fwUpdate1[32];
    char ipAddress[32];
    char location[128];
    uint16_t webServer1;
    uint16_t webServer2;
    uint32_t nicLinkByte3;
} RacDiagInfo;

typedef struct RacPostInfo {
    uint32_t word0;
    uint32_t word2;
} RacPostInfo;

struct RacDiag;
typedef unsigned (*RacDiagInfoFn)(struct RacDiag *handle, RacDiagInfo *info);
typedef unsigned (*RacDiagPostFn)(struct RacDiag *handle, RacPostInfo *info);
typedef unsigned (*RacDiagResetFn)(struct RacDiag *handle);

/* Four pointer-sized words, owned by the caller. */
typedef struct RacDiag {
    RacDiagInfoFn getRacDiagInfo;
    RacDiagPostFn getPostInfo;
    RacDiagResetFn resetRac;
    RacIpmi **ppRacIpmi; /* library-owned cell holding the library's record */
} RacDiag;

unsigned RacDiagInit(RacDiag *handle);
unsigned RacDiagUninit(RacDiag *handle);
unsigned getRacDiagInfo(RacDiag *handle, RacDiagInfo *info);
unsigned getPostInfo(RacDiag *handle, RacPostInfo *info);
unsigned resetRac(RacDiag *handle);

/* ---- System information records ---- */
/* Filled by getSysInfo (zeroed first): the first field of the FRU product area, the
 * encoding and text of OEM system-information parameter 209, and the seven characters of
 * OEM parameter 197 (no terminator when all seven are used). */
typedef struct RacSysInfo {
    char productField[64];
    uint8_t sysInfo209Encoding;
    char sysInfo209Text[256];
    char sysInfo197Text[7];
} RacSysInfo;

/* Filled by getBmcInfo: the first 11 data bytes of Get Device ID. */
typedef struct RacBmcInfo {
    uint8_t deviceId;
    uint8_t deviceRevision;
    uint8_t firmwareRevision1;
    uint8_t firmwareRevision2;
    uint8_t ipmiVersion;
    uint8_t additionalSupport;
    uint8_t manufacturerId[3]; /* least significant byte first */
    uint8_t productId[2];      /* least significant byte first */
} RacBmcInfo;

/* ---- Trace log ---- */
#define TRACELOG_LEVEL_ERROR 8u
#define TRACELOG_LEVEL_DEBUG 16u
#define TRACELOG_TARGET_STDOUT 1u
#define TRACELOG_TARGET_FILE 2u

uint32_t TraceLogEnableTimestamps(uint32_t enable);
uint32_t TraceLogSetLevel(uint32_t levelMask);
uint32_t TraceLogSetComponent(uint32_t component);
uint32_t TraceLogSetTarget(uint32_t targetMask);
void TraceLogSetLogFile(const char *path);
int TraceLogMessage(uint32_t levelMask, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
void TraceHexDump(uint32_t levelMask, const char *title, const void *address, uint32_t length);
uint32_t GetTickCount(void);

/* ---- Exported globals ---- */
extern struct RacIpmiPrivateData *g_pPrivateData;
extern uint32_t g_sdrIndexSel;
extern uint32_t g_IpmiRacRSSA;
extern uint16_t ameaPresent;
extern uint8_t IPMI_RAC_IANA[3];

#ifdef __cplusplus
}
#endif

#include "ctlcfgapi_ext.h"

#endif /* CTLCFGAPI_H */
