// The extended-configuration groups described as data: one field table per group, and the
// generic packer and unpacker that move a group record to and from its wire form.
#pragma once

#include "racipmi_private.h"

#include <cstddef>

// One field of a group record, in record order (field i is selected by mask bit i).
struct RacField {
    u8 width;      // 1, 2 or 4 for an integer; 0 for a string
    u16 capacity;  // strings: characters the record holds
    u8 flags;      // RacFieldFlags
};

enum RacFieldFlags : u8 {
    kRacNotOnWire = 1,    // in the record only: never read, never sent
    kRacLengthOnly = 2,   // string: only its length travels, its characters are zeros
    kRacSkipOnRead = 4,   // read: the wire bytes are consumed, the record keeps zeros
    kRacNeverWritten = 8, // write: always sent as zero or empty, whatever the mask
};

enum RacGroupFlags : u8 {
    kRacNoGate = 1,       // no readiness gate
    kRacNoCache = 2,      // every read asks the controller
    kRacMaskLowByte = 4,  // a write sends only the low byte of the caller's mask
    kRacVmResult = 8,     // a failed write without mask bit 4 reports 11
    kRacReadOnly = 16,
};

struct RacGroup {
    const char* name; // for traces
    u8 token;
    u8 firstIndex, lastIndex; // both 0 for a group without an index
    u16 wireSize;             // capacity of a read; an opaque write sends this many bytes
    u16 recordSize;           // bytes of the caller's record
    const RacField* fields;   // null: opaque, moved as it is
    u8 fieldCount;
    u8 flags;                 // RacGroupFlags
    std::ptrdiff_t cache;     // offset of the group's cache in RacGroupCaches, or -1
};

// Every group of the table, for tests and the fuzzer.
const RacGroup* const* racAllGroups(std::size_t* count);

// Record -> wire form. out holds at least g.wireSize bytes. 10 when a selected string's
// length byte exceeds its capacity (nothing is packed then), otherwise 0.
unsigned racPackGroup(const RacGroup& g, const u8* record, u16 mask, u8* out, u16* outLen);

// Wire form (len bytes; bytes past len read as zero) -> record (g.recordSize bytes, zeroed
// first). A string length byte above its field's capacity is refused with 10 and the record
// is left all zero: the controller's data is never truncated silently nor overruns a field.
unsigned racUnpackGroup(const RacGroup& g, const u8* wire, u16 len, u8* record);

// Group read and write with the readiness gate, the index check and the cache.
unsigned racGroupRead(RacIpmi* r, const RacGroup& g, const char* op, u8 index, void* out);
unsigned racGroupWrite(RacIpmi* r, const RacGroup& g, const char* op, u8 index, u16 mask,
                       const void* in);

// The readiness gate: getRacStatus through the record; 8 when bit 3 of the word is clear.
unsigned racReadinessGate(RacIpmi* r);

// Writes the ERROR line of a failed operation and returns its status.
unsigned racExtResult(const char* op, unsigned status);

// Clears the cached copy of a group at an index (writes of shared groups use it).
void racInvalidateGroup(RacIpmiPrivateData* pd, const RacGroup& g, u8 index);

#define RAC_GROUP_DECL_(get, set, type, ...) extern const RacGroup kRacGroup_##type;
CTLCFG_RAC_GROUPS(RAC_GROUP_DECL_)
CTLCFG_RAC_INDEXED_GROUPS(RAC_GROUP_DECL_)
#undef RAC_GROUP_DECL_
extern const RacGroup kRacGroup_RacInfo;
extern const RacGroup kRacGroup_RacPostResult;
extern const RacGroup kRacGroup_RacConfigDisable;
extern const RacGroup kRacGroup_UserPriv;

// Controller log caches (type 1 the controller log, 3 the controller trace log).
extern "C" {
unsigned loadLogCache(RacIpmiPrivateData* pd, u8 type);
unsigned clearLogCache(RacIpmiPrivateData* pd, u8 type);
}

// Splits zero-terminated log text into the cache's lines: a line ends at a line feed or the
// end of the text, an empty line ends the log. Lines keep their line feed; a line longer than
// 1,022 characters keeps its first 1,022 (and its line feed), lines past 2,730 are dropped.
void racSplitLogLines(const char* text, RacLogCache* cache);
