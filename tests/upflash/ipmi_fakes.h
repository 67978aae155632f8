// A fake host driver stack for the host IPMI layer's tests: fake libraries served by a fake
// operating-system object, a scripted controller behind the command entry points, and a log
// of every library call, service action and wait.
#pragma once

#include "ipmi/driver_os.h"
#include "ipmi/ipmi_record.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace upftest {

// One command as the library received it.
struct SentCommand {
    uint8_t raw[BRD_REQ_SIZE];
    uint8_t netfnLun, command, slave;
    std::vector<uint8_t> data;
};

// The library's answer to one command.
struct Reply {
    int callResult = 1;       // what the entry point returns (1 = success)
    uint32_t status = 0;      // response status at offset 12
    int length = -1;          // response length at offset 24; -1: 3 + data size
    uint8_t completionCode = 0;
    std::vector<uint8_t> data;
};

Reply ok(std::vector<uint8_t> data = {});
Reply cc(uint8_t code, std::vector<uint8_t> data = {});
Reply noResponse();

struct FakeHost {
    std::set<std::string> libraries{"libhstbas32.so", "libhstipm32.so", "libhstapi32.so"};
    std::set<std::string> missingSymbols;
    uint16_t systemId = 0x0100;
    int hostInfoResult = 1;
    uint32_t slaveAddress = 0x20;
    int apiHandle = 7;
    int startResult = 0, installResult = 0, uninstallResult = 0;
    // Answers every command; the default answers Get Device ID and nothing else.
    std::function<Reply(const SentCommand&)> controller;
    std::function<void()> onInstall; // run by a successful installation

    std::vector<SentCommand> sent;
    std::vector<std::string> calls;    // library calls and service actions, in order
    std::vector<unsigned> delays;      // per-attempt waits of the transport
    std::vector<unsigned> sleeps;      // other waits (graceful reset)

    FakeHost();
    // The commands sent with this netfn/LUN and command byte.
    size_t count(uint8_t netfnLun, uint8_t command) const;
    bool called(const std::string& call) const;
};

// The one fake host the fake libraries answer from, reset by each test's fixture.
FakeHost& fakeHost();
void resetFakeHost();

class FakeDriverOS : public CDriverOS {
public:
    int Install() override;
    int Uninstall() override;
    int StartDriver() override;
    int StopDriver() override;
    void DelayMs(unsigned int ms) override;
    void* LoadDll(const char* name) override;
    void FreeDll(void* handle) override;
    void* GetDllProcAddress(void* handle, const char* name) override;
};

CDriverOS* makeFakeDriverOS();

// Puts a CIPMIDriver over the fake host in g_ipmiDriver and opens it; returns Open's result.
int openFakeDriver();
// Records the graceful reset's waits instead of sleeping, for the lifetime of the object.
class FakeSleep {
public:
    FakeSleep();
    ~FakeSleep();
};

} // namespace upftest
