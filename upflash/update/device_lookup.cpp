#include "update/run_sequence.h"

#include "cli/console.h"
#include "cli/result_codes.h"
#include "image/devices.h"
#include "ipmi/bmc_fw.h"
#include "ipmi/ipmi_driver.h"
#include "report/system_info.h"
#include "report/update_package.h"
#include "update/fw_update_param.h"

int get_devices_list(BIN_FILE_INFO* info) {
    info->devices = devices_information;
    uint16_t systemId = 0;
    if (get_system_id(&systemId) != RC_SUCCESS)
        return RC_FAILED;
    g_SystemInfo.Open();
    devices_information[0].slaveAddress = Get_BMC_Address();
    devices_information[0].state = DEV_PRESENT;
    return RC_SUCCESS;
}

void one_device_lookup(DEVICES_INFORMATION* device, int* found) {
    if (device->state == DEV_NO_RESPONSE || device->deviceType != DEVICE_TYPE_CONTROLLER)
        return;
    int result = check_device(device);
    if (result == RC_SUCCESS && get_rollbackMode()) {
        result = get_fw_version(FW_VERSION_STANDBY, device->standbyVersion);
        if (result != RC_SUCCESS)
            display_redirection(PRT_ERROR, "   Failed to get standby firmware version\n");
    }
    if (result != RC_SUCCESS) {
        device->state = DEV_NO_RESPONSE;
        return;
    }
    ++*found;
    device->state = DEV_FOUND;
}

int device_lookup(BIN_FILE_INFO* info) {
    DEVICES_INFORMATION* devices = info->devices ? info->devices : devices_information;
    int found = 0;
    display_redirection(PRT_STATUS, "\r   Searching for devices ");
    for (int i = 0; i < DEVICE_COUNT; ++i) {
        display_redirection(PRT_STATUS, ".");
        one_device_lookup(&devices[i], &found);
        if (devices[i].state == DEV_FOUND)
            CKestrelUpdatePackage::AddDevice(i, devices[i].displayName, devices[i].currentVersion[0],
                                             devices[i].currentVersion[1]);
    }
    clear_line();
    return found ? RC_SUCCESS : RC_DEVICE_NOT_FOUND;
}

bool updateMode(BIN_FILE_INFO* info) {
    const DEVICES_INFORMATION* devices = info->devices ? info->devices : devices_information;
    return devices[0].state == DEV_FLASH;
}
