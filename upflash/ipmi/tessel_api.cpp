#include "cli/console.h"
#include "ipmi/driver_interface.h"
#include "ipmi/driver_os.h"
#include "ipmi/driver_status.h"

#include <cstring>
#include <string>

namespace {

enum {
    NETFN_APP_LUN0 = 0x18,
    CMD_GET_DEVICE_ID = 0x01,
    PROBE_RETRIES = 4,
    PROBE_DELAY_MS = 200,
};

void trace_request(uint8_t slave, uint8_t netfnLun, uint8_t command,
                   const IPMI_DRIVER_STRUCT* record) {
    display_redirection(PRT_DEBUG, "   Request Info:\n");
    display_printf(PRT_DEBUG,
                   "   slave addr = 0x%02X  netfcn+lun = 0x%02X  command = 0x%02X\n", slave,
                   netfnLun, command);
    std::string line = format_text("   request data length = %d, data =",
                                   static_cast<int>(record->requestDataLength));
    for (unsigned i = 0; i < record->requestDataLength && i < IPMI_DATA_SIZE; ++i)
        line += format_text(" 0x%02X", record->requestData[i]);
    line += "\n";
    display_redirection(PRT_DEBUG, line.c_str());
}

void trace_response(const IPMI_DRIVER_STRUCT* record) {
    display_redirection(PRT_DEBUG, "   Response Info:\n");
    display_printf(PRT_DEBUG, "   Completion Code = 0x%02x  Response Length = 0x%02x\n",
                   record->completionCode, record->responseDataLength);
    std::string line = "   Response Data:";
    for (unsigned i = 0; i < record->responseDataLength; ++i)
        line += format_text(" 0x%02x", record->responseData[i]);
    line += "\n";
    display_redirection(PRT_DEBUG, line.c_str());
}

void trace_response_error(const BrdIPMICmdIoctlReq& response) {
    display_redirection(PRT_DEBUG, "   Response Error\n");
    display_printf(PRT_DEBUG,
                   "   Cmd Status = 0x%02x  IPMI Cmd Status = 0x%02x  Response Len = 0x%02x\n",
                   brd_get32(response.status), response.message[2],
                   brd_get32(response.responseLength));
}

} // namespace

CTesselAPI::CTesselAPI(CDriverOS* os) : m_os(os ? os : new CLinuxTessel()) {}

CTesselAPI::~CTesselAPI() { delete m_os; }

int CTesselAPI::vexa_ExecuteCommand(uint8_t slaveAddress, uint8_t netfnLun, uint8_t command,
                                    IPMI_DRIVER_STRUCT* record) {
    if (!record)
        return DRV_CALL_FAILED;
    record->responseDataStart = 0;
    trace_request(slaveAddress, netfnLun, command, record);
    if (record->requestDataLength > BRD_MAX_REQUEST_DATA) {
        // The library's record holds 33 data bytes; a longer request is refused, not cut.
        display_printf(PRT_DEBUG, "   Request data longer than %d bytes\n",
                       BRD_MAX_REQUEST_DATA);
        return DRV_CALL_FAILED;
    }

    BrdIPMICmdIoctlReq request;
    BrdIPMICmdIoctlReq response;
    std::memset(&request, 0, sizeof request);
    std::memset(&response, 0, sizeof response);
    brd_put32(request.requestKind, BRD_REQUEST_KIND);
    brd_put32(request.requestLength, record->requestDataLength + 2u);
    brd_put32(request.responseLength, BRD_EXPECTED_RESPONSE_LENGTH);
    request.message[0] = netfnLun;
    request.message[1] = command;
    std::memcpy(&request.message[2], record->requestData, record->requestDataLength);
    request.slaveAddress = slaveAddress;

    const int called = IPMICommand(&request, &response);
    const uint32_t length = brd_get32(response.responseLength);
    // A length beyond the record's message area would read past it: a broken response.
    if (called != 0 || brd_get32(response.status) != 0 || length > BRD_MESSAGE_SIZE) {
        trace_response_error(response);
        return DRV_CALL_FAILED;
    }
    if (length < BRD_RESPONSE_HEADER)
        return DRV_SHORT_RESPONSE;

    record->responseDataLength = static_cast<uint16_t>(length - BRD_RESPONSE_HEADER);
    record->completionCode = response.message[2];
    std::memcpy(record->responseData, &response.message[BRD_RESPONSE_HEADER],
                record->responseDataLength);
    trace_response(record);
    return record->completionCode != 0 ? DRV_CALL_FAILED : 0;
}

int CTesselAPI::ExecuteCommand(uint8_t netfnLun, uint8_t command, IPMI_DRIVER_STRUCT* record,
                               uint8_t slaveAddress) {
    if (!record)
        return DRV_CALL_FAILED;
    int result = 0;
    for (int attempt = 0; attempt <= record->retries; ++attempt) {
        if (attempt > 0)
            display_printf(PRT_DEBUG, "   Retry %d\n", attempt);
        result = vexa_ExecuteCommand(slaveAddress, netfnLun, command, record);
        if (result <= 0)
            break;
        if (record->requestDataLength > BRD_MAX_REQUEST_DATA)
            break; // refused before it was sent: repeating cannot help
        m_os->DelayMs(record->delay);
    }
    return result;
}

int CTesselAPI::ConnectionIsAlive() {
    uint16_t systemId = 0;
    if (GetHostInfo(&systemId) > 0)
        return DRV_HOST_INFO_FAILED;
    display_redirection(PRT_DEBUG, "\nGet Device ID\n");
    IPMI_DRIVER_STRUCT record;
    std::memset(&record, 0, sizeof record);
    record.retries = PROBE_RETRIES;
    record.delay = PROBE_DELAY_MS;
    if (ExecuteCommand(NETFN_APP_LUN0, CMD_GET_DEVICE_ID, &record, GetBmcAddress()) > 0)
        return DRV_PROBE_FAILED;
    return systemId == 0 ? DRV_SYSTEM_ID_ZERO : 0;
}

int CTesselAPI::ProbeStartingDriver() {
    int result = ConnectionIsAlive();
    if (result > 0) {
        m_driverStarted = 1;
        m_os->StartDriver();
        result = ConnectionIsAlive();
        if (result > 0)
            m_driverStarted = 0;
    }
    return result;
}
