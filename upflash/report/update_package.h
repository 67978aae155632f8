// The update-package record behind the XML output of -xml and -fml: one per process, created
// while the options are read.
#pragma once

#include <cstdint>

class CKestrelUpdatePackage {
public:
    // The singleton, created on the first call; null when it cannot be created.
    static CKestrelUpdatePackage* NewKUP();
    // The singleton when it exists, else null.
    static CKestrelUpdatePackage* Instance();
    // The inventory mode of the singleton; false without one.
    static bool XmlInventoryMode();

    void SetXmlInventoryMode(bool on);
    void SetXmlReturnCode(bool on);
    bool InventoryMode() const { return m_xmlInventoryMode != 0; }
    bool ReturnCodeMode() const { return m_xmlReturnCode != 0; }

private:
    CKestrelUpdatePackage() = default;

    uint8_t m_xmlInventoryMode = 0;
    uint8_t m_xmlReturnCode = 0;

    static CKestrelUpdatePackage* s_KestrelUpdatePackage;
};
