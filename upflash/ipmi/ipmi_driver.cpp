#include "ipmi/ipmi_driver.h"

#include "cli/result_codes.h"
#include "ipmi/driver_status.h"

#include <new>

CIPMIDriver* g_ipmiDriver = nullptr;
uint8_t gBmc_address = 0x20;

CIPMIDriver::CIPMIDriver(DriverOSFactory factory) : m_factory(factory) {}

CIPMIDriver::~CIPMIDriver() { Close(); }

int CIPMIDriver::Open() {
    if (m_driver)
        return 0;
    m_driver = CIPMIDriverInterface::GetInstalledDriver(m_factory);
    if (m_driver) {
        m_mode = MODE_OPENED;
        return 0;
    }
    return Install();
}

int CIPMIDriver::Install() {
    delete m_driver;
    m_driver = new CTessel5x(m_factory ? m_factory() : nullptr);
    const int result = m_driver->Install();
    if (result > 0)
        return result;
    m_mode = MODE_INSTALLED;
    return m_driver->Open();
}

int CIPMIDriver::Uninstall() {
    m_mode = MODE_NONE;
    return m_driver ? m_driver->Uninstall() : DRV_NO_ENTRY;
}

int CIPMIDriver::Close() {
    if (!m_driver)
        return 0;
    int result = m_driver->Close();
    if (m_mode == MODE_INSTALLED)
        result = Uninstall();
    delete m_driver;
    m_driver = nullptr;
    m_mode = MODE_NONE;
    return result;
}

int CIPMIDriver::ExecuteCommand(uint8_t netfnLun, uint8_t command, IPMI_DRIVER_STRUCT* record,
                                uint8_t slaveAddress) {
    if (!m_driver)
        return DRV_NO_ENTRY;
    return m_driver->ExecuteCommand(netfnLun, command, record, slaveAddress);
}

int CIPMIDriver::GetSystemID(uint16_t* systemId) {
    if (!m_driver)
        return DRV_NO_ENTRY;
    if (!systemId)
        return DRV_NO_OUTPUT;
    return m_driver->GetHostInfo(systemId);
}

uint8_t CIPMIDriver::GetBmcAddress() { return m_driver ? m_driver->GetBmcAddress() : 0x20; }

int load_driver() {
    driver_destructor();
    g_ipmiDriver = new (std::nothrow) CIPMIDriver();
    if (!g_ipmiDriver || g_ipmiDriver->Open() > 0)
        return RC_LOAD_LIBRARY_FAILED;
    gBmc_address = g_ipmiDriver->GetBmcAddress();
    return RC_SUCCESS;
}

int exec_command(uint8_t slaveAddress, uint8_t netfnLun, uint8_t command,
                 IPMI_DRIVER_STRUCT* record) {
    if (!g_ipmiDriver || !record)
        return 1;
    return g_ipmiDriver->ExecuteCommand(netfnLun, command, record, slaveAddress) > 0 ? 1 : 0;
}

int get_system_id(uint16_t* systemId) {
    if (!g_ipmiDriver || !systemId)
        return 1;
    uint16_t id = 0;
    if (g_ipmiDriver->GetSystemID(&id) > 0 || id == 0)
        return 1;
    *systemId = id;
    return 0;
}

uint8_t Get_BMC_Address() { return gBmc_address; }

void driver_destructor() {
    if (!g_ipmiDriver)
        return;
    g_ipmiDriver->Close();
    delete g_ipmiDriver;
    g_ipmiDriver = nullptr;
}
