// Controller actions (resets, log clearing, firmware-update phases, ...) and the firmware
// update status and rollback.
#define RAC_MODULE "racext"
#include "racext_groups.h"
#include "racipmi_ops.h"
#include "tracelog.h"

#include <cstring>

namespace {

constexpr u8 kActionToken = 20, kFwStatusToken = 241;
constexpr u8 kFwStatusSize = 16;

unsigned action(RacIpmi* r, const char* op, u8 index, u8 code, bool gate) {
    RAC_TRACE_OP(op);
    if (r == nullptr || r->pPrivateData == nullptr) return racExtResult(op, RACIPMI_INVALID_INPUT_PARAM);
    unsigned st = gate ? racReadinessGate(r) : static_cast<unsigned>(RACIPMI_SUCCESS);
    if (st == RACIPMI_SUCCESS) st = setRacExtCfgParam(r->pPrivateData, kActionToken, index, 1, 1, 1, &code);
    return racExtResult(op, st);
}

} // namespace

extern "C" {

unsigned racHardReset(RacIpmi* r) { return action(r, "racHardReset", 0, 1, true); }
unsigned racSoftReset(RacIpmi* r) { return action(r, "racSoftReset", 0, 2, true); }
unsigned racGracefulReset(RacIpmi* r) { return action(r, "racGracefulReset", 0, 3, true); }
unsigned racResetCfgToDefault(RacIpmi* r) { return action(r, "racResetCfgToDefault", 0, 4, true); }
unsigned racClearRaclog(RacIpmi* r) {
    if (r != nullptr && r->pPrivateData != nullptr) clearLogCache(r->pPrivateData, 1);
    return action(r, "racClearRaclog", 0, 5, true);
}
unsigned racClearCoredump(RacIpmi* r) { return action(r, "racClearCoredump", 0, 6, true); }
unsigned racStartFwupdatePhase1(RacIpmi* r) { return action(r, "racStartFwupdatePhase1", 0, 7, true); }
unsigned racStartFwUpdatePhase2(RacIpmi* r) { return action(r, "racStartFwUpdatePhase2", 0, 8, false); }
unsigned racTestEmailAlert(RacIpmi* r, u8 alert) {
    if (alert < 1 || alert > 4) {
        RAC_TRACE_OP("racTestEmailAlert");
        return racExtResult("racTestEmailAlert", RACIPMI_INVALID_INPUT_PARAM);
    }
    return action(r, "racTestEmailAlert", alert, 9, true);
}
unsigned racGenerateCsr(RacIpmi* r) { return action(r, "racGenerateCsr", 0, 10, true); }
unsigned racClrAsrScreen(RacIpmi* r) { return action(r, "racClrAsrScreen", 0, 11, true); }
unsigned racVmDisconnect(RacIpmi* r) { return action(r, "racVmDisconnect", 0, 12, true); }
unsigned racStartTftpFwUpdate(RacIpmi* r) { return action(r, "racStartTftpFwUpdate", 0, 14, true); }
unsigned racResetVmkeySize(RacIpmi* r) { return action(r, "racResetVmkeySize", 0, 15, false); }

unsigned getRacFwUpdateStatus(RacIpmi* r, u8* status) {
    RAC_TRACE_OP("getRacFwUpdateStatus");
    if (r == nullptr || r->pPrivateData == nullptr || status == nullptr)
        return racExtResult("getRacFwUpdateStatus", RACIPMI_INVALID_INPUT_PARAM);
    u8 buf[kFwStatusSize] = {};
    u16 len = 0;
    unsigned st = getRacExtCfgParam(r->pPrivateData, kFwStatusToken, 0, kFwStatusSize, &len, buf);
    if (st == RACIPMI_SUCCESS) std::memcpy(status, buf, kFwStatusSize);
    return racExtResult("getRacFwUpdateStatus", st);
}

unsigned getRacFwUpdateRollback(RacIpmi* r, const u8* value) {
    RAC_TRACE_OP("getRacFwUpdateRollback");
    if (r == nullptr || r->pPrivateData == nullptr || value == nullptr)
        return racExtResult("getRacFwUpdateRollback", RACIPMI_INVALID_INPUT_PARAM);
    unsigned st = setRacExtCfgParam(r->pPrivateData, kFwStatusToken, 0, 1, 1, 1, value);
    if (st == RACIPMI_SUCCESS) RAC_DEBUG("Firmware rolled back successfully !!\n");
    return racExtResult("getRacFwUpdateRollback", st);
}

} // extern "C"
