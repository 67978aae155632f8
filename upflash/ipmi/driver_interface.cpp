#include "ipmi/driver_interface.h"

#include "cli/console.h"
#include "ipmi/driver_os.h"
#include "ipmi/driver_status.h"

CIPMIDriverInterface::~CIPMIDriverInterface() = default;

int CIPMIDriverInterface::Install() { return DRV_NOT_OFFERED; }

int CIPMIDriverInterface::Uninstall() { return DRV_NOT_OFFERED; }

uint8_t CIPMIDriverInterface::GetBmcAddress() { return 0x20; }

int CIPMIDriverInterface::IsTesselInstalled(CIPMIDriverInterface* driver) {
    return driver ? driver->Open() : DRV_NO_ENTRY;
}

CIPMIDriverInterface* CIPMIDriverInterface::GetInstalledDriver(DriverOSFactory factory) {
    CIPMIDriverInterface* driver = new CTessel5x(factory ? factory() : nullptr);
    if (IsTesselInstalled(driver) <= 0)
        return driver;
    delete driver;

    driver = new CTessel4x(factory ? factory() : nullptr);
    const int result = IsTesselInstalled(driver);
    if (result <= 0)
        return driver;
    delete driver;

    switch (result) {
    case DRV_HOST_INFO_FAILED:
        display_redirection(PRT_ERROR, "   Get Host Info Failed\n");
        break;
    case DRV_PROBE_FAILED:
        display_redirection(PRT_ERROR, "   KCS test - Get Device ID Failed\n");
        break;
    case DRV_SYSTEM_ID_ZERO:
        display_redirection(PRT_ERROR, "   System ID Error\n");
        break;
    default:
        break;
    }
    return nullptr;
}
