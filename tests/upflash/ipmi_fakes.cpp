#include "ipmi_fakes.h"

#include "ipmi/driver_status.h"
#include "ipmi/host_entry_points.h"
#include "ipmi/ipmi_driver.h"
#include "ipmi/ipmi_sleep.h"

#include <cstring>
#include <map>

namespace upftest {

namespace {

FakeHost* host = nullptr;

// One tag per library: the handle LoadDll hands out.
char libraryTags[3];
const char* const kLibraryNames[3] = {HOST_BAS_LIBRARY, HOST_IPM_LIBRARY, HOST_API_LIBRARY};

const char* libraryName(void* handle) {
    for (int i = 0; i < 3; ++i)
        if (handle == &libraryTags[i]) return kLibraryNames[i];
    return "?";
}

int answer(BrdIPMICmdIoctlReq* request, BrdIPMICmdIoctlReq* response) {
    SentCommand c;
    std::memcpy(c.raw, request, BRD_REQ_SIZE);
    c.netfnLun = request->message[0];
    c.command = request->message[1];
    c.slave = request->slaveAddress;
    const uint32_t length = brd_get32(request->requestLength);
    for (uint32_t i = 2; i < length && i < BRD_MESSAGE_SIZE; ++i)
        c.data.push_back(request->message[i]);
    host->sent.push_back(c);
    Reply r = host->controller(c);
    brd_put32(response->status, r.status);
    const int len = r.length >= 0 ? r.length : 3 + static_cast<int>(r.data.size());
    brd_put32(response->responseLength, static_cast<uint32_t>(len));
    response->message[0] = static_cast<uint8_t>(c.netfnLun + 4);
    response->message[1] = c.command;
    response->message[2] = r.completionCode;
    for (size_t i = 0; i < r.data.size() && 3 + i < BRD_MESSAGE_SIZE; ++i)
        response->message[3 + i] = r.data[i];
    return r.callResult;
}

extern "C" int fakeBasHostInfo(uint8_t* info, uint16_t* systemId, uint32_t* extra) {
    host->calls.push_back("HSTBASHostInfoEx");
    *info = 1;
    *systemId = host->systemId;
    *extra = 0;
    return host->hostInfoResult;
}
extern "C" int fakeIpmCommand(BrdIPMICmdIoctlReq* request, BrdIPMICmdIoctlReq* response) {
    return answer(request, response);
}
extern "C" uint32_t fakeIpmSlaveAddress() { return host->slaveAddress; }
extern "C" int fakeHipOpen(int a, int b) {
    host->calls.push_back("HIPOpen " + std::to_string(a) + " " + std::to_string(b));
    return host->apiHandle;
}
extern "C" void fakeHipClose(int handle) {
    host->calls.push_back("HIPClose " + std::to_string(handle));
}
extern "C" int fakeHipHostInfo(int handle, uint8_t* info, uint16_t* systemId, uint32_t* extra) {
    host->calls.push_back("HIPHostInfoEx " + std::to_string(handle));
    *info = 1;
    *systemId = host->systemId;
    *extra = 0;
    return host->hostInfoResult;
}
extern "C" int fakeHipCommand(int handle, BrdIPMICmdIoctlReq* request,
                              BrdIPMICmdIoctlReq* response) {
    if (handle != host->apiHandle) return 0;
    return answer(request, response);
}

} // namespace

Reply ok(std::vector<uint8_t> data) {
    Reply r;
    r.data = std::move(data);
    return r;
}

Reply cc(uint8_t code, std::vector<uint8_t> data) {
    Reply r;
    r.completionCode = code;
    r.data = std::move(data);
    return r;
}

Reply noResponse() {
    Reply r;
    r.callResult = 0;
    r.length = 0;
    return r;
}

FakeHost::FakeHost() {
    controller = [](const SentCommand& c) {
        if (c.netfnLun == 0x18 && c.command == 0x01)
            return ok({0x20, 0x81, 0x01, 0x40, 0x02, 0xBF, 0xD9, 0x7E, 0x00});
        return cc(0xC1);
    };
}

size_t FakeHost::count(uint8_t netfnLun, uint8_t command) const {
    size_t n = 0;
    for (const SentCommand& c : sent)
        if (c.netfnLun == netfnLun && c.command == command) ++n;
    return n;
}

bool FakeHost::called(const std::string& call) const {
    for (const std::string& c : calls)
        if (c == call) return true;
    return false;
}

FakeHost& fakeHost() {
    if (!host) host = new FakeHost();
    return *host;
}

void resetFakeHost() {
    delete host;
    host = new FakeHost();
}

int FakeDriverOS::Install() {
    host->calls.push_back("Install");
    if (host->installResult <= 0 && host->onInstall) host->onInstall();
    return host->installResult;
}
int FakeDriverOS::Uninstall() {
    host->calls.push_back("Uninstall");
    return host->uninstallResult;
}
int FakeDriverOS::StartDriver() {
    host->calls.push_back("StartDriver");
    return host->startResult;
}
int FakeDriverOS::StopDriver() {
    host->calls.push_back("StopDriver");
    return 0;
}
void FakeDriverOS::DelayMs(unsigned int ms) { host->delays.push_back(ms); }

void* FakeDriverOS::LoadDll(const char* name) {
    for (int i = 0; i < 3; ++i)
        if (std::strcmp(name, kLibraryNames[i]) == 0 && host->libraries.count(name)) {
            host->calls.push_back(std::string("LoadDll ") + name);
            return &libraryTags[i];
        }
    return nullptr;
}

void FakeDriverOS::FreeDll(void* handle) {
    host->calls.push_back(std::string("FreeDll ") + libraryName(handle));
}

void* FakeDriverOS::GetDllProcAddress(void* handle, const char* name) {
    static const std::map<std::string, std::pair<const char*, void*>> symbols = {
        {HOST_BAS_HOST_INFO, {HOST_BAS_LIBRARY, reinterpret_cast<void*>(&fakeBasHostInfo)}},
        {HOST_IPM_COMMAND, {HOST_IPM_LIBRARY, reinterpret_cast<void*>(&fakeIpmCommand)}},
        {HOST_IPM_SLAVE_ADDRESS, {HOST_IPM_LIBRARY, reinterpret_cast<void*>(&fakeIpmSlaveAddress)}},
        {HOST_API_OPEN, {HOST_API_LIBRARY, reinterpret_cast<void*>(&fakeHipOpen)}},
        {HOST_API_CLOSE, {HOST_API_LIBRARY, reinterpret_cast<void*>(&fakeHipClose)}},
        {HOST_API_HOST_INFO, {HOST_API_LIBRARY, reinterpret_cast<void*>(&fakeHipHostInfo)}},
        {HOST_API_COMMAND, {HOST_API_LIBRARY, reinterpret_cast<void*>(&fakeHipCommand)}},
    };
    auto it = symbols.find(name);
    if (it == symbols.end() || host->missingSymbols.count(name) ||
        std::strcmp(libraryName(handle), it->second.first) != 0)
        return nullptr;
    return it->second.second;
}

CDriverOS* makeFakeDriverOS() { return new FakeDriverOS(); }

int openFakeDriver() {
    driver_destructor();
    g_ipmiDriver = new CIPMIDriver(&makeFakeDriverOS);
    const int result = g_ipmiDriver->Open();
    if (result <= 0) gBmc_address = g_ipmiDriver->GetBmcAddress();
    return result;
}

namespace {
void recordSleep(unsigned int ms) { host->sleeps.push_back(ms); }
} // namespace

FakeSleep::FakeSleep() { set_ipmi_sleep_function(&recordSleep); }
FakeSleep::~FakeSleep() { set_ipmi_sleep_function(nullptr); }

} // namespace upftest
