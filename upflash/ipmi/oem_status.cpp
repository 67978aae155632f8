#include "cli/result_codes.h"
#include "ipmi/bmc_fw.h"

namespace {

enum { OEM_STATUS_COMPLETION_CODE = 0xFF };

struct OemStatusRow {
    uint8_t status;
    int phase1;
    int phase2;
    int updateStatus;
};

// What each OEM status byte means for phase 1, phase 2 and the update status command. In
// phase 1, 0x83 is a success, unlike in the other two.
const OemStatusRow kOemStatusTable[] = {
    {0x81, RC_SUCCESS, RC_SUCCESS, RC_UPDATE_STATUS_FAILED},
    {0x82, RC_INSUFFICIENT_MEMORY, RC_INSUFFICIENT_MEMORY, RC_INSUFFICIENT_MEMORY},
    {0x83, RC_SUCCESS, RC_VMEDIA_ATTACH_FAILED, RC_VMEDIA_ATTACH_FAILED},
    {0x84, RC_PHASE1_FAILED, RC_PHASE2_FAILED, RC_INVALID_IMAGE_SIGNATURE},
    {0x85, RC_PHASE1_FAILED, RC_PHASE2_FAILED, RC_STANDBY_UPDATE_FAILED},
    {0x86, RC_PHASE1_FAILED, RC_PHASE2_FAILED, RC_UPDATE_NOT_INITIATED},
    {0xFF, RC_PHASE1_FAILED, RC_PHASE2_FAILED, RC_INTERNAL_UPDATE_ERROR},
};

// Any other status byte, and any failure that carries none.
const OemStatusRow kOtherFailure = {0, RC_PHASE1_FAILED, RC_PHASE2_FAILED,
                                    RC_UPDATE_STATUS_FAILED};

int column(const OemStatusRow& row, OEM_STATUS_COMMAND command) {
    switch (command) {
    case OEM_PHASE_1:
        return row.phase1;
    case OEM_PHASE_2:
        return row.phase2;
    case OEM_UPDATE_STATUS:
    default:
        return row.updateStatus;
    }
}

} // namespace

int oem_status_result(OEM_STATUS_COMMAND command, int execResult,
                      const IPMI_DRIVER_STRUCT* record) {
    if (execResult == 0)
        return RC_SUCCESS;
    const OemStatusRow* row = &kOtherFailure;
    if (record && record->completionCode == OEM_STATUS_COMPLETION_CODE &&
        record->responseDataLength > record->responseDataStart &&
        record->responseDataStart < IPMI_DATA_SIZE) {
        const uint8_t status = record->responseData[record->responseDataStart];
        for (const OemStatusRow& r : kOemStatusTable) {
            if (r.status == status) {
                row = &r;
                break;
            }
        }
    }
    return column(*row, command);
}

long recv_IANA_number(const IPMI_DRIVER_STRUCT* record) {
    if (!record || record->responseDataLength < 3)
        return -1;
    const uint8_t* d = record->responseData;
    return static_cast<long>(d[0]) + static_cast<long>(d[1]) * 256 +
           static_cast<long>(d[2]) * 65536;
}
