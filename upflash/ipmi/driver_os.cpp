#include "ipmi/driver_os.h"

#include "cli/console.h"
#include "ipmi/driver_status.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>

namespace {

enum {
    INI_VEXA_PATH = 1,
    INI_INSTALL = 2,
    INI_UNINSTALL = 4,
    INI_COMPLETE = INI_VEXA_PATH | INI_INSTALL | INI_UNINSTALL,
    INI_LINE_SIZE = 256, // a line holds up to 255 characters
};

// Texts are held in 256-character fields: 255 characters at most.
std::string bounded(const std::string& s) {
    return s.size() < DRIVER_TEXT_SIZE ? s : s.substr(0, DRIVER_TEXT_SIZE - 1);
}

} // namespace

CDriverOS::~CDriverOS() { ForgetConfiguration(); }

void CDriverOS::ForgetConfiguration() {
    vexa_path.clear();
    install_command.clear();
    uninstall_command.clear();
    checkstatus_command.clear();
    has_vexa_path = has_install_command = has_uninstall_command = has_checkstatus_command = false;
}

int CDriverOS::Install() { return DRV_NOT_OFFERED; }

int CDriverOS::Uninstall() { return DRV_NOT_OFFERED; }

void* CDriverOS::LoadDll(const char* name) {
    if (!name)
        return nullptr;
    return dlopen(name, RTLD_NOW);
}

void CDriverOS::FreeDll(void* handle) {
    if (handle)
        dlclose(handle);
}

void* CDriverOS::GetDllProcAddress(void* handle, const char* name) {
    if (!handle || !name)
        return nullptr;
    return dlsym(handle, name);
}

bool CDriverOS::ParseIniOneLine(const char* line, std::string* key, std::string* value) {
    std::string text(line ? line : "");
    // Drop the line end. A last line without one keeps all its characters, and a line end
    // written as CR LF loses both.
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    const size_t eq = text.find('=');
    if (eq == std::string::npos)
        return false;
    *key = text.substr(0, eq);
    *value = bounded(text.substr(eq + 1));
    return true;
}

int CDriverOS::GetConfiguration() {
    FILE* f = std::fopen(DRIVER_INI_FILE, "r");
    if (!f)
        return DRV_INI_MISSING;
    ForgetConfiguration();
    unsigned flags = 0;
    char buf[INI_LINE_SIZE];
    while (std::fgets(buf, sizeof buf, f)) {
        const size_t len = std::strlen(buf);
        if (len > 0 && buf[len - 1] != '\n' && !std::feof(f)) {
            // Longer than a line may be: keep the first 255 characters, skip the rest.
            int c;
            while ((c = std::fgetc(f)) != EOF && c != '\n') {
            }
        }
        std::string key, value;
        if (!ParseIniOneLine(buf, &key, &value))
            continue;
        const struct {
            const char* key;
            std::string* text;
            bool* present;
            unsigned flag;
        } fields[] = {
            {"vexa_path", &vexa_path, &has_vexa_path, INI_VEXA_PATH},
            {"install_command", &install_command, &has_install_command, INI_INSTALL},
            {"uninstall_command", &uninstall_command, &has_uninstall_command, INI_UNINSTALL},
            {"checkstatus_command", &checkstatus_command, &has_checkstatus_command, 0},
        };
        for (const auto& field : fields) {
            if (key == field.key) {
                *field.text = value;
                *field.present = true;
                flags |= field.flag;
            }
        }
    }
    std::fclose(f);
    // The uninstall command is required as well: a stack this run installs must be removable
    // when the run ends.
    return (flags & INI_COMPLETE) == INI_COMPLETE ? 0 : DRV_INI_INCOMPLETE;
}

void CDriverOS::BeautifyDelayPrintout(int counter, const char* msg) {
    ::BeautifyDelayPrintout(counter, msg);
}
