// Prototypes of the operations that fill the interface record's slots.
//
// Operations whose module is not built yet are listed in RAC_PENDING_OPS and answer through
// a stub (racstubs.cpp) with 4 for a null record and 11 otherwise. A module that lands moves
// its names from the list to a real prototype below.
#pragma once

#include "racipmi_private.h"

#define RAC_PENDING_OPS(X) \
    /* sdr_sel */ \
    X(getNumbOfSdrEntries) X(getFirstSdrRecordNum) X(getSdr) X(getSelTime) X(getNumbOfSelEntries) \
    X(getFirstSelRecordID) X(getSel) X(convertSelToString) X(clearSel) \
    /* racext: groups, logs, certificates and actions */ \
    X(setRacIpv6Group) X(getRacIpv6Group) X(getRacIPv6ExtGroup) X(setRacIPv6ExtGroup) \
    X(setRacIPSecGroup) X(getRacIPSecGroup) X(setRacIkeGroup) X(getRacIkeGroup) \
    X(getRacIPv6URLGroup) X(setRacIPv6URLGroup) X(setRacNicLinkSetGroup) X(getRacNicLinkSetGroup) \
    X(setRacNicTeamingGroup) X(getRacNicTeamingGroup) X(setRacLanTuneGroup) X(getRacLanTuneGroup) \
    X(setRacUserPriv) X(getRacUserPriv) X(setRacSnmpGroup) X(getRacSnmpGroup) \
    X(setRacDnsDdnsGroup) X(getRacDnsDdnsGroup) X(setRacAdCfg) X(getRacAdCfg) X(setRacUdCfg) \
    X(getRacUdCfg) X(setRacSmartCardCfg) X(getRacSmartCardCfg) X(setRacSsadCfg) X(getRacSsadCfg) \
    X(setRacEmailAlertCfg) X(getRacEmailAlertCfg) X(setRacSslCfg) X(getRacSslCfg) \
    X(setRacSshCfg) X(getRacSshCfg) X(setRacTelnetCfg) X(getRacTelnetCfg) \
    X(setRacWebServerCfg) X(getRacWebServerCfg) X(setRacCrCfg) X(getRacCrCfg) \
    X(RacSetRacPostConsRedDisable) X(RacGetRacPostConsRedDisable) \
    X(RacSetRacLocalConsredDisable) X(RacGetRacLocalConsredDisable) X(setRacVmCfg) X(getRacVmCfg) \
    X(getRacInfo) X(getRacPostResult) X(setRacFwUpdate) X(getRacFwUpdate) \
    X(racStartTftpFwUpdate) X(racResetVmkeySize) X(setRacSerialShell) X(getRacSerialShell) \
    X(setRacMisc) X(getRacMisc) X(setRacTimeZoneGroup) X(getRacTimeZoneGroup) \
    X(setRacOobSecurity) X(getRacOobSecurity) X(getRacSessionInfo) X(getRacCoredump) \
    X(getRaclogRecordCount) X(getRaclogRecord) X(getRaclog) X(getRacTracelogRecordCount) \
    X(getRacTracelogRecord) X(getRacTracelog) X(racGenerateCsr) X(getRacCsr) X(getRacCsrStatus) \
    X(getRacServerCert) X(getRacServerCertView) X(setRacServerCert) X(setRacServerKey) \
    X(setRacUserCert) X(setRacUserCaCert) X(getRacUserCertView) X(getRacUserCaCertView) \
    X(getRacCaCert) X(getRacCaCertView) X(setRacCaCert) X(racHardReset) X(racSoftReset) \
    X(racGracefulReset) X(racResetCfgToDefault) X(racClearRaclog) X(racClearCoredump) \
    X(racStartFwupdatePhase1) X(racStartFwUpdatePhase2) X(getRacFwUpdateStatus) \
    X(getRacFwUpdateRollback) X(racTestEmailAlert) X(racClrAsrScreen) X(racVmDisconnect) \
    X(getRacPowerGroup) X(setRacPowerGroup) X(RacSetRacPostConfigDisable) \
    X(RacGetRacPostConfigDisable) X(RacSetRacLocalConfigDisable) X(RacGetRacLocalConfigDisable)

#ifdef __cplusplus
extern "C" {
#endif

#define RAC_PENDING_DECL_(name) unsigned name(RacIpmi* pRacIpmi);
RAC_PENDING_OPS(RAC_PENDING_DECL_)
#undef RAC_PENDING_DECL_

// Built operations (getRacStatus is declared in the public header).

#ifdef __cplusplus
}
#endif

#include "racfamily_ops.h"
