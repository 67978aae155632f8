#include "report/update_package.h"

#include "cli/console.h"
#include "cli/result_codes.h"
#include "report/system_info.h"

#include <cstdio>
#include <new>

CKestrelUpdatePackage* CKestrelUpdatePackage::s_KestrelUpdatePackage = nullptr;

namespace {

// The XML documents bypass the console routing: they go to standard output as they are.
FILE* xml_stream() { return console_output_stream(); }

void xml_declaration(FILE* out) { std::fprintf(out, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"); }

void device_open(FILE* out) {
    std::fprintf(out, "   <Device componentID=\"%ld\" display=\"%s\">\n", CSystemInfo::GetComponentID(),
                 XML_DISPLAY_NAME);
}

} // namespace

CKestrelUpdatePackage* CKestrelUpdatePackage::NewKUP() {
    if (!s_KestrelUpdatePackage)
        s_KestrelUpdatePackage = new (std::nothrow) CKestrelUpdatePackage();
    return s_KestrelUpdatePackage;
}

CKestrelUpdatePackage* CKestrelUpdatePackage::Instance() { return s_KestrelUpdatePackage; }

bool CKestrelUpdatePackage::XmlInventoryMode() {
    return s_KestrelUpdatePackage && s_KestrelUpdatePackage->InventoryMode();
}

int CKestrelUpdatePackage::AddDevice(int key, const char* displayName, uint8_t major, uint8_t minor) {
    return s_KestrelUpdatePackage ? s_KestrelUpdatePackage->AddComponent(key, displayName, major, minor) : 0;
}

void CKestrelUpdatePackage::FlashStatus(int key, bool flashed) {
    if (!s_KestrelUpdatePackage)
        return;
    for (int i = 0; i < s_KestrelUpdatePackage->m_componentCount; ++i)
        if (s_KestrelUpdatePackage->m_components[i].key == key)
            s_KestrelUpdatePackage->m_components[i].flashed = flashed ? 1 : 0;
}

void CKestrelUpdatePackage::ToOutputIfNecessary(int code) {
    if (s_KestrelUpdatePackage)
        s_KestrelUpdatePackage->Print(code);
    else
        PrintStatus(code);
}

void CKestrelUpdatePackage::PrintStatus(int code) {
    if (code != RC_SUCCESS)
        display_printf(PRT_NORMAL, "   %s\n", ErrorCode2String(code));
}

void CKestrelUpdatePackage::SetXmlInventoryMode(bool on) { m_xmlInventoryMode = on ? 1 : 0; }

void CKestrelUpdatePackage::SetXmlReturnCode(bool on) { m_xmlReturnCode = on ? 1 : 0; }

int CKestrelUpdatePackage::AddComponent(int key, const char* displayName, uint8_t major, uint8_t minor) {
    if (m_componentCount >= MAX_COMPONENTS)
        return TOO_MANY_COMPONENTS;
    m_components[m_componentCount++] = Component{key, displayName, major, minor, 0};
    return 0;
}

void CKestrelUpdatePackage::Print(int code) {
    if (m_xmlReturnCode)
        PrintXmlReturnCode(code);
    else
        PrintXmlInventory(code);
}

void CKestrelUpdatePackage::PrintXmlInventory(int code) {
    FILE* out = xml_stream();
    xml_declaration(out);
    if (code == RC_XML_INVENTORY_FAILED) {
        std::fprintf(out, "<SVMInventory lang=\"en\"/>\n");
        std::fflush(out);
        return;
    }
    std::fprintf(out, "<SVMInventory lang=\"en\">\n");
    for (int i = 0; i < m_componentCount; ++i) {
        const Component& c = m_components[i];
        // A major of 128 or more marks a version the controller could not tell.
        const unsigned major = c.major >= 128 ? 0u : c.major;
        const unsigned minor = c.major >= 128 ? 0u : c.minor;
        device_open(out);
        std::fprintf(out, "      <Application componentType=\"FRMW\" version=\"%u.%u\" display=\"%s\" />\n",
                     major, minor, XML_DISPLAY_NAME);
        std::fprintf(out, "   </Device>\n");
    }
    std::fprintf(out, "</SVMInventory>\n");
    std::fflush(out);
}

void CKestrelUpdatePackage::PrintXmlReturnCode(int code) {
    FILE* out = xml_stream();
    xml_declaration(out);
    std::fprintf(out, "<SVMExecution lang=\"en\">\n");
    if (m_componentCount == 0) {
        std::fprintf(out, "   <SPStatus result=\"false\">\n");
        std::fprintf(out, "      <Message id=\"%d\" >%s</Message>\n", code % 256, ErrorCode2String(code));
        std::fprintf(out, "   </SPStatus>\n");
    }
    for (int i = 0; i < m_componentCount; ++i) {
        const Component& c = m_components[i];
        device_open(out);
        std::fprintf(out, "      <Application componentType=\"FRMW\" version=\"%u.%u\" display=\"%s\">\n",
                     static_cast<unsigned>(c.major), static_cast<unsigned>(c.minor), XML_DISPLAY_NAME);
        if (c.flashed) {
            std::fprintf(out, "         <SPStatus result=\"true\">\n");
            std::fprintf(out, "            <Message id=\"0\" >Update Successful.</Message>\n");
        } else {
            std::fprintf(out, "         <SPStatus result=\"false\">\n");
            std::fprintf(out, "            <Message id=\"%d\" >%s</Message>\n", code % 256, ErrorCode2String(code));
        }
        std::fprintf(out, "         </SPStatus>\n");
        std::fprintf(out, "      </Application>\n");
        std::fprintf(out, "   </Device>\n");
    }
    std::fprintf(out, "</SVMExecution>\n");
    std::fflush(out);
}

void CKestrelUpdatePackage::Reset() {
    m_xmlInventoryMode = 0;
    m_xmlReturnCode = 0;
    m_componentCount = 0;
    for (Component& c : m_components)
        c = Component{};
}
