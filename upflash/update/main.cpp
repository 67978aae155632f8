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

    if (status == RC_SUCCESS)
        status = load_driver();

    if (!xml_inventory && status != RC_SUCCESS && get_display_state() == DISPLAY_REVISION) {
        // Plain -r shows what it can even when an earlier step failed: the image's side.
        devices_information[0].state = DEV_FOUND;
        get_image_file_info(&info);
        display_information(&info, status);
    }

    status = exit_status_for(status);
    modules_destruct();
    CKestrelUpdatePackage::ToOutputIfNecessary(xml_inventory && status != RC_SUCCESS ? RC_XML_INVENTORY_FAILED : status);
    return status;
}
