// A scripted host IPMI library for unit tests: fills a VexaEntryTable with functions that
// answer from a FakeHost, count calls and track every buffer they hand out.
#pragma once

#include "racipmi_private.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

struct FakeHost {
    // Channel table: medium type per channel 1..7; 0 answers 10CCh (no such channel).
    u8 channelMedium[8] = {0, 4, 5, 0, 0, 0, 0, 0};
    u32 channelInfoStatus = 0; // non-zero: every Get Channel Info answers this
    int channelInfoCalls = 0;

    u8 adapterStatus = 1; // byte 2 of sensor 112's reading
    u32 sensorStatus = 0;
    int sensorTimeouts = 0; // the next N sensor reads time out
    int sensorCalls = 0;

    // Extended configuration parameters, header included, by (token, index).
    std::map<std::pair<u8, u8>, std::vector<u8>> ext;
    int extTimeouts = 0;        // the next N extended reads time out (-1: all of them)
    int extZeroChunkAt = -1;    // a chunk read at this offset returns no bytes
    int extOverlongAt = -1;     // a chunk read at this offset claims one byte more than asked
    u32 extSetStatus = 0;
    int extSetTimeouts = 0;
    std::vector<std::pair<u16, u8>> extReads; // (offset, count) of every read request
    std::vector<u8> lastSet;
    u8 lastSetToken = 0, lastSetIndex = 0;
    int extSetCalls = 0;

    // SEL and SDR caches. SDR handles are 1000h + position, so a walk by position shows.
    std::vector<std::vector<u8>> sdrs, sels;
    u32 sdrAttachStatus = 0, selAttachStatus = 0;
    int sdrAttachCalls = 0, selAttachCalls = 0, sdrDetachCalls = 0, selDetachCalls = 0;
    int sdrByIndexCalls = 0, selByIndexCalls = 0, handleListCalls = 0;
    bool handleListFails = false;
    u32 selTime = 0;
    u32 selTimeStatus = 0;
    int selTimeTimeouts = 0;
    int selTimeCalls = 0;
    u32 clearStatus = 0;
    u8 clearProgress = 0;
    int clearCalls = 0;
    u8 clearOperation = 0;

    long outstanding = 0; // buffers handed out and not freed
    long freed = 0;

    void setParam(u8 token, u8 index, const std::vector<u8>& data, u8 header = 1, u16 mask = 0xFFFF);
};

extern FakeHost* gFake;

// Installs the fake as the host library (and a sleep that only records), removes both on
// destruction.
class FakeHostScope {
public:
    FakeHostScope();
    ~FakeHostScope();
    FakeHost host;
    std::vector<u32> sleeps; // milliseconds asked for, in order
};
