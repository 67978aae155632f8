#include "ipmi/bmc_fw.h"

#include "cli/config_file.h"
#include "cli/console.h"
#include "cli/result_codes.h"
#include "image/devices.h"
#include "ipmi/ipmi_driver.h"
#include "ipmi/ipmi_sleep.h"

#include <cstring>

namespace {

enum {
    COMMAND_DELAY_MS = 200,
    EXTENDED_CONFIG_DELAY_MS = 2000,
    GRACEFUL_RESET_WAIT_MS = 2000,
    RAC_CONTROL_RETRIES = 1,
    RAC_CONTROL_LENGTH = 15,
    VERSION_BYTES = 4,
    BOOTLOADER_VERSION_BYTES = 8,
};

// A fresh record with the configured retries, the usual delay and the given request data.
IPMI_DRIVER_STRUCT make_record(const uint8_t* data, uint16_t length) {
    IPMI_DRIVER_STRUCT record;
    std::memset(&record, 0, sizeof record);
    record.retries = gConfig.ipmiCommandRetryTimes;
    record.delay = COMMAND_DELAY_MS;
    record.requestDataLength = length;
    if (length)
        std::memcpy(record.requestData, data, length);
    return record;
}

void put_enterprise_number(uint8_t* out) {
    out[0] = static_cast<uint8_t>(OpenRAC & 0xFFu);
    out[1] = static_cast<uint8_t>((OpenRAC >> 8) & 0xFFu);
    out[2] = static_cast<uint8_t>((OpenRAC >> 16) & 0xFFu);
}

int send_firmware(uint8_t command, IPMI_DRIVER_STRUCT* record) {
    return exec_command(Get_BMC_Address(), NETFN_FIRMWARE_LUN0, command, record);
}

// The response's payload, once it holds at least count bytes; else null.
const uint8_t* payload(const IPMI_DRIVER_STRUCT& record, unsigned count) {
    if (record.responseDataStart >= IPMI_DATA_SIZE ||
        record.responseDataLength < record.responseDataStart + count ||
        record.responseDataStart + count > IPMI_DATA_SIZE)
        return nullptr;
    return &record.responseData[record.responseDataStart];
}

// A plain command without request data: 0 on success, else the given failure code.
int simple_command(const char* title, uint8_t command, int failure) {
    display_redirection(PRT_DEBUG, title);
    IPMI_DRIVER_STRUCT record = make_record(nullptr, 0);
    return send_firmware(command, &record) == 0 ? RC_SUCCESS : failure;
}

} // namespace

void bmc_fw_constructor() { gBmc_address = 0x20; }

void bmc_fw_destructor() {}

int fw_update_phase_1(uint8_t sizeMiB) {
    display_redirection(PRT_DEBUG, "\nFirmware Update Phase 1 Command\n");
    IPMI_DRIVER_STRUCT record = make_record(&sizeMiB, 1);
    return oem_status_result(OEM_PHASE_1, send_firmware(CMD_FW_UPDATE_PHASE_1, &record),
                             &record);
}

int fw_update_phase_2() {
    display_redirection(PRT_DEBUG, "\nFirmware Update Phase 2 Command\n");
    IPMI_DRIVER_STRUCT record = make_record(nullptr, 0);
    return oem_status_result(OEM_PHASE_2, send_firmware(CMD_FW_UPDATE_PHASE_2, &record),
                             &record);
}

int get_fw_update_status(uint8_t* percent) {
    display_redirection(PRT_DEBUG, "\nGet Firmware Update Status Command\n");
    const uint8_t request = 0x01;
    IPMI_DRIVER_STRUCT record = make_record(&request, 1);
    const int result =
        oem_status_result(OEM_UPDATE_STATUS, send_firmware(CMD_GET_FW_UPDATE_STATUS, &record),
                          &record);
    if (result != RC_SUCCESS)
        return result;
    // A success without the percentage byte is no status at all.
    const uint8_t* data = payload(record, 1);
    if (!data)
        return RC_UPDATE_STATUS_FAILED;
    if (percent)
        *percent = data[0];
    return RC_SUCCESS;
}

int get_fw_version(uint8_t which, uint8_t* version) {
    display_redirection(PRT_DEBUG, "\nGet Firmware Version Command\n");
    IPMI_DRIVER_STRUCT record = make_record(&which, 1);
    if (send_firmware(CMD_GET_FW_VERSION, &record) != 0)
        return RC_GET_VERSION_FAILED;
    const unsigned count =
        which == FW_VERSION_BOOTLOADER ? BOOTLOADER_VERSION_BYTES : VERSION_BYTES;
    const uint8_t* data = payload(record, count);
    if (!data) {
        if (which == FW_VERSION_BOOTLOADER)
            display_redirection(PRT_DEBUG, "   Response data length is less than 8\n");
        return RC_GET_VERSION_FAILED;
    }
    if (version)
        std::memcpy(version, data, count);
    return RC_SUCCESS;
}

int roll_back_fw_version() {
    return simple_command("\nRollback Firmware Version Command\n", CMD_ROLLBACK_FW_VERSION,
                          RC_ROLLBACK_FAILED);
}

int cancel_fw_update() {
    return simple_command("\nCancel Firmware Update Command\n", CMD_CANCEL_FW_UPDATE,
                          RC_CANCEL_UPDATE_FAILED);
}

int set_fw_image_status(const uint8_t bytes[2]) {
    display_redirection(PRT_DEBUG, "\nSet Firmware Image Status Command\n");
    const uint8_t none[2] = {0, 0};
    IPMI_DRIVER_STRUCT record = make_record(bytes ? bytes : none, 2);
    return send_firmware(CMD_SET_FW_IMAGE_STATUS, &record) == 0 ? RC_SUCCESS
                                                                  : RC_SET_IMAGE_STATUS_FAILED;
}

int reserved_extended_configurations(uint8_t* reservationId) {
    display_redirection(PRT_DEBUG, "\nReserved Extended Configurations Command\n");
    uint8_t request[3];
    put_enterprise_number(request);
    IPMI_DRIVER_STRUCT record = make_record(request, sizeof request);
    record.delay = EXTENDED_CONFIG_DELAY_MS;
    if (exec_command(Get_BMC_Address(), NETFN_OEM_GROUP_LUN0, CMD_RESERVE_EXTENDED_CONFIG,
                     &record) != 0)
        return RC_FAILED;
    // The enterprise number echoed, then the reservation ID.
    if (record.responseDataLength < 4 || recv_IANA_number(&record) != OpenRAC)
        return RC_FAILED;
    if (reservationId)
        *reservationId = record.responseData[3];
    return RC_SUCCESS;
}

int set_extended_configurations(IPMI_DRIVER_STRUCT* record) {
    display_redirection(PRT_DEBUG, "\nSet Extended Configurations Command\n");
    return exec_command(Get_BMC_Address(), NETFN_OEM_GROUP_LUN0, CMD_SET_EXTENDED_CONFIG,
                        record);
}

int rac_control(uint8_t reservationId, uint8_t action) {
    uint8_t request[RAC_CONTROL_LENGTH] = {0};
    put_enterprise_number(request);
    request[3] = reservationId;
    request[4] = 0x14;
    // bytes 5 to 7 stay 0x00
    request[8] = 0x01;
    request[9] = 0x06;
    request[10] = 0x00;
    request[11] = 0x01;
    request[12] = 0x01;
    request[13] = 0x00;
    request[14] = action;
    IPMI_DRIVER_STRUCT record = make_record(request, sizeof request);
    record.retries = RAC_CONTROL_RETRIES;
    record.delay = EXTENDED_CONFIG_DELAY_MS;
    if (set_extended_configurations(&record) != 0)
        return RC_FAILED;
    if (record.responseDataLength < 4 || recv_IANA_number(&record) != OpenRAC ||
        record.responseData[3] != RAC_CONTROL_OK)
        return RC_FAILED;
    return RC_SUCCESS;
}

int rac_graceful_reset() {
    int result = RC_FAILED;
    for (int attempt = 0; attempt < gConfig.ipmiCommandRetryTimes + 1; ++attempt) {
        if (attempt > 0)
            display_printf(PRT_DEBUG, "\nRAC Graceful Reset retry %d", attempt);
        uint8_t reservation = 0;
        result = reserved_extended_configurations(&reservation);
        if (result == RC_SUCCESS) {
            result = rac_control(reservation, RAC_ACTION_GRACEFUL_RESET);
            if (result == RC_SUCCESS)
                return RC_SUCCESS;
        }
        ipmi_sleep_ms(GRACEFUL_RESET_WAIT_MS);
    }
    return result;
}

int check_device(DEVICES_INFORMATION* device) {
    if (!device)
        return RC_GET_VERSION_FAILED;
    uint8_t current[VERSION_BYTES];
    const int result = get_fw_version(FW_VERSION_CURRENT, current);
    if (result != RC_SUCCESS)
        return result;
    std::memcpy(device->currentVersion, current, sizeof current);

    uint8_t bootloader[BOOTLOADER_VERSION_BYTES];
    if (get_fw_version(FW_VERSION_BOOTLOADER, bootloader) != RC_SUCCESS) {
        device->bootloaderKnown = 0;
        display_redirection(PRT_DEBUG, "\n   Warning! Get u-boot version failed.\n");
    } else {
        device->bootloaderKnown = 1;
        std::memcpy(device->bootloaderVersion, bootloader, sizeof bootloader);
    }
    return result;
}
