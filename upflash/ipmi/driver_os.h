// The operating-system layer under the host driver classes: loading the host libraries, the
// driver service, the installation commands of "lxvexa.ini" and the per-attempt wait.
#pragma once

#include <string>

#define DRIVER_INI_FILE "lxvexa.ini"

enum { DRIVER_TEXT_SIZE = 256 };

class CDriverOS {
public:
    virtual ~CDriverOS();

    virtual int Install();
    virtual int Uninstall();
    virtual int StartDriver() { return 0; }
    virtual int StopDriver() { return 0; }
    virtual void DelayMs(unsigned int ms) = 0;
    // Opens a shared library by file name with immediate binding; null when it cannot.
    virtual void* LoadDll(const char* name);
    virtual void FreeDll(void* handle);
    virtual void* GetDllProcAddress(void* handle, const char* name);
    // Reads "lxvexa.ini" from the current directory: 0, 4121 missing, 4122 incomplete.
    virtual int GetConfiguration();

    // Splits one line of "lxvexa.ini" into key and value; false for a line without "=".
    static bool ParseIniOneLine(const char* line, std::string* key, std::string* value);
    void BeautifyDelayPrintout(int counter, const char* msg);

    // The configuration texts, null while not read.
    const char* VexaPath() const { return text(vexa_path, has_vexa_path); }
    const char* InstallCommand() const { return text(install_command, has_install_command); }
    const char* UninstallCommand() const { return text(uninstall_command, has_uninstall_command); }
    const char* CheckstatusCommand() const {
        return text(checkstatus_command, has_checkstatus_command);
    }

protected:
    CDriverOS() = default;

    std::string vexa_path, install_command, uninstall_command, checkstatus_command;
    bool has_vexa_path = false, has_install_command = false, has_uninstall_command = false,
         has_checkstatus_command = false;

private:
    static const char* text(const std::string& s, bool present) {
        return present ? s.c_str() : nullptr;
    }
    void ForgetConfiguration();
};

class CLinuxTessel : public CDriverOS {
public:
    CLinuxTessel() = default;
    ~CLinuxTessel() override;

    int Install() override;
    int Uninstall() override;
    int StartDriver() override;
    int StopDriver() override;
    void DelayMs(unsigned int ms) override;

    // Saves the working directory and changes to vexa_path: 0 or 4120.
    int ChangeDrive();
    void RestoreDrive();
    // Runs a command line through the shell and sorts its wait status: 0, 2040, 2041 or 2049.
    int LaunchApp(const char* command);
    // The sorting of a wait status alone.
    static int MapLaunchStatus(int waitStatus);

    bool Installed() const { return installed != 0; }

private:
    std::string saved_directory;
    bool has_saved_directory = false;
    unsigned char installed = 0;
};

#define DRIVER_START_COMMAND "service pelmodd start > /dev/null"
#define DRIVER_STOP_COMMAND "service pelmodd stop > /dev/null"
