#include "cli/logger.h"
#include "ipmi/driver_os.h"
#include "ipmi/driver_status.h"
#include "ipmi/ipmi_sleep.h"

#include <cstdlib>
#include <unistd.h>

CLinuxTessel::~CLinuxTessel() = default;

int CLinuxTessel::ChangeDrive() {
    char cwd[DRIVER_TEXT_SIZE];
    if (!getcwd(cwd, sizeof cwd))
        return DRV_CHDIR_FAILED;
    saved_directory = cwd;
    has_saved_directory = true;
    const char* path = VexaPath();
    if (!path || chdir(path) != 0) {
        RestoreDrive();
        saved_directory.clear();
        has_saved_directory = false;
        return DRV_CHDIR_FAILED;
    }
    return 0;
}

void CLinuxTessel::RestoreDrive() {
    if (has_saved_directory && chdir(saved_directory.c_str()) != 0) {
        // Nothing better to do: the directory we came from is gone.
    }
}

int CLinuxTessel::MapLaunchStatus(int waitStatus) {
    switch (waitStatus) {
    case 0:
        return 0;
    case 40:
    case 150:
    case 10240: // exit status 40
    case 38400: // exit status 150
        return LAUNCH_CLASS_40;
    case 41:
    case 151:
    case 10496: // exit status 41
    case 38656: // exit status 151
        return LAUNCH_CLASS_41;
    default:
        return LAUNCH_OTHER;
    }
}

int CLinuxTessel::LaunchApp(const char* command) {
    Logger::Write("\r   Please wait... -");
    int result = LAUNCH_OTHER;
    if (command)
        result = MapLaunchStatus(std::system(command));
    Logger::Write("\r                   \r");
    return result;
}

int CLinuxTessel::Install() {
    int result = GetConfiguration();
    if (result == 0)
        result = ChangeDrive();
    if (result == 0) {
        installed = 1;
        result = LaunchApp(InstallCommand());
    }
    RestoreDrive();
    return result;
}

int CLinuxTessel::Uninstall() {
    int result = ChangeDrive();
    if (result == 0) {
        installed = 0;
        result = UninstallCommand() ? LaunchApp(UninstallCommand()) : DRV_INI_INCOMPLETE;
    }
    RestoreDrive();
    return result;
}

int CLinuxTessel::StartDriver() { return LaunchApp(DRIVER_START_COMMAND); }

int CLinuxTessel::StopDriver() { return LaunchApp(DRIVER_STOP_COMMAND); }

void CLinuxTessel::DelayMs(unsigned int ms) { ipmi_sleep_ms(ms); }
