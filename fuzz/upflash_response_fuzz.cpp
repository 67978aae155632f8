// Fuzzes what the host library hands back for a command: every byte of the 80-byte response
// record and the call's result, through the transport's response handling, the retries and
// the OEM command layer's interpretation of completion codes, status bytes and versions.
#include "cli/config_file.h"
#include "cli/console.h"
#include "image/devices.h"
#include "ipmi/bmc_fw.h"
#include "ipmi/driver_os.h"
#include "ipmi/host_entry_points.h"
#include "ipmi/ipmi_driver.h"
#include "ipmi/ipmi_sleep.h"

#include <cstdio>
#include <cstring>

namespace {

const uint8_t* input = nullptr;
size_t remaining = 0;

// Each response takes one byte for the call's result and up to 80 bytes of record.
int fuzzedCommand(BrdIPMICmdIoctlReq* request, BrdIPMICmdIoctlReq* response) {
    (void)request;
    if (remaining == 0) return 0;
    const int result = input[0] & 1;
    ++input;
    --remaining;
    const size_t n = remaining < sizeof *response ? remaining : sizeof *response;
    std::memcpy(response, input, n);
    input += n;
    remaining -= n;
    return result;
}

extern "C" int fuzzHostInfo(uint8_t* info, uint16_t* systemId, uint32_t* extra) {
    *info = 0;
    *systemId = 1;
    *extra = 0;
    return 1;
}
extern "C" int fuzzCommand(BrdIPMICmdIoctlReq* request, BrdIPMICmdIoctlReq* response) {
    return fuzzedCommand(request, response);
}
extern "C" uint32_t fuzzSlaveAddress() { return 0x20; }

char tags[2];

class FuzzOS : public CDriverOS {
public:
    void DelayMs(unsigned int) override {}
    int StartDriver() override { return 0; }
    void* LoadDll(const char* name) override {
        if (std::strcmp(name, HOST_BAS_LIBRARY) == 0) return &tags[0];
        if (std::strcmp(name, HOST_IPM_LIBRARY) == 0) return &tags[1];
        return nullptr;
    }
    void FreeDll(void*) override {}
    void* GetDllProcAddress(void*, const char* name) override {
        if (std::strcmp(name, HOST_BAS_HOST_INFO) == 0)
            return reinterpret_cast<void*>(&fuzzHostInfo);
        if (std::strcmp(name, HOST_IPM_COMMAND) == 0)
            return reinterpret_cast<void*>(&fuzzCommand);
        if (std::strcmp(name, HOST_IPM_SLAVE_ADDRESS) == 0)
            return reinterpret_cast<void*>(&fuzzSlaveAddress);
        return nullptr;
    }
    int Install() override { return 1; }
};

CDriverOS* makeFuzzOS() { return new FuzzOS(); }

void noSleep(unsigned int) {}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FILE* sink = std::fopen("/dev/null", "w");
    if (size == 0) return 0;
    console_set_streams(sink, sink, nullptr);
    set_display_state(DISPLAY_DEBUG); // the trace formats every byte it got
    set_ipmi_sleep_function(&noSleep);
    initial_config();
    gConfig.ipmiCommandRetryTimes = data[0] % 3;
    input = data + 1;
    remaining = size - 1;

    g_ipmiDriver = new CIPMIDriver(&makeFuzzOS);
    if (g_ipmiDriver->Open() <= 0) {
        gBmc_address = g_ipmiDriver->GetBmcAddress();
        uint8_t percent = 0, version[8];
        const uint8_t status[2] = {1, 0};
        uint8_t reservation = 0;
        fw_update_phase_1(3);
        fw_update_phase_2();
        get_fw_update_status(&percent);
        get_fw_version(FW_VERSION_CURRENT, version);
        get_fw_version(FW_VERSION_BOOTLOADER, version);
        set_fw_image_status(status);
        if (reserved_extended_configurations(&reservation) == 0)
            rac_control(reservation, RAC_ACTION_GRACEFUL_RESET);
        rac_graceful_reset();
        check_device(&devices_information[0]);
    }
    driver_destructor();
    console_set_streams(nullptr, nullptr, nullptr);
    return 0;
}
