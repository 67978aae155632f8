#include "ipmi/fw_update.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace sim {

namespace {

enum : uint8_t {
    NETFN_APP = 0x06,
    NETFN_FIRMWARE = 0x08,
    CMD_GET_DEVICE_ID = 0x01,
    CMD_PHASE_1 = 0x10,
    CMD_PHASE_2 = 0x11,
    CMD_STATUS = 0x12,
    CMD_VERSION = 0x13,
    CMD_ROLLBACK = 0x14,
    CMD_CANCEL = 0x15,
    CMD_IMAGE_STATUS = 0x16,

    CC_OEM_STATUS = 0xFF,
    CC_INVALID_FIELD = 0xCC,
    CC_BAD_LENGTH = 0xC7,
    CC_NOT_NOW = 0xD5, // cannot execute the command in this state

    ST_IN_PROGRESS = 0x81,
    ST_NO_MEMORY = 0x82,
    ST_VMEDIA = 0x83,    // vMedia already attached (phase 1) / image not found (phase 2)
    ST_SIGNATURE = 0x84,
    ST_NOT_INITIATED = 0x86,
    ST_INTERNAL = 0xFF,

    ACTION_GRACEFUL_RESET = 3,
};

double wall_clock() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

FwReply answer(std::vector<uint8_t> data = {}) {
    FwReply r;
    r.data = std::move(data);
    return r;
}

FwReply refuse(uint8_t cc) {
    FwReply r;
    r.completionCode = cc;
    return r;
}

FwReply oem_status(uint8_t status) {
    FwReply r;
    r.completionCode = CC_OEM_STATUS;
    r.data = {status};
    return r;
}

} // namespace

FwUpdateController::FwUpdateController(const FwUpdateOptions& opts, VirtualUsbPresenter* usb,
                                       std::function<double()> clock)
    : opts_(opts), usb_(usb), clock_(clock ? clock : wall_clock) {}

FwState FwUpdateController::initialState() const {
    FwState s;
    std::memcpy(s.current, opts_.current, 4);
    std::memcpy(s.standby, opts_.standby, 4);
    std::memcpy(s.bootloader, opts_.bootloader, 8);
    return s;
}

bool FwUpdateController::rebooting(FwState& state) {
    advance(state);
    return state.phase == FW_REBOOTING;
}

bool FwUpdateController::handle(uint8_t netfn, uint8_t command, const FwBytes& data,
                                FwState& state, FwReply* reply) {
    const char* name = nullptr;
    if (netfn == NETFN_APP && command == CMD_GET_DEVICE_ID)
        name = "deviceid";
    else if (netfn == NETFN_FIRMWARE) {
        switch (command) {
        case CMD_PHASE_1: name = "phase1"; break;
        case CMD_PHASE_2: name = "phase2"; break;
        case CMD_STATUS: name = "status"; break;
        case CMD_VERSION: name = "version"; break;
        case CMD_ROLLBACK: name = "rollback"; break;
        case CMD_CANCEL: name = "cancel"; break;
        case CMD_IMAGE_STATUS: name = "imagestatus"; break;
        default: break;
        }
    }
    if (!name)
        return false;
    *reply = FwReply();
    if (rebooting(state)) {
        // A controller that is restarting answers nothing at all.
        reply->respond = false;
        return true;
    }
    if (applyFault(name, state, reply))
        return true;

    switch (netfn == NETFN_APP ? 0 : command) {
    case 0: *reply = deviceId(state); break;
    case CMD_PHASE_1: *reply = phase1(data, state); break;
    case CMD_PHASE_2: *reply = phase2(state); break;
    case CMD_STATUS: *reply = status(data, state); break;
    case CMD_VERSION: *reply = version(data, state); break;
    case CMD_ROLLBACK: *reply = rollback(state); break;
    case CMD_CANCEL: *reply = cancel(state); break;
    default: *reply = imageStatus(data, state); break;
    }
    return true;
}

bool FwUpdateController::applyFault(const std::string& name, const FwState& state,
                                    FwReply* reply) {
    for (auto it = opts_.faults.begin(); it != opts_.faults.end(); ++it) {
        FwFault& f = *it;
        if (f.command != name && f.command != "any")
            continue;
        if (f.kind == FwFault::STALL && state.phase != FW_FLASHING && state.phase != FW_FLASHED)
            continue; // a frozen progress needs a flash in progress
        FwReply r;
        switch (f.kind) {
        case FwFault::COMPLETION_CODE: r = refuse(f.value); break;
        case FwFault::OEM_STATUS: r = oem_status(f.value); break;
        case FwFault::NO_RESPONSE: r.respond = false; break;
        case FwFault::STALL: r = answer({f.value}); break;
        }
        if (f.times > 0 && --f.times == 0)
            opts_.faults.erase(it);
        *reply = r;
        return true;
    }
    return false;
}

void FwUpdateController::advance(FwState& state) const {
    if (state.phase == FW_REBOOTING && clock_() >= state.rebootUntil)
        state.phase = FW_IDLE;
    if (state.phase == FW_FLASHING && percent(state) >= 100)
        state.phase = FW_FLASHED;
}

unsigned FwUpdateController::percent(const FwState& state) const {
    if (state.phase == FW_FLASHED)
        return 100;
    if (state.phase != FW_FLASHING)
        return 0;
    if (opts_.flashSeconds <= 0)
        return 100;
    const double done = (clock_() - state.flashStart) * 100.0 / opts_.flashSeconds;
    return done >= 100 ? 100 : done <= 0 ? 0 : static_cast<unsigned>(done);
}

FwReply FwUpdateController::deviceId(const FwState& state) const {
    // Device 0x20, revision 1 with SDRs, firmware major and minor (BCD), IPMI 2.0, the usual
    // device support bits, the maker's number, product 0x0100, and the revision as aux bytes.
    const uint8_t minor = state.current[1];
    const uint8_t bcd = static_cast<uint8_t>((minor / 10 % 10) << 4 | minor % 10);
    std::vector<uint8_t> id = {0x20, 0x81, static_cast<uint8_t>(state.current[0] & 0x7F), bcd,
                               0x02, 0xBF};
    id.insert(id.end(), {0x5A, 0x1F, 0x00}); // the maker's enterprise number
    id.insert(id.end(), {0x00, 0x01, state.current[2], state.current[3], 0x00, 0x00});
    return answer(id);
}

FwReply FwUpdateController::phase1(const FwBytes& data, FwState& state) {
    if (data.size() != 1)
        return refuse(CC_BAD_LENGTH);
    switch (state.phase) {
    case FW_AWAITING_IMAGE:
        return oem_status(ST_VMEDIA); // the device is shown already
    case FW_FLASHING:
    case FW_FLASHED:
        return oem_status(ST_INTERNAL);
    default:
        break;
    }
    if (data[0] == 0 || data[0] > opts_.maxImageMiB)
        return oem_status(ST_NO_MEMORY);
    if (usb_ && !usb_->present(data[0]))
        return oem_status(ST_INTERNAL);
    state.phase = FW_AWAITING_IMAGE;
    state.imageSizeMiB = data[0];
    state.failStatus = 0;
    return answer();
}

FwReply FwUpdateController::phase2(FwState& state) {
    if (state.phase == FW_FLASHING || state.phase == FW_FLASHED)
        return oem_status(ST_IN_PROGRESS); // accepted already
    if (state.phase != FW_AWAITING_IMAGE)
        return oem_status(ST_NOT_INITIATED);
    std::vector<uint8_t> image;
    const bool read = usb_ && usb_->readImage(&image);
    if (usb_)
        usb_->withdraw();
    if (!read) {
        state.phase = FW_IDLE;
        return oem_status(ST_VMEDIA); // nothing found on the device
    }
    FwImageInfo info;
    if (!parse_firmware_image(image, &info)) {
        // Accepted, but the flash fails its signature check: the status command says so.
        state.phase = FW_FAILED;
        state.failStatus = ST_SIGNATURE;
        return answer();
    }
    std::memcpy(state.pending, info.version, 4);
    std::memcpy(state.pendingBootloader, info.bootloader, 8);
    state.pendingHasBootloader = info.hasBootloader;
    state.phase = FW_FLASHING;
    state.flashStart = clock_();
    advance(state);
    return answer();
}

FwReply FwUpdateController::status(const FwBytes& data, FwState& state) const {
    if (data.size() != 1 || data[0] != 0x01)
        return refuse(CC_INVALID_FIELD);
    switch (state.phase) {
    case FW_AWAITING_IMAGE:
        return answer({0});
    case FW_FLASHING:
    case FW_FLASHED:
        return answer({static_cast<uint8_t>(percent(state))});
    case FW_FAILED:
        return oem_status(state.failStatus ? state.failStatus : static_cast<uint8_t>(ST_INTERNAL));
    default:
        return oem_status(ST_NOT_INITIATED);
    }
}

FwReply FwUpdateController::version(const FwBytes& data, const FwState& state) const {
    if (data.size() != 1)
        return refuse(CC_BAD_LENGTH);
    switch (data[0]) {
    case 0:
        return answer(std::vector<uint8_t>(state.standby, state.standby + 4));
    case 1:
        return answer(std::vector<uint8_t>(state.current, state.current + 4));
    case 2:
        return answer(std::vector<uint8_t>(state.bootloader, state.bootloader + 8));
    default:
        return refuse(CC_INVALID_FIELD);
    }
}

FwReply FwUpdateController::rollback(FwState& state) {
    if (state.phase != FW_IDLE)
        return refuse(CC_NOT_NOW);
    bool standby = false;
    for (uint8_t b : state.standby)
        standby = standby || b != 0;
    if (!standby)
        return refuse(CC_NOT_NOW); // no standby image to go back to
    state.rollbackPending = true;
    return answer();
}

FwReply FwUpdateController::cancel(FwState& state) {
    if (state.phase == FW_AWAITING_IMAGE && usb_)
        usb_->withdraw();
    if (state.phase != FW_IDLE) {
        state.phase = FW_IDLE;
        std::memset(state.pending, 0, sizeof state.pending);
        state.failStatus = 0;
    }
    return answer();
}

FwReply FwUpdateController::imageStatus(const FwBytes& data, FwState& state) {
    if (data.size() != 2)
        return refuse(CC_BAD_LENGTH);
    state.imageStatus[0] = data[0];
    state.imageStatus[1] = data[1];
    return answer();
}

// The parameter: total length (2), header byte, mask (2), then field 0, the action.
uint8_t FwUpdateController::racAction(const FwBytes& parameter, FwState& state) {
    if (parameter.size() < 6 || !(parameter[3] & 1))
        return 0; // the action field is not written: nothing to do
    if (parameter[5] != ACTION_GRACEFUL_RESET)
        return 0; // the other actions belong to the extended configuration, not to the firmware

    advance(state);
    if (state.phase == FW_FLASHING)
        return CC_NOT_NOW; // never reset in the middle of a flash
    FwReply fault;
    if (applyFault("reset", state, &fault))
        return fault.completionCode ? fault.completionCode : static_cast<uint8_t>(CC_NOT_NOW);
    gracefulReset(state);
    return 0;
}

void FwUpdateController::gracefulReset(FwState& state) {
    if (state.phase == FW_FLASHED) {
        // The flashed image boots; the one that ran becomes the standby image.
        std::memcpy(state.standby, state.current, 4);
        std::memcpy(state.current, state.pending, 4);
        if (state.pendingHasBootloader)
            std::memcpy(state.bootloader, state.pendingBootloader, 8);
    } else if (state.rollbackPending) {
        uint8_t t[4];
        std::memcpy(t, state.current, 4);
        std::memcpy(state.current, state.standby, 4);
        std::memcpy(state.standby, t, 4);
    }
    if (state.phase == FW_AWAITING_IMAGE && usb_)
        usb_->withdraw();
    state.rollbackPending = false;
    std::memset(state.pending, 0, sizeof state.pending);
    state.failStatus = 0;
    state.phase = FW_REBOOTING;
    state.rebootUntil = clock_() + opts_.rebootSeconds;
    ++state.resets;
}

} // namespace sim
