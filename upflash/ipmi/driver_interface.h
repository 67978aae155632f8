// The host driver classes: the interface every variant of the maker's host driver stack
// offers, the common transport with its retries and debug trace, and the two variants.
#pragma once

#include "ipmi/host_entry_points.h"
#include "ipmi/ipmi_record.h"

#include <cstdint>

class CDriverOS;

// Creates the operating-system object of a driver variant (a CLinuxTessel unless a caller
// supplies another).
typedef CDriverOS* (*DriverOSFactory)();

class CIPMIDriverInterface {
public:
    virtual ~CIPMIDriverInterface();
    virtual int Open() = 0;
    virtual int GetHostInfo(uint16_t* systemId) = 0;
    virtual int ExecuteCommand(uint8_t netfnLun, uint8_t command, IPMI_DRIVER_STRUCT* record,
                               uint8_t slaveAddress) = 0;
    virtual int IPMICommand(BrdIPMICmdIoctlReq* request, BrdIPMICmdIoctlReq* response) = 0;
    virtual int Close() = 0;
    virtual int Install();
    virtual int Uninstall();
    virtual uint8_t GetBmcAddress();

    static int IsTesselInstalled(CIPMIDriverInterface* driver);
    // Opens variant A, else variant B; null (with a message for the probe failures) when
    // neither opens.
    static CIPMIDriverInterface* GetInstalledDriver(DriverOSFactory factory = nullptr);
};

class CTesselAPI : public CIPMIDriverInterface {
public:
    ~CTesselAPI() override;
    int ExecuteCommand(uint8_t netfnLun, uint8_t command, IPMI_DRIVER_STRUCT* record,
                       uint8_t slaveAddress) override;
    // Get Device ID through the library: 0, 4126, 4127 or 4128.
    virtual int ConnectionIsAlive();

    // One attempt of a command.
    int vexa_ExecuteCommand(uint8_t slaveAddress, uint8_t netfnLun, uint8_t command,
                            IPMI_DRIVER_STRUCT* record);

    CDriverOS* OS() const { return m_os; }

protected:
    // Takes ownership of os; null creates a CLinuxTessel.
    explicit CTesselAPI(CDriverOS* os);
    // Probes; when the probe fails, starts the driver service and probes once more.
    int ProbeStartingDriver();

    CDriverOS* m_os;
    uint8_t m_driverStarted = 0; // this object started the driver service
};

// Variant A: "libhstbas32.so" for the host information, "libhstipm32.so" for the commands.
class CTessel5x : public CTesselAPI {
public:
    explicit CTessel5x(CDriverOS* os = nullptr);
    ~CTessel5x() override;
    int Open() override;
    int GetHostInfo(uint16_t* systemId) override;
    int IPMICommand(BrdIPMICmdIoctlReq* request, BrdIPMICmdIoctlReq* response) override;
    int Close() override;
    int Install() override;
    int Uninstall() override;
    uint8_t GetBmcAddress() override;

private:
    HSTBASHostInfoEx_t m_hostInfo = nullptr;
    HSTIPMCommand_t m_command = nullptr;
    HSTIPMGetBMCSlaveAddress_t m_slaveAddress = nullptr;
    void* m_basLibrary = nullptr;
    void* m_ipmLibrary = nullptr;
};

// Variant B: "libhstapi32.so" through an access handle.
class CTessel4x : public CTesselAPI {
public:
    explicit CTessel4x(CDriverOS* os = nullptr);
    ~CTessel4x() override;
    int Open() override;
    int GetHostInfo(uint16_t* systemId) override;
    int IPMICommand(BrdIPMICmdIoctlReq* request, BrdIPMICmdIoctlReq* response) override;
    int Close() override;

private:
    HIPOpen_t m_open = nullptr;
    HIPClose_t m_close = nullptr;
    HIPHostInfoEx_t m_hostInfo = nullptr;
    HIPIPMICommand_t m_command = nullptr;
    void* m_library = nullptr;
    int m_handle = -1;
};
