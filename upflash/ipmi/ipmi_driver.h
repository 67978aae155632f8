// The host IPMI driver as the rest of the updater sees it: one CIPMIDriver over the variant
// that opened, and the plain functions load_driver, exec_command and get_system_id.
#pragma once

#include "ipmi/driver_interface.h"
#include "ipmi/ipmi_record.h"

#include <cstdint>

class CIPMIDriver {
public:
    enum { MODE_NONE = 0, MODE_OPENED = 1, MODE_INSTALLED = 2 };

    // factory makes the operating-system object of each variant tried (null: CLinuxTessel).
    explicit CIPMIDriver(DriverOSFactory factory = nullptr);
    virtual ~CIPMIDriver();
    CIPMIDriver(const CIPMIDriver&) = delete;
    CIPMIDriver& operator=(const CIPMIDriver&) = delete;

    virtual int Open();
    virtual int Close();
    virtual int ExecuteCommand(uint8_t netfnLun, uint8_t command, IPMI_DRIVER_STRUCT* record,
                               uint8_t slaveAddress);
    virtual int GetSystemID(uint16_t* systemId);
    virtual uint8_t GetBmcAddress();
    virtual int Install();
    virtual int Uninstall();

    int Mode() const { return m_mode; }
    CIPMIDriverInterface* Driver() const { return m_driver; }

private:
    DriverOSFactory m_factory;
    int m_mode = MODE_NONE;
    CIPMIDriverInterface* m_driver = nullptr;
};

extern CIPMIDriver* g_ipmiDriver;
extern uint8_t gBmc_address;

// Creates and opens the driver: 0, or 27 when no variant could be opened or installed.
int load_driver();
// Sends one command with the record's retries: 0, or 1 without a driver or after the last
// failed attempt. The record's response fields hold what the last response brought.
int exec_command(uint8_t slaveAddress, uint8_t netfnLun, uint8_t command,
                 IPMI_DRIVER_STRUCT* record);
// 0 with the host's (non-zero) system ID in *systemId, else 1.
int get_system_id(uint16_t* systemId);
uint8_t Get_BMC_Address();
// End of the run: closes and destroys the driver.
void driver_destructor();
