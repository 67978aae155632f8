/* Extended controller configuration of libctlcfgapi (included by ctlcfgapi.h): the group
 * records, blobs, controller logs, session list, actions and firmware-update status.
 *
 * Group records are byte arrays in the controller's field order, byte-packed:
 *   u8, u16, u32   unsigned integers of 1, 2, 4 bytes, little-endian;
 *   sN             one length byte, then N bytes of characters (no terminator, zero beyond
 *                  the length).
 * Writes take a 16-bit field mask: bit i selects field i of the record (fields counted from 0
 * in record order); unselected fields are sent as zero or empty. Opaque groups are moved as
 * they are, without packing. The layout of each record is given beside its size. */
#ifndef CTLCFGAPI_EXT_H
#define CTLCFGAPI_EXT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct RacIpmi;

/* X(get, set, record type, record size): groups without an index. */
#define CTLCFG_RAC_GROUPS(X) \
    X(getRacIpv6Group, setRacIpv6Group, RacIpv6Group, 49)               /* opaque */ \
    X(getRacNicLinkSetGroup, setRacNicLinkSetGroup, RacNicLinkSetGroup, 8) /* opaque, 6 sent */ \
    X(getRacLanTuneGroup, setRacLanTuneGroup, RacLanTuneGroup, 36)      /* opaque */ \
    X(getRacSnmpGroup, setRacSnmpGroup, RacSnmpGroup, 67)               /* u8 s32 s32 */ \
    X(getRacDnsDdnsGroup, setRacDnsDdnsGroup, RacDnsDdnsGroup, 333)     /* u8 u32 u32 u8 s64 u8 s256 */ \
    X(getRacAdCfg, setRacAdCfg, RacAdCfg, 2323) /* u8 u32 s256 s256 s256 u8 u8 u8 u8 s256x6 u8 */ \
    X(getRacSslCfg, setRacSslCfg, RacSslCfg, 1551)                      /* u32 s256x5 s4 s256 */ \
    X(getRacSshCfg, setRacSshCfg, RacSshCfg, 12)                        /* opaque, 9 sent */ \
    X(getRacTelnetCfg, setRacTelnetCfg, RacTelnetCfg, 10)               /* opaque */ \
    X(getRacWebServerCfg, setRacWebServerCfg, RacWebServerCfg, 11)      /* opaque */ \
    X(getRacCrCfg, setRacCrCfg, RacCrCfg, 10)                           /* opaque */ \
    X(getRacVmCfg, setRacVmCfg, RacVmCfg, 525) /* u8 u8 u8 u16 u8 u16 u8 s256 s256 u8 u8 */ \
    X(getRacFwUpdate, setRacFwUpdate, RacFwUpdate, 346)                 /* s17 s32 u8 u32 s256 s32 */ \
    X(getRacSerialShell, setRacSerialShell, RacSerialShell, 179) /* u8 u8 u8 u32 u32 u8 s32 u32 s129 */ \
    X(getRacMisc, setRacMisc, RacMisc, 10)                              /* opaque */ \
    X(getRacOobSecurity, setRacOobSecurity, RacOobSecurity, 19)         /* opaque */ \
    X(getRacNicTeamingGroup, setRacNicTeamingGroup, RacNicTeamingGroup, 277) /* u8 u8 u32 s256 u8 u32 u32 u32 u8 */ \
    X(getRacTimeZoneGroup, setRacTimeZoneGroup, RacTimeZoneGroup, 5)    /* opaque */ \
    X(RacGetRacLocalConsredDisable, RacSetRacLocalConsredDisable, RacLocalConsredDisable, 2) /* opaque */ \
    X(getRacIPv6ExtGroup, setRacIPv6ExtGroup, RacIPv6ExtGroup, 251) /* u8 s40 s40 u8 u8 s40 s40 u8 s40 s40 u8 */ \
    X(getRacIPv6URLGroup, setRacIPv6URLGroup, RacIPv6URLGroup, 82)      /* s81 */ \
    X(getRacSmartCardCfg, setRacSmartCardCfg, RacSmartCardCfg, 2)       /* u8 u8 */ \
    X(getRacPowerGroup, setRacPowerGroup, RacPowerGroup, 299)           /* u8 s32x6 u8 s32x3 */

/* X(get, set, record type, record size, first index, last index): indexed groups. */
#define CTLCFG_RAC_INDEXED_GROUPS(X) \
    X(getRacEmailAlertCfg, setRacEmailAlertCfg, RacEmailAlertCfg, 99, 1, 4)  /* u8 s64 s32 */ \
    X(getRacSsadCfg, setRacSsadCfg, RacSsadCfg, 518, 1, 5)                   /* s256 s256 u32 */ \
    X(getRacIPSecGroup, setRacIPSecGroup, RacIPSecGroup, 123, 1, 16) \
        /* s20 s40 u8 u16 u8 u16 u8 u16 u8 u8 u32 s40 u8 u32 */ \
    X(getRacIkeGroup, setRacIkeGroup, RacIkeGroup, 70, 1, 4)     /* s20 s40 u8 u16 u8 u8 u8 u8 u8 */ \
    X(getRacUdCfg, setRacUdCfg, RacUdCfg, 257, 1, 40)                         /* s256 */

#define CTLCFG_RAC_RECORD_(get, set, type, size) typedef struct type { uint8_t bytes[size]; } type;
#define CTLCFG_RAC_INDEXED_RECORD_(get, set, type, size, first, last) CTLCFG_RAC_RECORD_(get, set, type, size)
CTLCFG_RAC_GROUPS(CTLCFG_RAC_RECORD_)
CTLCFG_RAC_INDEXED_GROUPS(CTLCFG_RAC_INDEXED_RECORD_)
#undef CTLCFG_RAC_INDEXED_RECORD_
#undef CTLCFG_RAC_RECORD_

typedef struct RacInfo { uint8_t bytes[377]; } RacInfo;             /* s32 s256 s10 s64 s10 */
typedef struct RacPostResult { uint8_t bytes[251]; } RacPostResult; /* opaque */
/* POST-time configuration disable (byte 0) and local configuration disable (byte 1). */
typedef struct RacConfigDisable { uint8_t bytes[2]; } RacConfigDisable;

#define CTLCFG_RAC_GROUP_PROTO_(get, set, type, size) \
    unsigned get(struct RacIpmi *pRacIpmi, type *out); \
    unsigned set(struct RacIpmi *pRacIpmi, uint16_t mask, const type *in);
#define CTLCFG_RAC_INDEXED_PROTO_(get, set, type, size, first, last) \
    unsigned get(struct RacIpmi *pRacIpmi, uint8_t index, type *out); \
    unsigned set(struct RacIpmi *pRacIpmi, uint8_t index, uint16_t mask, const type *in);
CTLCFG_RAC_GROUPS(CTLCFG_RAC_GROUP_PROTO_)
CTLCFG_RAC_INDEXED_GROUPS(CTLCFG_RAC_INDEXED_PROTO_)
#undef CTLCFG_RAC_GROUP_PROTO_
#undef CTLCFG_RAC_INDEXED_PROTO_

/* The console-redirection group has a second pair of names (same group, same cache). */
unsigned RacGetRacPostConsRedDisable(struct RacIpmi *pRacIpmi, RacCrCfg *out);
unsigned RacSetRacPostConsRedDisable(struct RacIpmi *pRacIpmi, uint16_t mask, const RacCrCfg *in);
unsigned getRacInfo(struct RacIpmi *pRacIpmi, RacInfo *out);
unsigned getRacPostResult(struct RacIpmi *pRacIpmi, RacPostResult *out);
/* Both reads give the same cached record; each write sends its own byte twice. */
unsigned RacGetRacPostConfigDisable(struct RacIpmi *pRacIpmi, RacConfigDisable *out);
unsigned RacGetRacLocalConfigDisable(struct RacIpmi *pRacIpmi, RacConfigDisable *out);
unsigned RacSetRacPostConfigDisable(struct RacIpmi *pRacIpmi, uint16_t mask, const RacConfigDisable *in);
unsigned RacSetRacLocalConfigDisable(struct RacIpmi *pRacIpmi, uint16_t mask, const RacConfigDisable *in);

/* Privilege word of a controller user (index 0-16), 4 bytes little-endian; not cached. */
unsigned getRacUserPriv(struct RacIpmi *pRacIpmi, uint8_t userIndex, uint8_t privilege[4]);
unsigned setRacUserPriv(struct RacIpmi *pRacIpmi, uint8_t userIndex, uint32_t privilege);

/* ---- Blobs: certificates, the CSR, the server key, the core dump ---- */
#define RAC_BLOB_MAX 65535
typedef struct RacBlob {
    uint16_t length;
    uint8_t data[RAC_BLOB_MAX]; /* a read stores a zero byte after the data */
    uint8_t userIndex;          /* user certificates only: 1-16 */
} RacBlob;

#define CTLCFG_RAC_BLOB_OPS(X) \
    X(getRacCoredump) X(getRacServerCert) X(setRacServerCert) X(getRacCaCert) X(setRacCaCert) \
    X(getRacCsr) X(getRacServerCertView) X(getRacCaCertView) X(setRacServerKey) \
    X(getRacUserCertView) X(setRacUserCert) X(getRacUserCaCertView) X(setRacUserCaCert)
#define CTLCFG_RAC_BLOB_PROTO_(name) unsigned name(struct RacIpmi *pRacIpmi, RacBlob *blob);
CTLCFG_RAC_BLOB_OPS(CTLCFG_RAC_BLOB_PROTO_)
#undef CTLCFG_RAC_BLOB_PROTO_
unsigned getRacCsrStatus(struct RacIpmi *pRacIpmi, uint32_t *csrStatus);

/* ---- Controller log and trace log (lines numbered from 1) ---- */
#define RAC_LOG_MAX_LINES 2730
#define RAC_LOG_LINE_SIZE 1024
typedef struct RacLog {
    uint16_t count;
    char lines[RAC_LOG_MAX_LINES][RAC_LOG_LINE_SIZE]; /* each with its line feed, zero-terminated */
} RacLog;
unsigned getRaclogRecordCount(struct RacIpmi *pRacIpmi, uint16_t *count);
unsigned getRaclogRecord(struct RacIpmi *pRacIpmi, uint16_t line, char out[RAC_LOG_LINE_SIZE]);
unsigned getRaclog(struct RacIpmi *pRacIpmi, RacLog *out);
unsigned getRacTracelogRecordCount(struct RacIpmi *pRacIpmi, uint16_t *count);
unsigned getRacTracelogRecord(struct RacIpmi *pRacIpmi, uint16_t line, char out[RAC_LOG_LINE_SIZE]);
unsigned getRacTracelog(struct RacIpmi *pRacIpmi, RacLog *out);

/* ---- Sessions ---- */
#define RAC_MAX_SESSIONS 32
/* 271 bytes, entries laid end to end. */
typedef struct
#if defined(__GNUC__)
    __attribute__((packed))
#endif
    RacSessionEntry {
    uint32_t sessionId; /* a byte on the wire */
    uint32_t value1;
    uint32_t value2;
    uint8_t value3;
    uint8_t nameLength;
    char name[257]; /* zero-terminated */
} RacSessionEntry;
unsigned getRacSessionInfo(struct RacIpmi *pRacIpmi, uint16_t *count,
                           RacSessionEntry entries[RAC_MAX_SESSIONS]);

/* ---- Actions ---- */
#define CTLCFG_RAC_ACTIONS(X) \
    X(racHardReset) X(racSoftReset) X(racGracefulReset) X(racResetCfgToDefault) X(racClearRaclog) \
    X(racClearCoredump) X(racStartFwupdatePhase1) X(racStartFwUpdatePhase2) X(racGenerateCsr) \
    X(racClrAsrScreen) X(racVmDisconnect) X(racStartTftpFwUpdate) X(racResetVmkeySize)
#define CTLCFG_RAC_ACTION_PROTO_(name) unsigned name(struct RacIpmi *pRacIpmi);
CTLCFG_RAC_ACTIONS(CTLCFG_RAC_ACTION_PROTO_)
#undef CTLCFG_RAC_ACTION_PROTO_
unsigned racTestEmailAlert(struct RacIpmi *pRacIpmi, uint8_t alertIndex); /* 1-4 */

/* ---- Firmware update status and rollback ---- */
unsigned getRacFwUpdateStatus(struct RacIpmi *pRacIpmi, uint8_t status[16]);
unsigned getRacFwUpdateRollback(struct RacIpmi *pRacIpmi, const uint8_t *value);

#ifdef __cplusplus
}
#endif

#endif /* CTLCFGAPI_EXT_H */
