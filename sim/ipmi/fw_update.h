// The simulated controller's firmware-update side: Get Device ID, the OEM firmware-update
// commands with their state machine (phase 1, virtual USB device, phase 2, progress over time,
// graceful reset, new version after the reboot delay, rollback, cancel), the extended
// configuration's reset action, and faults injected by option. The state lives with the rest
// of the controller's state, in its file, so that separate client runs meet one controller.
#pragma once

#include "ipmi/virtual_usb_presenter.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace sim {

using FwBytes = std::vector<uint8_t>;

struct FwReply {
    bool respond = true; // false: the controller stays silent
    uint8_t completionCode = 0;
    FwBytes data;
};

// One injected fault: for the requests of one command, answer with a completion code, an OEM
// status byte (completion code 0xFF), silence, or (status command only) a frozen percentage.
struct FwFault {
    enum Kind { COMPLETION_CODE, OEM_STATUS, NO_RESPONSE, STALL };
    std::string command; // phase1 phase2 status version rollback cancel imagestatus deviceid
                         // reset, or any
    Kind kind = COMPLETION_CODE;
    uint8_t value = 0;
    int times = -1;      // how many requests it hits; -1 every one
};

struct FwUpdateOptions {
    double flashSeconds = 4;  // phase 2 to 100 percent
    double rebootSeconds = 3; // silent after a graceful reset
    uint8_t current[4] = {1, 40, 0, 12};  // major, minor, revision high, revision low
    uint8_t standby[4] = {1, 30, 0, 9};
    uint8_t bootloader[8] = {1, 2, 3, 0, 2, 0, 0x1A, 0};
    unsigned maxImageMiB = 64;
    std::vector<FwFault> faults;
};

// Reads one "--fw-..." option into opts; false with a message for a bad one. Options:
//   --fw-flash-seconds=S  --fw-reboot-seconds=S  --fw-max-image-mib=N
//   --fw-current=MAJ.MIN.REV  --fw-standby=MAJ.MIN.REV
//   --fw-fault=COMMAND:cc=0xNN|status=0xNN|noresponse|stall=PERCENT[,times=N]
bool parse_fw_option(const std::string& arg, FwUpdateOptions* opts, std::string* error);
// The option names, for the simulator's usage text.
const char* fw_option_usage();

enum FwPhase { FW_IDLE, FW_AWAITING_IMAGE, FW_FLASHING, FW_FLASHED, FW_FAILED, FW_REBOOTING };

struct FwState {
    int phase = FW_IDLE;
    uint8_t current[4] = {};
    uint8_t standby[4] = {};
    uint8_t bootloader[8] = {};
    uint8_t pending[4] = {};       // the image being flashed
    uint8_t pendingBootloader[8] = {};
    bool pendingHasBootloader = false;
    bool rollbackPending = false;
    double flashStart = 0;         // seconds of the clock, so that it survives restarts
    double rebootUntil = 0;
    uint8_t imageSizeMiB = 0;
    uint8_t imageStatus[2] = {};
    uint8_t failStatus = 0;        // OEM status of a failed flash
    unsigned resets = 0;
};

// The state as text pairs (kept as "fw KEY VALUE" lines of the simulator's state file), and
// back; keys missing or unreadable keep the value of base.
void fw_state_to_pairs(const FwState& state, std::map<std::string, std::string>* pairs);
FwState fw_state_from_pairs(const std::map<std::string, std::string>& pairs, const FwState& base);

class FwUpdateController {
public:
    // usb may be null (no device); it is not owned. clock null: the wall clock in seconds.
    FwUpdateController(const FwUpdateOptions& opts, VirtualUsbPresenter* usb,
                       std::function<double()> clock = nullptr);

    // A new controller's state: the configured versions, nothing going on.
    FwState initialState() const;
    // Answers Get Device ID and the firmware commands (network function 08h); false for any
    // other request.
    bool handle(uint8_t netfn, uint8_t command, const FwBytes& data, FwState& state,
                FwReply* reply);
    // The controller action written through the extended configuration (token 14h): the
    // parameter as stored (total length, header byte, mask, action). 0 when taken, else the
    // completion code refusing it.
    uint8_t racAction(const FwBytes& parameter, FwState& state);
    // Brings the state up to now; true while the controller is restarting and answers nothing.
    bool rebooting(FwState& state);
    // The progress in percent now (0 unless flashing or flashed).
    unsigned percent(const FwState& state) const;

private:
    bool applyFault(const std::string& name, const FwState& state, FwReply* reply);
    void advance(FwState& state) const;
    FwReply deviceId(const FwState& state) const;
    FwReply phase1(const FwBytes& data, FwState& state);
    FwReply phase2(FwState& state);
    FwReply status(const FwBytes& data, FwState& state) const;
    FwReply version(const FwBytes& data, const FwState& state) const;
    FwReply rollback(FwState& state);
    FwReply cancel(FwState& state);
    FwReply imageStatus(const FwBytes& data, FwState& state);
    void gracefulReset(FwState& state);

    FwUpdateOptions opts_;
    VirtualUsbPresenter* usb_;
    std::function<double()> clock_;
};

// The version fields of a firmware image, once its header checks out.
struct FwImageInfo {
    uint8_t version[4]; // major, minor, revision high, revision low
    uint8_t bootloader[8];
    bool hasBootloader;
};
bool parse_firmware_image(const FwBytes& image, FwImageInfo* info);

} // namespace sim
