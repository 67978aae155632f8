// The update-package record behind the XML output of -xml and -fml: one per process, created
// while the options are read, filled by the device lookup and the run, printed once at the end.
#pragma once

#include <cstdint>

#define XML_DISPLAY_NAME "Vantro6"

class CKestrelUpdatePackage {
public:
    enum { MAX_COMPONENTS = 4, TOO_MANY_COMPONENTS = 4102 };

    struct Component {
        int key;                 // the device's index in the device table
        const char* displayName; // the device record's name
        uint8_t major;
        uint8_t minor;
        uint8_t flashed;         // flashed successfully
    };

    virtual ~CKestrelUpdatePackage() = default;

    // The singleton, created on the first call; null when it cannot be created.
    static CKestrelUpdatePackage* NewKUP();
    // The singleton when it exists, else null.
    static CKestrelUpdatePackage* Instance();
    // The inventory mode of the singleton; false without one.
    static bool XmlInventoryMode();
    // AddComponent on the singleton when there is one; 0 otherwise.
    static int AddDevice(int key, const char* displayName, uint8_t major, uint8_t minor);
    // Marks every component with the key as flashed (or not) on the singleton.
    static void FlashStatus(int key, bool flashed);
    // The final report: the singleton's document, or the console status line without one.
    static void ToOutputIfNecessary(int code);
    // The console status line: nothing for 0, else "   <text of the code>".
    static void PrintStatus(int code);

    void SetXmlInventoryMode(bool on);
    void SetXmlReturnCode(bool on);
    bool InventoryMode() const { return m_xmlInventoryMode != 0; }
    bool ReturnCodeMode() const { return m_xmlReturnCode != 0; }

    // 0, or 4102 (nothing stored) when four components are there already.
    int AddComponent(int key, const char* displayName, uint8_t major, uint8_t minor);
    int ComponentCount() const { return m_componentCount; }
    const Component& ComponentAt(int i) const { return m_components[i]; }

    // The result document in result mode, else the inventory document.
    void Print(int code);
    void PrintXmlInventory(int code);
    void PrintXmlReturnCode(int code);

    // Back to the state of a fresh record (tests).
    void Reset();

private:
    CKestrelUpdatePackage() = default;

    uint8_t m_xmlInventoryMode = 0;
    uint8_t m_xmlReturnCode = 0;
    int m_componentCount = 0;
    Component m_components[MAX_COMPONENTS] = {};

    static CKestrelUpdatePackage* s_KestrelUpdatePackage;
};
