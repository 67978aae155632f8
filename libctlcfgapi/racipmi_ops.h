// Prototypes of the operations that fill the interface record's slots.
//
// Operations whose module is not built yet are listed in RAC_PENDING_OPS and answer through
// a stub (racstubs.cpp) with 4 for a null record and 11 otherwise. A module that lands moves
// its names from the list to a real prototype below.
#pragma once

#include "racipmi_private.h"

#define RAC_PENDING_OPS(X) \
    /* system */ \
    X(getSysInfo) X(getBiosVersion) X(getHostname) X(getOsName) X(getBmcInfo) X(getWatchdogTimer) \
    X(getChassisStatus) X(executeChassisCtrl) \
    /* sdr_sel */ \
    X(getNumbOfSdrEntries) X(getFirstSdrRecordNum) X(getSdr) X(getSelTime) X(getNumbOfSelEntries) \
    X(getFirstSelRecordID) X(getSel) X(convertSelToString) X(clearSel) \
    /* lan */ \
    X(setLanChanState) X(getLanChanState) X(setLanChanPrivLimit) X(getLanChanPrivLimit) \
    X(setNicGateway) X(getNicGateway) X(setNicIpAddr) X(getNicIpAddr) X(getNicMacAddr) \
    X(setNicSubnetMask) X(getNicSubnetMask) X(setNicUseDhcpState) X(getNicUseDhcpState) \
    X(setNicVlanState) X(getNicVlanState) X(setNicVlanID) X(getNicVlanID) X(setNicVlanPriority) \
    X(getNicVlanPriority) X(setChanSecurityKey) X(getChanSecurityKey) \
    /* pet_pef */ \
    X(setPetState) X(getPetState) X(getPefTblEntry) X(setPefTblEntryAction) X(getPefTblEntryAction) \
    X(setPefTblEntryState) X(getPefTblEntryState) X(setPefAlertPolicyTblEntryState) \
    X(getPefAlertPolicyTblEntryState) X(initiatePetAlertImmed) X(setLanPetCommunityName) \
    X(getLanPetCommunityName) X(setPetAlertDest) X(getPetAlertDest) X(getPetIpv6AlertDest) \
    X(setPetIpv6AlertDest) \
    /* serial */ \
    X(setSerialChanPrivLimit) X(getSerialChanPrivLimit) X(setSerialEchoCtrlState) \
    X(getSerialEchoCtrlState) X(setSerialHandshakeState) X(getSerialHandshakeState) \
    X(setSerialLineEditState) X(getSerialLineEditState) X(setSerialBaudRate) X(getSerialBaudRate) \
    X(setSerialConnectMode) X(getSerialConnectMode) X(setSerialDelBkspState) \
    X(getSerialDelBkspState) X(setSerialFlowCtrl) X(getSerialFlowCtrl) \
    X(setSerialInputNewLineSeq) X(getSerialInputNewLineSeq) X(setSerialNewLineSeq) \
    X(getSerialNewLineSeq) \
    /* sol */ \
    X(setSolState) X(getSolState) X(setSolAccumInterval) X(getSolAccumInterval) X(setSolBaudRate) \
    X(getSolBaudRate) X(setSolMinReqPriv) X(getSolMinReqPriv) X(setSolSendThld) X(getSolSendThld) \
    /* user */ \
    X(setUserIpmiLanState) X(getUserIpmiLanState) X(setUserIpmiLanPriv) X(getUserIpmiLanPriv) \
    X(setUserIpmiSerialPriv) X(getUserIpmiSerialPriv) X(setUsername) X(getUsername) X(setPassword) \
    X(validateUser) X(setUserState) X(getUserState) X(setUserIpmiSolState) X(getUserIpmiSolState) \
    X(getMaxActiveSessions) X(getNumbActiveSessions) \
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
