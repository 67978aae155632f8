// What the updater knows of the system it runs on: whether its controller can be flashed, and
// the component identifier the update-package framework knows the controller firmware by.
#pragma once

class CSystemInfo {
public:
    enum { COMPONENT_ID = 20137 };

    // Takes the system in; afterwards it reports itself as flashable. Returns 0.
    int Open();
    bool IsFlashable() const { return m_open; }
    static long GetComponentID() { return COMPONENT_ID; }

private:
    bool m_open = false;
};

extern CSystemInfo g_SystemInfo;
