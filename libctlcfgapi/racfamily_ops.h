// Prototypes of the standard IPMI families: LAN channel and NIC, alerting, serial and SOL,
// users, system information, chassis and sessions. Internal helpers take the instance data;
// the operations of the interface record take the record.
#pragma once

#include "racipmi_private.h"

#ifdef __cplusplus
extern "C" {
#endif

// ---- lan ----
unsigned getLanCfgParam(RacIpmiPrivateData* pData, u8 parameter, u8 setSelector, u8 blockSelector,
                        u8 length, u8* dest);
unsigned setLanCfgParam(RacIpmiPrivateData* pData, u8 parameter, u8 length, const u8* data);
// Channel access bytes shared by the LAN, serial and PET operations: the non-volatile read,
// and the double write (as given, then with the byte whose set selector is 01b switched to
// 10b, the volatile setting). petForm selects the alerting trace and error lines.
unsigned racGetChannelAccess(RacIpmiPrivateData* pData, u8 channel, u8 bytes[2]);
unsigned racSetChannelAccess(RacIpmiPrivateData* pData, u8 channel, u8 access, u8 limits,
                             int petForm);
unsigned racSetChanPrivLimit(RacIpmiPrivateData* pData, u8 channel, u32 limit);
unsigned racGetChanPrivLimit(RacIpmiPrivateData* pData, u8 channel, u32* limit);

unsigned setLanChanState(RacIpmi* pRacIpmi, u32 state);
unsigned getLanChanState(RacIpmi* pRacIpmi, u32* state);
unsigned setLanChanPrivLimit(RacIpmi* pRacIpmi, u32 limit);
unsigned getLanChanPrivLimit(RacIpmi* pRacIpmi, u32* limit);
unsigned setNicIpAddr(RacIpmi* pRacIpmi, const u8* addr);      // 4 bytes, network order
unsigned getNicIpAddr(RacIpmi* pRacIpmi, u8* addr);
unsigned setNicSubnetMask(RacIpmi* pRacIpmi, const u8* mask);
unsigned getNicSubnetMask(RacIpmi* pRacIpmi, u8* mask);
unsigned setNicGateway(RacIpmi* pRacIpmi, const u8* addr);
unsigned getNicGateway(RacIpmi* pRacIpmi, u8* addr);
unsigned getNicMacAddr(RacIpmi* pRacIpmi, u8* mac);            // 6 bytes
unsigned setNicUseDhcpState(RacIpmi* pRacIpmi, u32 state);
unsigned getNicUseDhcpState(RacIpmi* pRacIpmi, u32* state);
unsigned setNicVlanState(RacIpmi* pRacIpmi, u32 state);
unsigned getNicVlanState(RacIpmi* pRacIpmi, u32* state);
unsigned setNicVlanID(RacIpmi* pRacIpmi, u16 id);
unsigned getNicVlanID(RacIpmi* pRacIpmi, u16* id);
unsigned setNicVlanPriority(RacIpmi* pRacIpmi, u8 priority);
unsigned getNicVlanPriority(RacIpmi* pRacIpmi, u8* priority);
unsigned setChanSecurityKey(RacIpmi* pRacIpmi, u8 keyId, const u8* key); // 20 bytes
unsigned getChanSecurityKey(RacIpmi* pRacIpmi, u8 keyId, u8* key);

// ---- pet_pef ----
unsigned setPetState(RacIpmi* pRacIpmi, u32 state);
unsigned getPetState(RacIpmi* pRacIpmi, u32* state);
unsigned setPefTblEntryState(RacIpmi* pRacIpmi, u8 entry, u32 state);
unsigned getPefTblEntryState(RacIpmi* pRacIpmi, u8 entry, u32* state);
unsigned getPefTblEntry(RacIpmi* pRacIpmi, u8 entry, u8* filter); // 20 bytes
unsigned setPefTblEntryAction(RacIpmi* pRacIpmi, u8 entry, u8 action);
unsigned getPefTblEntryAction(RacIpmi* pRacIpmi, u8 entry, u32* action);
unsigned setPefAlertPolicyTblEntryState(RacIpmi* pRacIpmi, u8 entry, u32 state);
unsigned getPefAlertPolicyTblEntryState(RacIpmi* pRacIpmi, u8 entry, u32* state);
unsigned setLanPetCommunityName(RacIpmi* pRacIpmi, const u8* community); // 18 bytes
unsigned getLanPetCommunityName(RacIpmi* pRacIpmi, u8* community);      // 19 bytes
unsigned setPetAlertDest(RacIpmi* pRacIpmi, u8 destination, const u8* addr);
unsigned getPetAlertDest(RacIpmi* pRacIpmi, u8 destination, u32* addr);
unsigned getPetIpv6AlertDest(RacIpmi* pRacIpmi, u8 index, char* dest); // 256 bytes
unsigned setPetIpv6AlertDest(RacIpmi* pRacIpmi, u8 index, const char* text);
unsigned initiatePetAlertImmed(RacIpmi* pRacIpmi, u8 destSelector, u8 stringSelector);

// ---- serial ----
unsigned getSerialCfgParam(RacIpmiPrivateData* pData, u8 parameter, u8 setSelector, u8 blockSelector,
                           u8 length, u8* dest);
unsigned setSerialCfgParam(RacIpmiPrivateData* pData, u8 parameter, u8 length, const u8* data);
unsigned setSerialChanPrivLimit(RacIpmi* pRacIpmi, u32 limit);
unsigned getSerialChanPrivLimit(RacIpmi* pRacIpmi, u32* limit);
unsigned setSerialEchoCtrlState(RacIpmi* pRacIpmi, u32 state);
unsigned getSerialEchoCtrlState(RacIpmi* pRacIpmi, u32* state);
unsigned setSerialHandshakeState(RacIpmi* pRacIpmi, u32 state);
unsigned getSerialHandshakeState(RacIpmi* pRacIpmi, u32* state);
unsigned setSerialLineEditState(RacIpmi* pRacIpmi, u32 state);
unsigned getSerialLineEditState(RacIpmi* pRacIpmi, u32* state);
unsigned setSerialDelBkspState(RacIpmi* pRacIpmi, u32 state);
unsigned getSerialDelBkspState(RacIpmi* pRacIpmi, u32* state);
unsigned setSerialBaudRate(RacIpmi* pRacIpmi, u32 bitsPerSecond);
unsigned getSerialBaudRate(RacIpmi* pRacIpmi, u32* bitsPerSecond);
unsigned setSerialFlowCtrl(RacIpmi* pRacIpmi, u32 flow);
unsigned getSerialFlowCtrl(RacIpmi* pRacIpmi, u32* flow);
unsigned setSerialConnectMode(RacIpmi* pRacIpmi, u32 mode);
unsigned getSerialConnectMode(RacIpmi* pRacIpmi, u32* mode);
unsigned setSerialInputNewLineSeq(RacIpmi* pRacIpmi, u32 seq);
unsigned getSerialInputNewLineSeq(RacIpmi* pRacIpmi, u32* seq);
unsigned setSerialNewLineSeq(RacIpmi* pRacIpmi, u32 seq);
unsigned getSerialNewLineSeq(RacIpmi* pRacIpmi, u32* seq);

// ---- sol ----
unsigned getSolCfgParam(RacIpmiPrivateData* pData, u8 parameter, u8 setSelector, u8 blockSelector,
                        u8 length, u8* dest);
unsigned setSolCfgParam(RacIpmiPrivateData* pData, u8 parameter, u8 length, const u8* data);
unsigned setSolState(RacIpmi* pRacIpmi, u32 state);
unsigned getSolState(RacIpmi* pRacIpmi, u32* state);
unsigned setSolAccumInterval(RacIpmi* pRacIpmi, u8 interval);
unsigned getSolAccumInterval(RacIpmi* pRacIpmi, u8* interval);
unsigned setSolSendThld(RacIpmi* pRacIpmi, u8 threshold);
unsigned getSolSendThld(RacIpmi* pRacIpmi, u8* threshold);
unsigned setSolBaudRate(RacIpmi* pRacIpmi, u32 bitsPerSecond);
unsigned getSolBaudRate(RacIpmi* pRacIpmi, u32* bitsPerSecond);
unsigned setSolMinReqPriv(RacIpmi* pRacIpmi, u32 privilege);
unsigned getSolMinReqPriv(RacIpmi* pRacIpmi, u32* privilege);

// ---- user ----
unsigned setUsername(RacIpmi* pRacIpmi, u8 userId, const char* name);
unsigned getUsername(RacIpmi* pRacIpmi, u8 userId, char* name); // 16 bytes
unsigned setPassword(RacIpmi* pRacIpmi, u8 userId, const char* password);
unsigned validateUser(RacIpmi* pRacIpmi, u8 userId, const char* name, const char* password);
unsigned setUserState(RacIpmi* pRacIpmi, u8 userId, u8 operation);
unsigned getUserState(RacIpmi* pRacIpmi, u8 userId, u32* state);
unsigned setUserIpmiLanPriv(RacIpmi* pRacIpmi, u8 userId, u8 limits);
unsigned getUserIpmiLanPriv(RacIpmi* pRacIpmi, u8 userId, u32* privilege);
unsigned setUserIpmiSerialPriv(RacIpmi* pRacIpmi, u8 userId, u8 limits);
unsigned getUserIpmiSerialPriv(RacIpmi* pRacIpmi, u8 userId, u32* privilege);
unsigned setUserIpmiLanState(RacIpmi* pRacIpmi, u8 userId, u32 state);
unsigned getUserIpmiLanState(RacIpmi* pRacIpmi, u8 userId, u32* state);
unsigned setUserIpmiSolState(RacIpmi* pRacIpmi, u8 userId, u32 state);
unsigned getUserIpmiSolState(RacIpmi* pRacIpmi, u8 userId, u32* state);
unsigned getMaxActiveSessions(RacIpmi* pRacIpmi, u32* count);
unsigned getNumbActiveSessions(RacIpmi* pRacIpmi, u32* count);

// ---- system ----
unsigned copyString(char* dest, u8 encoding, const u8* source);       // dest: 256 bytes
unsigned decodeString(u8 typeLength, const u8* source, char* dest);    // dest: 64 bytes
unsigned getSysInfoParamType1(RacIpmiPrivateData* pData, u8 parameter, u8* textRecord); // 256
unsigned getSysInfoParamType2(RacIpmiPrivateData* pData, u8 parameter, u8 length, u8* dest);
unsigned getSysInfoParamType3(RacIpmiPrivateData* pData, u8 parameter, u8 item, u8* dest); // 256
unsigned setSysInfo(RacIpmiPrivateData* pData, u8 parameter, u8 item, const char* text);
unsigned getSysInfo(RacIpmi* pRacIpmi, RacSysInfo* info);
unsigned getBiosVersion(RacIpmi* pRacIpmi, u32* encoding, char* text); // 256 bytes
unsigned getHostname(RacIpmi* pRacIpmi, u32* encoding, char* text);
unsigned getOsName(RacIpmi* pRacIpmi, u32* encoding, char* text);
unsigned getBmcInfo(RacIpmi* pRacIpmi, RacBmcInfo* info);
unsigned getChassisStatus(RacIpmi* pRacIpmi, u32* status);
unsigned executeChassisCtrl(RacIpmi* pRacIpmi, u8 control);
unsigned getWatchdogTimer(RacIpmi* pRacIpmi, u32* word0, u32* word1);

#ifdef __cplusplus
}
#endif
