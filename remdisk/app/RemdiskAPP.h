// The application object of Remdisk: one instance, created by main, that parses and
// validates the command line on construction and then drives the run on its own thread.
#pragma once

#include <atomic>
#include <string>

#include "app/RemdiskListeners.h"
#include "app/ZentCommandLine.h"
#include "foundation/ZThread.h"
#include "session/MEDPSession.h"

class LocalDevice;
class VMProvider;
class ZSocket;

class RemdiskAPP : public ZThread {
public:
    static constexpr const char* kVersion = "1.0.0.15";
    static constexpr const char* kDefaultTraceFile = "RemdiskApp_Log.txt";
    // How long fetching the credentials and setting up the session may take in all: a
    // controller that accepts the connection but never answers must not hold Remdisk.
    static constexpr int kSetupTimeoutSeconds = 20;
    static constexpr const char* kSetupTimeout = "No answer from the controller in time.";
    // Limits of the credential request and its response.
    static constexpr int kRequestLimit = 255;
    static constexpr int kResponseLimit = 4096;
    static constexpr int kHeaderLineSize = 1024;
    static constexpr int kBodyLimit = 65536;

    // Parses and validates; ends the process through ExitClean when anything is wrong.
    RemdiskAPP(int argc, char** argv);
    ~RemdiskAPP() override;

    void run() override;
    void Connect();
    void requestVDiskInfo();
    void MapDrive();
    void CreateLocalDevices();
    void fireRemoteDeviceListChanged();
    void endThreads();

    // Temporary credentials and the virtual media port over HTTPS. 0 on success; otherwise
    // the failure has been reported through the session's login listeners.
    int getCredentials();
    // Copies one line of src (n characters) into line (size bytes, always terminated; a
    // longer line is cut) and returns the characters consumed, or 0 at the end of the data.
    static int httpGetNext(const char* src, int n, char* line, int size);
    // The next element of body from nodePosition on, into the node fields.
    void NextNode(const char* body);
    void CleanNode();
    // The length from the "Content-length:" header of a response's head (0 without one), or
    // -1 for a status other than 200.
    static int scanHeaders(const char* response, int held);
    // Takes status, vport and the two credentials from a response body of length bytes
    // (terminated after them); the result of getCredentials. Failures are reported through
    // the session's login listeners.
    int scanCredentialBody(const char* body, int length);

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
    const std::string& getTempUserName() const { return tempUserName; }
    const std::string& getTempPassword() const { return tempPassword; }
    MEDPSession& getSession() { return session; }

    // Node parser state, public for the parser's tests.
    int nodePosition = 0;
    char nodeName[20] = {};
    char attrName[20] = {};
    char attrValue[20] = {};
    char nodeText[128] = {};

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
    void stopSession() { session.stopSession(); }
    // The body of Connect, whose failures end the program.
    void connectSteps();
    // Reads the rest of the credential response's headers when the first read ended inside
    // them; returns the bytes now held.
    int readHeaders(ZSocket& socket, char* response, int held);
    // Stops the session and ends the process with status 1 after an error on a session
    // thread.
    [[noreturn]] void failOnSessionThread();

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

    std::string tempUserName;
    std::string tempPassword;
    std::atomic<bool> floppyMapped{false};
    std::atomic<bool> cdMapped{false};
    std::atomic<bool> terminating{false};
    // Set when terminate() starts and when it has run to its end.
    std::atomic<bool> interrupted{false};
    std::atomic<bool> terminated{false};
    LocalDevice* floppyDevice = nullptr;
    LocalDevice* cdDevice = nullptr;

    // The session holds pointers to the listeners, so they are made before it and go after
    // it; the session's destructor stops its threads before anything else goes.
    RemdiskAPPVMListener sessionListener{*this};
    VMAPPDeviceManagerListener deviceListener{*this};
    MEDPSession session;
};

// The single application object; null until it has been constructed.
extern std::atomic<RemdiskAPP*> gApp;
