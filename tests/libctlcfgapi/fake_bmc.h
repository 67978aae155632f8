// A scripted BMC behind the standard IPMI entry points of the host library (configuration
// parameters, channel and user access, system information, chassis, sessions). Installed
// into an initialised record's entry table on top of FakeHostScope; it answers from its
// state, logs every write and counts its buffers in the FakeHost's balance.
#pragma once

#include "fake_host.h"

#include <map>
#include <string>
#include <tuple>
#include <vector>

struct FakeBmc {
    using Bytes = std::vector<u8>;
    using Key = std::tuple<u8, u8, u8>; // (parameter, set selector, block selector)

    // Parameter stores, data without the revision byte. Writes store under
    // (parameter, first data byte, 0) for the parameters that carry their set selector
    // first (LAN 19, PEF 6/7/9, system info); others under (parameter, 0, 0).
    std::map<Key, Bytes> lan, serial, sol, pef, sysInfo;

    struct Write {
        std::string what; // "lan", "serial", "sol", "pef", "sysinfo", "access", "useraccess", ...
        u8 channel;
        u8 parameter;
        Bytes data;
    };
    std::vector<Write> writes;

    // Channel access (non-volatile access byte and limits byte) per channel.
    std::map<u8, std::pair<u8, u8>> access;
    std::map<u8, Bytes> userNames;                      // 16 bytes
    std::map<u8, Bytes> passwords;                      // as set, 16 or 20 bytes
    std::map<std::pair<u8, u8>, Bytes> userAccess;      // (channel, user) -> 4 reply bytes
    std::map<std::pair<u8, u8>, Bytes> payloadAccess;   // (channel, user) -> 4 bytes
    Bytes sessionInfo{0x00, 0x04, 0x01};
    Bytes chassis{0x01, 0x10, 0x40, 0x00};
    Bytes watchdog{1, 2, 3, 4, 5, 6, 7, 8};
    Bytes deviceId{0x20, 0x81, 0x02, 0x15, 0x02, 0xBF, 0x5A, 0x1F, 0x00, 0x34, 0x12, 0, 0, 0, 0};
    Bytes fruProduct; // product area, empty: status 0 and no data
    Bytes keys[4];    // channel security keys by ID (20 bytes)

    std::map<std::string, u32> failStatus; // entry point name -> status every call answers
    std::map<std::string, int> passFirst;  // ... after this many calls have succeeded
    std::map<std::string, int> timeouts;   // entry point name -> next N calls time out
    std::map<std::string, int> calls;      // entry point name -> number of calls
    // Set User Password tests: 16-byte and 20-byte forms accepted or not.
    bool accept16 = true, accept20 = true;

};

extern FakeBmc* gBmc;

void installFakeBmc(VexaEntryTable* table, FakeBmc* bmc);
