#include "ipmi/driver_interface.h"
#include "ipmi/driver_os.h"
#include "ipmi/driver_status.h"

namespace {

template <typename Fn>
Fn resolve(CDriverOS* os, void* library, const char* name) {
    return reinterpret_cast<Fn>(os->GetDllProcAddress(library, name));
}

} // namespace

CTessel5x::CTessel5x(CDriverOS* os) : CTesselAPI(os) {}

CTessel5x::~CTessel5x() { Close(); }

int CTessel5x::Open() {
    int result = 0;
    m_basLibrary = m_os->LoadDll(HOST_BAS_LIBRARY);
    if (!m_basLibrary)
        result = DRV_LOAD_FAILED;
    if (result == 0) {
        m_hostInfo = resolve<HSTBASHostInfoEx_t>(m_os, m_basLibrary, HOST_BAS_HOST_INFO);
        if (!m_hostInfo)
            result = DRV_NO_ENTRY;
    }
    if (result == 0) {
        m_ipmLibrary = m_os->LoadDll(HOST_IPM_LIBRARY);
        if (!m_ipmLibrary)
            result = DRV_LOAD_FAILED;
    }
    if (result == 0) {
        m_command = resolve<HSTIPMCommand_t>(m_os, m_ipmLibrary, HOST_IPM_COMMAND);
        m_slaveAddress =
            resolve<HSTIPMGetBMCSlaveAddress_t>(m_os, m_ipmLibrary, HOST_IPM_SLAVE_ADDRESS);
        if (!m_command || !m_slaveAddress)
            result = DRV_NO_ENTRY;
    }
    if (result == 0)
        result = ProbeStartingDriver();
    if (result > 0)
        Close();
    return result;
}

int CTessel5x::Close() {
    if (m_basLibrary) {
        m_os->FreeDll(m_basLibrary);
        m_basLibrary = nullptr;
    }
    if (m_ipmLibrary) {
        m_os->FreeDll(m_ipmLibrary);
        m_ipmLibrary = nullptr;
    }
    // The entry points went with their libraries.
    m_hostInfo = nullptr;
    m_command = nullptr;
    m_slaveAddress = nullptr;
    if (m_driverStarted) {
        m_os->StopDriver();
        m_driverStarted = 0;
    }
    return 0;
}

int CTessel5x::GetHostInfo(uint16_t* systemId) {
    if (!m_hostInfo)
        return DRV_NO_ENTRY;
    uint8_t info = 0;
    uint16_t id = 0;
    uint32_t extra = 0;
    const int called = m_hostInfo(&info, &id, &extra);
    if (systemId)
        *systemId = id;
    return called == 1 ? 0 : DRV_CALL_FAILED;
}

int CTessel5x::IPMICommand(BrdIPMICmdIoctlReq* request, BrdIPMICmdIoctlReq* response) {
    if (!m_command)
        return DRV_NO_ENTRY;
    return m_command(request, response) == 1 ? 0 : DRV_CALL_FAILED;
}

uint8_t CTessel5x::GetBmcAddress() {
    if (!m_slaveAddress)
        return CIPMIDriverInterface::GetBmcAddress();
    return static_cast<uint8_t>(m_slaveAddress() & 0xFFu);
}

int CTessel5x::Install() { return m_os->Install(); }

int CTessel5x::Uninstall() { return m_os->Uninstall(); }
