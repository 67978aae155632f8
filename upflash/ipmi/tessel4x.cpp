#include "ipmi/driver_interface.h"
#include "ipmi/driver_os.h"
#include "ipmi/driver_status.h"
#include "report/update_package.h"

CTessel4x::CTessel4x(CDriverOS* os) : CTesselAPI(os) {}

CTessel4x::~CTessel4x() { Close(); }

int CTessel4x::Open() {
    int result = 0;
    m_library = m_os->LoadDll(HOST_API_LIBRARY);
    if (!m_library)
        result = DRV_LOAD_FAILED;
    // The XML inventory needs no controller access: the library loaded is enough, and the
    // host information and commands then report their entry points missing.
    if (result == 0 && !CKestrelUpdatePackage::XmlInventoryMode()) {
        if (!(m_open = reinterpret_cast<HIPOpen_t>(
                  m_os->GetDllProcAddress(m_library, HOST_API_OPEN))) ||
            !(m_close = reinterpret_cast<HIPClose_t>(
                  m_os->GetDllProcAddress(m_library, HOST_API_CLOSE))) ||
            !(m_hostInfo = reinterpret_cast<HIPHostInfoEx_t>(
                  m_os->GetDllProcAddress(m_library, HOST_API_HOST_INFO))) ||
            !(m_command = reinterpret_cast<HIPIPMICommand_t>(
                  m_os->GetDllProcAddress(m_library, HOST_API_COMMAND))))
            result = DRV_NO_ENTRY;
        if (result == 0) {
            m_handle = m_open(HOST_API_OPEN_ARG1, HOST_API_OPEN_ARG2);
            if (m_handle == -1)
                result = DRV_CALL_FAILED;
        }
        if (result == 0)
            result = ProbeStartingDriver();
    }
    if (result > 0)
        Close();
    return result;
}

int CTessel4x::Close() {
    if (m_handle != -1 && m_close)
        m_close(m_handle);
    m_handle = -1;
    if (m_library) {
        m_os->FreeDll(m_library);
        m_library = nullptr;
    }
    m_open = nullptr;
    m_close = nullptr;
    m_hostInfo = nullptr;
    m_command = nullptr;
    if (m_driverStarted) {
        m_os->StopDriver();
        m_driverStarted = 0;
    }
    return 0;
}

int CTessel4x::GetHostInfo(uint16_t* systemId) {
    if (!m_hostInfo)
        return DRV_NO_ENTRY;
    uint8_t info = 0;
    uint16_t id = 0;
    uint32_t extra = 0;
    const int called = m_hostInfo(m_handle, &info, &id, &extra);
    if (systemId)
        *systemId = id;
    return called == 1 ? 0 : DRV_CALL_FAILED;
}

int CTessel4x::IPMICommand(BrdIPMICmdIoctlReq* request, BrdIPMICmdIoctlReq* response) {
    if (!m_command)
        return DRV_NO_ENTRY;
    return m_command(m_handle, request, response) == 1 ? 0 : DRV_CALL_FAILED;
}
