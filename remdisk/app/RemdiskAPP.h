// The application object of Remdisk: one instance, created by main, that parses and
// validates the command line on construction and then drives the run on its own thread.
#pragma once

#include <atomic>
#include <string>

#include "app/ZentCommandLine.h"
#include "foundation/ZThread.h"

class LocalDevice;
class VMProvider;

class RemdiskAPP : public ZThread {
public:
    static constexpr const char* kVersion = "1.0.0.15";
    static constexpr const char* kDefaultTraceFile = "RemdiskApp_Log.txt";
    // Test-only: when this environment variable holds a number of seconds, the application
    // thread waits that long for a signal after validation instead of ending at once, so
    // the signal path can be exercised on the real program.
    static constexpr const char* kHoldEnvironment = "REMDISK_TEST_HOLD_SECONDS";

    // Parses and validates; ends the process through ExitClean when anything is wrong.
    RemdiskAPP(int argc, char** argv);
    ~RemdiskAPP() override;

    void run() override;

    void InitTrace();
    void ValidateCommandLine();
    // FLOPPY_IMAGE for names containing ".IMG" (any case), else ISO_IMAGE for ".ISO", else
    // FLOPPY_IMAGE for ".BIN", else 0.
    static int checkForFile(const std::string& name);
    // Position of the first case-insensitive occurrence of part in text, or -1.
    static int strInStr(const std::string& text, const std::string& part);
    // Warns when some line of the mount table begins with path; returns whether one did.
    static bool isDeviceMounted(bool isCd, const std::string& path, const char* mountTable = "/etc/mtab");
    // Non-zero prints the short form only.
    static void PrintHelp(int shortForm);
    static void PrintVersion();
    // Cleans up and ends the process with code as its exit status.
    [[noreturn]] void ExitClean(int code);
    // The stop sequence of an interrupt; runs on the signal-stop thread.
    void terminate();

    const std::string& getServerName() const { return serverName; }
    int getCredentialsPort() const { return credentialsPort; }
    int getVmPort() const { return vmPort; }
    const std::string& getUserName() const { return userName; }
    const std::string& getPassword() const { return password; }
    const std::string& getFloppyPath() const { return floppyPath; }
    const std::string& getCdPath() const { return cdPath; }
    int getFloppyType() const { return floppyType; }
    int getCdType() const { return cdType; }
    bool isFloppyRequested() const { return floppyRequested; }
    bool isCdRequested() const { return cdRequested; }
    bool hasMediaProvider() const { return mediaProvider != nullptr; }
    bool isTerminating() const { return terminating.load(); }

private:
    // How -f and -c are checked: the switch, the image kind it refuses, the image kind it
    // keeps (any other name is a device of the given type) and the messages.
    struct MediumRules {
        const char* name;
        const char* missing;
        int refusedImage;
        const char* refused;
        int image;
        int device;
        bool isCd;
        const char* unopenable;
        const char* unopenablePath; // format with the path
    };
    // Takes the medium's path and type from the command line and probes it once through the
    // media provider; ends the process with the rule's message when anything is wrong.
    void acceptMedium(const MediumRules& rules, std::string& path, int& type);
    // Stops the virtual media session; there is no session yet, so nothing to stop.
    void stopSession() {}
    void holdForSignal(int seconds);

    ZentCommandLine commandLine;

    std::string serverArgument;
    std::string serverName;
    int credentialsPort = 443;
    int vmPort = 443;
    std::string userName;
    std::string password;
    std::string floppyPath;
    std::string cdPath;
    int floppyType = 0;
    int cdType = 0;
    bool floppyRequested = false;
    bool cdRequested = false;
    VMProvider* mediaProvider = nullptr;

    std::atomic<bool> terminating{false};
    LocalDevice* floppyDevice = nullptr;
    LocalDevice* cdDevice = nullptr;
};

// The single application object; null until it has been constructed.
extern std::atomic<RemdiskAPP*> gApp;
