#include "report/update_package.h"

#include <new>

CKestrelUpdatePackage* CKestrelUpdatePackage::s_KestrelUpdatePackage = nullptr;

CKestrelUpdatePackage* CKestrelUpdatePackage::NewKUP() {
    if (!s_KestrelUpdatePackage)
        s_KestrelUpdatePackage = new (std::nothrow) CKestrelUpdatePackage();
    return s_KestrelUpdatePackage;
}

CKestrelUpdatePackage* CKestrelUpdatePackage::Instance() { return s_KestrelUpdatePackage; }

bool CKestrelUpdatePackage::XmlInventoryMode() {
    return s_KestrelUpdatePackage && s_KestrelUpdatePackage->InventoryMode();
}

void CKestrelUpdatePackage::SetXmlInventoryMode(bool on) { m_xmlInventoryMode = on ? 1 : 0; }

void CKestrelUpdatePackage::SetXmlReturnCode(bool on) { m_xmlReturnCode = on ? 1 : 0; }
