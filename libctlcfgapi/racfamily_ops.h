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
// 10b, the volatile setting). accessTrace is the trace form of the write.
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

#ifdef __cplusplus
}
#endif
