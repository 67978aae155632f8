#include "update/run_sequence.h"

#include "cli/console.h"
#include "cli/result_codes.h"
#include "image/devices.h"
#include "ipmi/bmc_fw.h"
#include "update/controller_wait.h"
#include "update/fw_update_param.h"

#include <cstring>

namespace {

std::string version_text(const uint8_t v[4]) { return format_text("%u.%u", v[0], v[1]); }
std::string revision_text(const uint8_t v[4]) { return format_text("%u", device_revision(v)); }

void print_rollback_table(const uint8_t newCur[4], const uint8_t newStby[4], const uint8_t oldCur[4],
                          const uint8_t oldStby[4]) {
    const std::string head = format_text("   %%-20s%%-17s %%-17s\n");
    display_printf(PRT_NORMAL, head.c_str(), "", " After Rollback", " Before Rollback");
    display_printf(PRT_NORMAL, head.c_str(), "", "----------------", "----------------");
    const std::string row = format_text("   %%-20s%%-8s %%-8s %%-8s %%-8s\n");
    display_printf(PRT_NORMAL, row.c_str(), "", "Current", "Standby", "Current", "Standby");
    display_printf(PRT_NORMAL, row.c_str(), "Firmware Version", version_text(newCur).c_str(), version_text(newStby).c_str(),
                   version_text(oldCur).c_str(), version_text(oldStby).c_str());
    display_printf(PRT_NORMAL, row.c_str(), "Firmware Revision", revision_text(newCur).c_str(),
                   revision_text(newStby).c_str(), revision_text(oldCur).c_str(), revision_text(oldStby).c_str());
}

} // namespace

void waitForTimesup(int seconds) {
    for (int left = seconds; left > 0; --left) {
        BeautifyDelayPrintout(left - 1, "  FW Rollback ...");
        DelayMS(1000);
    }
}

int firmwareRollback(BIN_FILE_INFO* info) {
    DEVICES_INFORMATION& d = (info->devices ? info->devices : devices_information)[0];
    uint8_t oldCur[4], oldStby[4], newCur[4] = {}, newStby[4] = {};
    std::memcpy(oldCur, d.currentVersion, 4);
    std::memcpy(oldStby, d.standbyVersion, 4);

    int result = roll_back_fw_version();
    if (result == RC_SUCCESS) {
        waitForTimesup(5);
        display_redirection(PRT_STATUS, "   FW Rollback OK\n");
    }
    if (result == RC_SUCCESS && get_ClearPSMode()) {
        const uint8_t bytes[2] = {0x01, 0x00};
        if (set_fw_image_status(bytes) != RC_SUCCESS) {
            // Unlike the update, the rollback has happened already: it goes on.
            display_redirection(PRT_DEBUG, "failed");
            display_redirection(PRT_PROGRESS, "\n   Set firmware image status failed\n");
        } else {
            display_redirection(PRT_DEBUG, "\n   Set firmware image status OK");
        }
    }
    if (result == RC_SUCCESS) {
        if (rac_graceful_reset() != RC_SUCCESS) {
            display_redirection(PRT_NORMAL, "\n   RAC Graceful Reset failed\n");
            result = RC_RESET_FAILED;
        } else {
            display_redirection(PRT_DEBUG, "\n   RAC Graceful Reset OK");
        }
    }
    if (result != RC_SUCCESS)
        return result;

    display_redirection(PRT_STATUS, "\n   Checking new firmware version");
    const CONTROLLER_WAIT_TEXTS texts = {FW_VERSION_STANDBY, "\n   Get FW Standby Version OK",
                                         "\n   Get FW Standby Version failed\n", 6,
                                         "\r   Checking new firmware version timeout"};
    result = wait_for_controller(texts, newStby);
    if (result == RC_SUCCESS) {
        result = get_fw_version(FW_VERSION_CURRENT, newCur);
        display_redirection(PRT_DEBUG, result == RC_SUCCESS ? "\n   Get FW Current Version OK"
                                                            : "\n   Get FW Current Version failed");
    }
    if (result != RC_SUCCESS) {
        display_redirection(PRT_PROGRESS, "\n   Get FW Version failed\n");
        display_redirection(PRT_DEBUG, "\n");
        return result;
    }
    display_redirection(PRT_NORMAL, "\n   Checking Firmware Version\n");
    if (std::memcmp(oldStby, newCur, 4) != 0)
        result = RC_ROLLBACK_FAILED;
    print_rollback_table(newCur, newStby, oldCur, oldStby);
    std::memcpy(d.currentVersion, newCur, 4);
    std::memcpy(d.standbyVersion, newStby, 4);
    if (result == RC_ROLLBACK_FAILED)
        display_redirection(PRT_NORMAL, "   Current Firmware version and Standby Firmware version are not the same!!\n");
    else
        display_redirection(PRT_NORMAL, "\n   Firmware rollback successfully.\n");
    return result;
}
