// Start-up checks of RemdiskAPP: trace set-up from -D/-N, validation of the switches into
// the configuration, one probe of each requested medium, and the mount warning.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/RemdiskAPP.h"
#include "devices/DeviceTypes.h"
#include "foundation/ZTrace.h"
#include "media/LinuxVMProvider.h"

void RemdiskAPP::InitTrace() {
    if (!commandLine.HasSwitch("-D"))
        return;
    try {
        int level = clampedAtoi(commandLine.GetSafeArgument("-D", 0, "1").c_str());
        if (level <= 0 || level > 9) {
            std::printf("Error: Invalid Debug Level (1-9)\n");
            ExitClean(1);
        }
        std::string fileName = commandLine.HasSwitch("-N")
                                   ? commandLine.GetSafeArgument("-N", 0, kDefaultTraceFile)
                                   : kDefaultTraceFile;
        ZTrace* writer = currentTrace();
        if (!writer) {
            writer = new ZTrace();
            __atomic_store_n(&gTrace, writer, __ATOMIC_RELEASE);
        }
        writer->Init(level, fileName.c_str());
    } catch (...) {
        std::printf("RemdiskAPP::InitTrace: Error: Unhandled condition.\n");
        ExitClean(1);
    }
}

void RemdiskAPP::acceptMedium(const MediumRules& rules, std::string& path, int& type) {
    path = commandLine.GetSafeArgument(rules.name, 0, "");
    if (path.empty()) {
        std::printf("%s", rules.missing);
        ExitClean(1);
    }
    type = checkForFile(path);
    if (type == rules.refusedImage) {
        std::printf("%s", rules.refused);
        ExitClean(1);
    }
    if (type != rules.image) {
        type = rules.device;
        isDeviceMounted(rules.isCd, path);
    }
    // One probe: open read-only and close again.
    mediaProvider->setType(type);
    long handle = mediaProvider->openDrive(path, false, false);
    if (handle <= 0) {
        std::printf("%s", rules.unopenable);
        std::printf(rules.unopenablePath, path.c_str());
        ExitClean(1);
    }
    mediaProvider->closeDrive(handle);
}

void RemdiskAPP::ValidateCommandLine() {
    auto fail = [this](const char* message) {
        std::printf("%s", message);
        ExitClean(1);
    };
    try {
        ZTRACE(1, "%s called\n", "RemdiskAPP::ValidateCommandLine:");
        floppyType = 0;
        cdType = 0;

        bool informational = false;
        if (commandLine.HasSwitch("-v")) {
            PrintVersion();
            informational = true;
        }
        if (commandLine.HasSwitch("-h")) {
            PrintHelp(0);
            informational = true;
        }
        if (!commandLine.HasSwitch("-r") && !informational)
            fail("Error: -r option missing from command line\n");
        if (informational)
            ExitClean(0);

        serverArgument = commandLine.GetArgument("-r", 0);
        serverName = ZentCommandLine::GetServerName(serverArgument);
        if (serverName.empty())
            fail("Error: Vantro server name required, Ex: -r serverName\n");
        credentialsPort = ZentCommandLine::GetServerPort(serverArgument);

        userName = commandLine.GetSafeArgument("-u", 0, "");
        if (userName.empty())
            fail("Error: Vantro user name required\n");
        password = commandLine.GetSafeArgument("-p", 0, "");
        if (commandLine.HasSwitch("-p") && password.empty())
            fail("Error: Password is required\n");

        bool wantFloppy = commandLine.HasSwitch("-f");
        bool wantCd = commandLine.HasSwitch("-c");
        if (!wantFloppy && !wantCd)
            fail("Error: -f or -c required in command line!\n");

        mediaProvider = new LinuxVMProvider();

        if (wantFloppy) {
            static const MediumRules floppy = {
                "-f", "Error: Missing floppy <device-name> or <image-file> in parameter -f\n",
                ISO_IMAGE, "Error: Invalid floppy <image-file> in parameter -f.\n\t.iso not allowed.\n",
                FLOPPY_IMAGE, FLOPPY, false,
                "Error: Invalid floppy <device-name> or <image-file> in parameter -f\n",
                "       Unable to open Local Device or Image: %s\n"};
            acceptMedium(floppy, floppyPath, floppyType);
            floppyRequested = true;
        }
        if (wantCd) {
            static const MediumRules cd = {
                "-c", "Error: Missing CD/DVD <device-name> or <image-file> in parameter -c\n",
                FLOPPY_IMAGE, "Error: Invalid Device Type for parameter -c\n\t.img not allowed.\n",
                ISO_IMAGE, CD_DVD, true,
                "Error: Invalid CD/DVD <device-name> or <image-file> in parameter -c\n",
                "       Unable to open Local Device or Image: %s.\n"};
            acceptMedium(cd, cdPath, cdType);
            cdRequested = true;
        }

        delete mediaProvider;
        mediaProvider = nullptr;
    } catch (const char* text) {
        std::printf(": Error: %s\n", text);
        ExitClean(1);
    } catch (...) {
        fail(": Error: Unhandled condition or invalid command line argument.\n");
    }
}

int RemdiskAPP::strInStr(const std::string& text, const std::string& part) {
    if (part.size() > text.size())
        return -1;
    for (size_t at = 0; at + part.size() <= text.size(); ++at) {
        size_t i = 0;
        while (i < part.size() &&
               std::toupper(static_cast<unsigned char>(text[at + i])) ==
                   std::toupper(static_cast<unsigned char>(part[i])))
            ++i;
        if (i == part.size())
            return static_cast<int>(at);
    }
    return -1;
}

int RemdiskAPP::checkForFile(const std::string& name) {
    if (strInStr(name, ".IMG") >= 0)
        return FLOPPY_IMAGE;
    if (strInStr(name, ".ISO") >= 0)
        return ISO_IMAGE;
    if (strInStr(name, ".BIN") >= 0)
        return FLOPPY_IMAGE;
    return 0;
}

bool RemdiskAPP::isDeviceMounted(bool isCd, const std::string& path, const char* mountTable) {
    FILE* table = std::fopen(mountTable, "r");
    if (!table)
        return false;
    bool mounted = false;
    char* line = nullptr;
    size_t capacity = 0;
    // Whole lines, however long, so a long line is never split into false "lines".
    while (!mounted && getline(&line, &capacity, table) >= 0)
        mounted = std::strncmp(line, path.c_str(), path.size()) == 0;
    std::free(line);
    std::fclose(table);
    if (mounted)
        std::printf(isCd ? "%s is mounted and might not eject.\n"
                         : "%s is mounted and might not be writable.\n",
                    path.c_str());
    return mounted;
}
