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
    /* racext: built (racext*.cpp) */

#ifdef __cplusplus
extern "C" {
#endif

#define RAC_PENDING_DECL_(name) unsigned name(RacIpmi* pRacIpmi);
RAC_PENDING_OPS(RAC_PENDING_DECL_)
#undef RAC_PENDING_DECL_

// Built operations (getRacStatus is declared in the public header).

// sdr_sel: SEL and SDR access, declared in the public header.

#ifdef __cplusplus
}
#endif
