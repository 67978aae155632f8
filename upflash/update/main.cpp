// upflash: the controller firmware update utility.
#include "cli/config_file.h"
#include "cli/console.h"
#include "cli/options.h"
#include "cli/result_codes.h"
#include "image/devices.h"
#include "ipmi/bmc_fw.h"
#include "ipmi/ipmi_driver.h"
#include "report/update_package.h"
#include "report/versions_display.h"
#include "update/fw_update_param.h"
#include "update/run_sequence.h"

namespace {

void modules_construct() {
    print_constructor();
    options_constructor();
    fw_update_constructor();
    image_constructor();
    bmc_fw_constructor();
}

void modules_destruct() {
    driver_destructor();
    bmc_fw_destructor();
    image_destructor();
    fw_update_destructor();
    options_destructor();
    print_destructor();
}

} // namespace

int main(int argc, char** argv) {
    modules_construct();
    BIN_FILE_INFO info;
    bin_file_info_init(&info);

    int status = translate_options(argc, argv, &info);

    ReadConfigFile();
    display_printf(PRT_DEBUG, "\n   USBDeviceSearchingTime = %d seconds\n", gConfig.usbDeviceSearchingTime);
    display_printf(PRT_DEBUG, "   FwUpdateWaitingTime    = %d seconds\n", gConfig.fwUpdateWaitingTime);
    display_printf(PRT_DEBUG, "   VantroRebootWaitingTime  = %d seconds\n", gConfig.vantroRebootWaitingTime);
    display_printf(PRT_DEBUG, "   IPMICommandRetryTimes  = %d\n", gConfig.ipmiCommandRetryTimes);

    const bool xml_inventory = CKestrelUpdatePackage::XmlInventoryMode();
    const bool rollback = get_rollbackMode() != 0;

    if (status == RC_SUCCESS)
        status = load_driver();
    if (status == RC_SUCCESS)
        status = get_devices_list(&info);
    if (status == RC_SUCCESS)
        status = device_lookup(&info);

    if (!xml_inventory) {
        bool imageRead = false;
        if (status == RC_SUCCESS && !rollback) {
            status = get_image_file_info(&info);
            imageRead = true;
        }
        if (status == RC_SUCCESS) {
            status = display_information(&info, status);
        } else if (get_display_state() == DISPLAY_REVISION) {
            // Plain -r shows what it can even when an earlier step failed.
            devices_information[0].state = DEV_FOUND;
            if (!imageRead)
                get_image_file_info(&info);
            display_information(&info, status);
        }
        if (status == RC_SUCCESS && !rollback)
            check_images_revision(&info);
        if (status == RC_SUCCESS) {
            if (rollback)
                status = firmwareRollback(&info);
            else if (updateMode(&info))
                status = firmwareUpdate(&info);
            else if (devices_information[0].state == DEV_IMAGE_NEWER)
                status = RC_IMAGE_NEWER;
            else if (devices_information[0].state == DEV_SAME_VERSION)
                status = RC_SAME_VERSION;
            else if (devices_information[0].state == DEV_FOUND)
                status = RC_IMAGE_OLDER;
            CKestrelUpdatePackage::FlashStatus(0, status == RC_SUCCESS);
        }
    }
    if (status == RC_STOP_SUCCESS)
        status = RC_SUCCESS;

    status = exit_status_for(status);
    modules_destruct();
    CKestrelUpdatePackage::ToOutputIfNecessary(xml_inventory && status != RC_SUCCESS ? RC_XML_INVENTORY_FAILED : status);
    return status;
}
