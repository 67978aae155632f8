#include "update/run_sequence.h"

#include "cli/config_file.h"
#include "cli/console.h"
#include "cli/options.h"
#include "cli/result_codes.h"
#include "image/devices.h"
#include "ipmi/bmc_fw.h"
#include "update/controller_wait.h"
#include "update/fw_update_param.h"
#include "usb/usb_device.h"

namespace {

enum { UPLOAD_ATTEMPTS = 5, MIB = 1048576, MAX_IMAGE_MIB = 255 };

std::string version_text(uint8_t major, uint8_t minor) { return format_text("%u.%u", major, minor); }

// Compares the controller's new version with the image's and prints both; 0 or 1.
int check_new_version(const DEVICES_INFORMATION& d, const IMAGE_HEADER* h, bool imageHasBootloader) {
    display_redirection(PRT_NORMAL, "\n   Check new firmware version\n");
    const uint8_t* cur = d.currentVersion;
    int result = RC_SUCCESS;
    if (h->major != cur[0] || h->minor != cur[1] || h->revision[1] != cur[2] || h->revision[0] != cur[3])
        result = RC_FAILED;
    else if (d.bootloaderKnown && imageHasBootloader)
        for (int i = 0; i < 3; ++i)
            if (h->bootloader1[i] != d.bootloaderVersion[i] || h->bootloader2[i] != d.bootloaderVersion[4 + i])
                result = RC_FAILED;

    const std::string fmt = d.bootloaderKnown ? format_text("   %%-24s%%-14s%%-14s\n") : format_text("   %%-20s%%-10s%%-10s\n");
    display_printf(PRT_NORMAL, fmt.c_str(), "", "Vantro", "Image");
    display_printf(PRT_NORMAL, fmt.c_str(), "Firmware Version", version_text(cur[0], cur[1]).c_str(),
                   version_text(h->major, h->minor).c_str());
    display_printf(PRT_NORMAL, fmt.c_str(), "Firmware Revision", format_text("%u", device_revision(cur)).c_str(),
                   format_text("%u", image_revision(h)).c_str());
    if (d.bootloaderKnown) {
        const uint8_t* b = &d.bootloaderVersion[4];
        display_printf(PRT_NORMAL, fmt.c_str(), "Bootloader version", format_text("%X.%X.%X", b[0], b[1], b[2]).c_str(),
                       imageHasBootloader ? format_text("%X.%X.%X", h->bootloader2[0], h->bootloader2[1], h->bootloader2[2]).c_str()
                                          : "N/A");
    }
    if (result != RC_SUCCESS)
        display_redirection(PRT_NORMAL, "   Current Firmware version and Image Firmware version are not the same!!\n");
    return result;
}

int upload_image(const char* path) {
    display_redirection(PRT_NORMAL, "   Uploading Firmware Image ... ");
    for (int attempt = 1; attempt <= UPLOAD_ATTEMPTS; ++attempt) {
        if (writeFileToUsbKey(path) == 0) {
            display_redirection(PRT_DEBUG, "\n   Uploading Firmware Image ... OK!\n");
            display_redirection(PRT_PROGRESS, "\n   Uploading Firmware Image OK\n");
            return RC_SUCCESS;
        }
        if (attempt < UPLOAD_ATTEMPTS) {
            display_printf(PRT_NORMAL, "\n   Uploading Firmware Image ... retry %d", attempt);
            display_redirection(PRT_PROGRESS, "\n");
        }
    }
    display_redirection(PRT_ERROR, "\n   Uploading Firmware Image ... failed!\n");
    cancelFwUpdate();
    return RC_USB_ACCESS_FAILED;
}

} // namespace

int cancelFwUpdate() {
    const int rc = cancel_fw_update();
    if (rc != RC_SUCCESS)
        display_redirection(PRT_ERROR, "\n   Cancel firmware update failed\n");
    else
        display_redirection(PRT_DEBUG, "\n   Cancel firmware update : OK\n");
    return rc;
}

int checkForceFWUpdate() {
    if (get_flash_mode() != FLASH_MODE_FORCE)
        return RC_SUCCESS;
    uint8_t percent = 0;
    const int rc = get_fw_update_status(&percent);
    if (rc == RC_SUCCESS)
        return RC_UPDATE_IN_PROGRESS;
    if (rc == RC_UPDATE_NOT_INITIATED)
        return RC_SUCCESS;
    return cancelFwUpdate();
}

int getFwUpdateStatus() {
    const time_t start = time(nullptr);
    time_t latest = start;
    int result = RC_SUCCESS;
    bool done = false;
    do {
        DelayMS(1000);
        uint8_t percent = 0;
        result = get_fw_update_status(&percent);
        latest = time(nullptr);
        if (result != RC_SUCCESS)
            break;
        display_printf(PRT_STATUS, "\r   Firmware update status: %d percent", percent);
        done = percent == 100;
    } while (difftime(latest, start) <= gConfig.fwUpdateWaitingTime && !done);
    display_printf(PRT_DEBUG, "   Start getting firmware update status at %s", calendar_text(start).c_str());
    display_printf(PRT_DEBUG, "   Stop getting firmware update status at %s", calendar_text(latest).c_str());
    display_printf(PRT_DEBUG, "   Elapsed time = %2.0f seconds\n", difftime(latest, start));
    if (result == RC_SUCCESS && !done) {
        display_redirection(PRT_DEBUG, "   Firmware update status timeout\n");
        display_redirection(PRT_PROGRESS, "\r   Firmware update status: Timeout     ");
        result = RC_UPDATE_STATUS_FAILED;
    }
    return result;
}

int firmwareUpdate(BIN_FILE_INFO* info) {
    DEVICES_INFORMATION& d = (info->devices ? info->devices : devices_information)[0];
    const IMAGE_HEADER* h = info->header ? info->header : &image_header;
    const bool imageHasBootloader = image_has_bootloader_versions(h);
    initRacUsb();
    int result = RC_SUCCESS;

    // The size travels in one byte, and it is the smallest device the image is copied to: an
    // image of 256 MiB or more cannot be announced truthfully, so it is refused before anything
    // is sent.
    const uint32_t mib = h->fileLength / MIB + (h->fileLength % MIB ? 1 : 0);
    if (mib > MAX_IMAGE_MIB) {
        display_printf(PRT_ERROR, "   Image file is too large: %u MiB, at most %d MiB\n", mib, MAX_IMAGE_MIB);
        result = RC_ERROR_IN_FILE;
    }
    gFwUpdParam.imageSizeMiB = static_cast<uint8_t>(mib > MAX_IMAGE_MIB ? 0 : mib);

    if (result == RC_SUCCESS)
        result = checkForceFWUpdate();
    if (result == RC_SUCCESS) {
        display_redirection(PRT_DEBUG, "\n   Get Device Name List Before Doing Phase 1 : ");
        result = getDeviceList();
        if (result != RC_SUCCESS)
            display_redirection(PRT_NORMAL, "\n   Get Device Name List Before Doing Phase 1 Failed");
        else
            display_redirection(PRT_DEBUG, "\n   Get Device Name List Before Doing Phase 1 OK");
    }
    if (result == RC_SUCCESS) {
        display_redirection(PRT_DEBUG, "\n   FW Update Phase 1 : ");
        result = fw_update_phase_1(gFwUpdParam.imageSizeMiB);
        if (result == RC_SUCCESS)
            display_redirection(PRT_DEBUG, "OK\n");
    }
    if (result == RC_SUCCESS) {
        if (detectUSBdevice() != 0) {
            cancelFwUpdate();
            result = RC_USB_ACCESS_FAILED;
        } else {
            display_redirection(PRT_PROGRESS, "\r   Detecting USB Device ... OK \n");
        }
    }
    if (result == RC_SUCCESS)
        result = upload_image(info->imagePath);
    if (result == RC_SUCCESS && get_ClearPSMode()) {
        display_redirection(PRT_DEBUG, "\n   Set Firmware Image Status : ");
        const uint8_t bytes[2] = {0x01, 0x00};
        result = set_fw_image_status(bytes);
        if (result != RC_SUCCESS)
            cancelFwUpdate();
        else
            display_redirection(PRT_DEBUG, "OK");
    }
    if (result == RC_SUCCESS && manuallyUnmountUSBDevice() != 0) {
        cancelFwUpdate();
        result = RC_VMEDIA_DETACH_FAILED;
    }
    if (result == RC_SUCCESS) {
        result = fw_update_phase_2();
        if (result != RC_SUCCESS)
            cancelFwUpdate();
        else
            display_redirection(PRT_DEBUG, "   FW Update Phase 2 OK\n");
    }
    if (result == RC_SUCCESS) {
        DelayMS(5000);
        display_redirection(PRT_STATUS, "\n   Get Firmware Update Status ");
        result = getFwUpdateStatus();
        if (result != RC_SUCCESS) {
            display_redirection(PRT_NORMAL, "\n   Get Firmware Update Status failed\n");
            cancelFwUpdate();
        } else {
            display_redirection(PRT_PROGRESS, "\n");
            display_redirection(PRT_DEBUG, "   Get Firmware Update Status OK\n");
        }
    }
    if (result == RC_SUCCESS) {
        DelayMS(3000);
        if (rac_graceful_reset() != RC_SUCCESS) {
            display_redirection(PRT_NORMAL, "\n   RAC Graceful Reset Failed\n");
            result = RC_RESET_FAILED;
        } else {
            display_redirection(PRT_DEBUG, "\n   RAC Graceful Reset OK\n");
        }
    }
    if (result == RC_SUCCESS) {
        const CONTROLLER_WAIT_TEXTS texts = {FW_VERSION_CURRENT, "   Get FW Version OK\n", "   Get FW Version failed\n", 7,
                                             "\r   Checking new firmware version timeout  \n   Get FW Version failed\n"};
        result = wait_for_controller(texts, d.currentVersion);
    }
    if (result == RC_SUCCESS) {
        d.bootloaderKnown = 0;
        if (get_fw_version(FW_VERSION_BOOTLOADER, d.bootloaderVersion) != RC_SUCCESS)
            display_redirection(PRT_DEBUG, "\n   Get u-boot version failed!\n");
        else
            d.bootloaderKnown = 1;
        result = check_new_version(d, h, imageHasBootloader);
    }
    uninitRacUsb();
    if (result == RC_SUCCESS)
        display_redirection(PRT_NORMAL, "\n   Firmware update successfully\n");
    return result;
}
