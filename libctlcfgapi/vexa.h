// The host IPMI access library "libhstipm32.so": the types of its 52 entry points and the
// table they are resolved into. Conventions of the library:
// - reads return a buffer owned by the library (or null) and a status through an out-parameter;
//   every such buffer is released with HSTIPMIFreeGeneric;
// - writes return the status;
// - status 0 is success, 10C3h (and 3) a time-out, 1000h + code a BMC completion code;
// - most calls take a leading reserved 0 and a trailing time-out (the library passes 320).
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VEXA_LIBRARY_NAME "libhstipm32.so"
#define VEXA_TIMEOUT 320
#define VEXA_STATUS_TIMEOUT 0x10C3u
#define VEXA_STATUS_TIMEOUT_ALT 3u
#define VEXA_STATUS_CC_BASE 0x1000u
#define VEXA_STATUS_INVALID_FIELD 0x10CCu
#define VEXA_STATUS_NOT_PRESENT 0x10CBu

typedef uint8_t u8;
typedef uint16_t u16;
typedef uint32_t u32;
typedef int32_t s32;

// X(name, return type, parameter list) for every entry point, in table order. The function
// exported by the host library is named HSTIPM<name>, except HSTIPMIFreeGeneric.
#define VEXA_ENTRY_POINTS(X) \
    X(GetChannelInfo, u8*, (u8 reserved, u8 channel, u32* status, s32 timeout)) \
    X(GetChannelAccessInfo, u8*, (u8 reserved, u8 channel, u8 accessType, u32* status, s32 timeout)) \
    X(SetChannelAccessInfo, u32, (u8 reserved, u8 channel, u8 access, u8 limits, s32 timeout)) \
    X(SetChannelSecurityKeys, u8*, (u8 channel, u8 operation, u8 keyId, const u8* key, u8 keyLen, u32* status, s32 timeout)) \
    X(GetLANConfigurationParameter, u8*, (u8 reserved, u8 channel, u8 parameter, u8 setSelector, u8 blockSelector, u32* status, u8 dataLen, s32 timeout)) \
    X(SetLANConfigurationParameter, u32, (u8 reserved, u8 channel, u8 parameter, const u8* data, u8 dataLen, s32 timeout)) \
    X(GetSerialConfigurationParameter, u8*, (u8 reserved, u8 channel, u8 parameter, u8 setSelector, u8 blockSelector, u32* status, u8 dataLen, s32 timeout)) \
    X(SetSerialConfigurationParameter, u32, (u8 reserved, u8 channel, u8 parameter, const u8* data, u8 dataLen, s32 timeout)) \
    X(GetSOLConfigurationParameter, u8*, (u8 reserved, u8 channel, u8 parameter, u8 setSelector, u8 blockSelector, u32* status, u8 dataLen, s32 timeout)) \
    X(SetSOLConfigurationParameter, u32, (u8 reserved, u8 channel, u8 parameter, const u8* data, u8 dataLen, s32 timeout)) \
    X(GetPEFConfiguration, u8*, (u8 reserved, u8 parameter, u8 setSelector, u8 blockSelector, u32* status, u8 dataLen, s32 timeout)) \
    X(SetPEFConfiguration, u32, (u8 reserved, u8 parameter, const u8* data, u8 dataLen, s32 timeout)) \
    X(GetSystemInfoParameter, u8*, (u8 reserved, u8 revisionOnly, u8 parameter, u8 setSelector, u8 blockSelector, u8 dataLen, u32* status, s32 timeout)) \
    X(SetSystemInfoParameter, u32, (u8 reserved, u8 parameter, u8 dataLen, const u8* data, s32 timeout)) \
    X(AlertImmediate, u32, (u8 channel, u8 destSelector, u8 stringSelector, u8* alertStatus, s32 timeout)) \
    X(GetRACExtendedConfigParameter, u8*, (u8 reserved, u8 rsSA, u8 channel, u8 netFnLun, const u8* iana, u8 reservationId, u8 token, u8 index, u16 offset, u8 count, u32* status, s32 timeout)) \
    X(SetRACExtendedConfigParameter, u32, (u8 reserved, u8 channel, u8 netFnLun, u8 rsSA, const u8* iana, u8 reservationId, u8 token, u8 index, u16 offset, u16 totalLen, u16* bytesWritten, u8 reserved2, const u8* data, s32 timeout)) \
    X(GetBMCSlaveAddress, u32, (void)) \
    X(GetSensorReading, u8*, (u8 rsSA, u8 channel, u8 sensor, u32* status, s32 timeout)) \
    X(GetDeviceID, u8*, (u8 rsSA, u8 channel, u32* status, s32 timeout)) \
    X(ReadFRUData, u8*, (u8 rsSA, u8 channel, u8 logicalDeviceId, u8 areaType, u8 recordId, u32* status, s32 timeout)) \
    X(GetChassisStatus, u8*, (u8 reserved, u32* status, s32 timeout)) \
    X(ChassisControl, u32, (u8 reserved, u8 control, s32 timeout)) \
    X(GetWatchdogTimer, u8*, (u8 reserved, u32* status, s32 timeout)) \
    X(GetSessionInfo, u8*, (u8 reserved, u8 sessionIndex, u8 addDataLen, const u8* addData, u32* status, u8 replyLen, s32 timeout)) \
    X(GetUserName, u8*, (u8 reserved, u8 userId, u32* status, s32 timeout)) \
    X(SetUserName, u32, (u8 reserved, u8 userId, const u8* name16, s32 timeout)) \
    X(SetUserPassword, u32, (u8 reserved, u8 userId, u8 operation, u8 dataLen, const u8* data, s32 timeout)) \
    X(GetUserAccessInfo, u8*, (u8 reserved, u8 channel, u8 userId, u32* status, s32 timeout)) \
    X(SetUserAccessInfo, u32, (u8 reserved, u8 requestByte1, u8 userId, u8 limits, s32 timeout)) \
    X(GetUserPayloadAccessData, u8*, (u8 channel, u8 userId, u32* status, s32 timeout)) \
    X(SetUserPayloadAccessData, u32, (u8 channel, u8 userByte, const u8* data4, s32 timeout)) \
    X(SDRCacheAttach, u32, (void)) \
    X(SDRCacheDetach, u32, (void)) \
    X(SELCacheAttach, u32, (void)) \
    X(SELCacheDetach, u32, (void)) \
    X(GetNumSDREntries, u32, (void)) \
    X(GetSDRByIndex, u8*, (u32 index)) \
    X(GetSDRHandleList, u8*, (void)) \
    X(GetSDR, u8*, (u16 recordHandle)) \
    X(GetNumSELEntries, u32, (void)) \
    X(GetSELEntryByIndex, u8*, (u32 index)) \
    X(GetSELTime, u8*, (u8 reserved, u32* status, s32 timeout)) \
    X(ClearSEL, u32, (u8 operation, u8* progress)) \
    X(GetIPMIVersion, u32, (void)) \
    X(GetSystemGUID, u8*, (u8 reserved, u32* status, s32 timeout)) \
    X(ResetToDefaultConfig, u32, (u8 reserved, s32 timeout)) \
    X(GetPEFCapabilities, u8*, (u8 reserved, u32* status, s32 timeout)) \
    X(GetOEMSOLConfigurationParameter, u8*, (u8 reserved, u8 channel, u8 parameter, u8 setSelector, u8 blockSelector, u32* status, u8 dataLen, s32 timeout)) \
    X(SetOEMSOLConfigurationParameter, u32, (u8 reserved, u8 channel, u8 parameter, const u8* data, u8 dataLen, s32 timeout)) \
    X(SetSELTime, u32, (u8 reserved, u32 seconds, s32 timeout))

// Layout details the callers rely on:
// - GetSDRHandleList: u32 number of handles (little-endian), then that many u16 handles.
// - GetSDR: the record stays in the host's SDR cache (at least 64 bytes), never freed.
// - GetSDRByIndex / GetSELEntryByIndex: index from 0; a copy of 64 / 16 bytes; null past the end.
// - ClearSEL: operation AAh starts the erase; progress is 0 once the erase completed.
// - GetRACExtendedConfigParameter: reply = count byte, then the bytes read.

#define VEXA_FN_TYPE_(name, ret, params) typedef ret(*PFN_HSTIPM##name) params;
VEXA_ENTRY_POINTS(VEXA_FN_TYPE_)
#undef VEXA_FN_TYPE_
typedef void (*PFN_HSTIPMIFreeGeneric)(void* buffer);

#define VEXA_ENTRY_COUNT 52

// The resolved library: its handle first, then one pointer per entry point.
typedef struct VexaEntryTable {
    void* hLibrary;
#define VEXA_FIELD_(name, ret, params) PFN_HSTIPM##name fpHSTIPM##name;
    VEXA_ENTRY_POINTS(VEXA_FIELD_)
#undef VEXA_FIELD_
    PFN_HSTIPMIFreeGeneric fpHSTIPMIFreeGeneric;
} VexaEntryTable;

unsigned loadVexa(VexaEntryTable* table);
void unloadVexa(VexaEntryTable* table);

// Test and diagnostic hooks. A provider, when set, fills the table in place of opening the
// library (the handle stays null); the library name can be changed from the default.
typedef unsigned (*VexaProvider)(VexaEntryTable* table);
VexaProvider vexaSetProvider(VexaProvider provider);
void vexaSetLibraryName(const char* name); // null restores VEXA_LIBRARY_NAME

#ifdef __cplusplus
}
#endif
