// The controller's OEM firmware-update command set, the graceful reset through the extended
// configuration commands, and the version read of the device lookup.
#pragma once

#include "ipmi/ipmi_record.h"

#include <cstdint>

struct DEVICES_INFORMATION;

// The maker's IANA private enterprise number, sent as 3 bytes, least significant first, at
// the start of every extended-configuration request and echoed at the start of the response.
// The controller and its configuration library agree on the same number.
enum : uint32_t { OpenRAC = 0x001F5A };

enum {
    NETFN_FIRMWARE_LUN0 = 0x20, // network function 0x08, LUN 0
    NETFN_OEM_GROUP_LUN0 = 0xB8, // network function 0x2E, LUN 0
    CMD_FW_UPDATE_PHASE_1 = 0x10,
    CMD_FW_UPDATE_PHASE_2 = 0x11,
    CMD_GET_FW_UPDATE_STATUS = 0x12,
    CMD_GET_FW_VERSION = 0x13,
    CMD_ROLLBACK_FW_VERSION = 0x14,
    CMD_CANCEL_FW_UPDATE = 0x15,
    CMD_SET_FW_IMAGE_STATUS = 0x16,
    CMD_RESERVE_EXTENDED_CONFIG = 0x01,
    CMD_SET_EXTENDED_CONFIG = 0x03,
};

enum FW_VERSION_WHICH { FW_VERSION_STANDBY = 0, FW_VERSION_CURRENT = 1, FW_VERSION_BOOTLOADER = 2 };

enum { RAC_ACTION_GRACEFUL_RESET = 3, RAC_CONTROL_OK = 0x06 };

// Which command an OEM status byte answers; it decides the result code the byte maps to.
enum OEM_STATUS_COMMAND { OEM_PHASE_1, OEM_PHASE_2, OEM_UPDATE_STATUS };

void bmc_fw_constructor();
void bmc_fw_destructor();

int fw_update_phase_1(uint8_t sizeMiB);
int fw_update_phase_2();
int get_fw_update_status(uint8_t* percent);
// 4 bytes for the standby and current images, 8 for the bootloader.
int get_fw_version(uint8_t which, uint8_t* version);
int roll_back_fw_version();
int cancel_fw_update();
int set_fw_image_status(const uint8_t bytes[2]);
int reserved_extended_configurations(uint8_t* reservationId);
int set_extended_configurations(IPMI_DRIVER_STRUCT* record);
int rac_control(uint8_t reservationId, uint8_t action);
int rac_graceful_reset();
int check_device(DEVICES_INFORMATION* device);

// The result code of an exchange: 0 when exec_command succeeded, else what the record's
// completion code and OEM status byte (with completion code 0xFF) mean for that command.
int oem_status_result(OEM_STATUS_COMMAND command, int execResult,
                      const IPMI_DRIVER_STRUCT* record);
// The enterprise number at the start of a response's data, or -1 when it holds fewer bytes.
long recv_IANA_number(const IPMI_DRIVER_STRUCT* record);
