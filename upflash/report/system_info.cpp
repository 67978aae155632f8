#include "report/system_info.h"

CSystemInfo g_SystemInfo;

int CSystemInfo::Open() {
    m_open = true;
    return 0;
}
