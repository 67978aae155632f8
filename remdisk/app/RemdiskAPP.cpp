#include "app/RemdiskAPP.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

#include "app/SetupWatchdog.h"
#include "app/ZentCommandLine.h"
#include "devices/DeviceManager.h"
#include "devices/DeviceTypes.h"
#include "devices/RemoteDevice.h"
#include "devices/LocalDevice.h"
#include "foundation/ZTrace.h"
#include "media/VMProvider.h"

std::atomic<RemdiskAPP*> gApp{nullptr};

RemdiskAPP::RemdiskAPP(int argc, char** argv) {
    if (argc <= 1) {
        std::printf("Required arguments are missing!\n\n");
        PrintHelp(1);
        ExitClean(0);
    }
    if (commandLine.SplitLine(argc, argv) <= 0) {
        std::printf("Invalid command arguments!\n\n");
        PrintHelp(1);
        ExitClean(0);
    }
    InitTrace();
    ValidateCommandLine();
}

RemdiskAPP::~RemdiskAPP() {
    ZTRACE(0, "%s DESTRUCTOR CALLED\n", "RemdiskAPP::~");
    // No session thread may still use the media below.
    session.stopSession();
    delete mediaProvider;
    delete floppyDevice;
    delete cdDevice;
}

void RemdiskAPP::run() {
    try {
        Connect();
        int counter = 0;
        while (!stopRequested.load()) {
            std::printf(".");
            std::fflush(stdout);
            for (int i = 0; i < 5; ++i) {
                if (session.isSessionStopped()) {
                    stopRequested.store(true);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::seconds(1));
            }
            if (stopRequested.load())
                break;
            const bool waiting = (floppyRequested && !floppyMapped.load()) ||
                                 (cdRequested && !cdMapped.load());
            if (!terminating.load() && waiting && ++counter > 3) {
                std::printf("\nNo Virtual Drives Available.\nEnding.\n");
                stopRequested.store(true);
                session.stopSession();
                break;
            }
        }
        // A stop from a signal finishes its own steps before the process ends.
        if (interrupted.load()) {
            for (int i = 0; i < 500 && !terminated.load(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::printf("\n");
        ZTRACE(1, "%s Thread Stopping\n", "RemdiskAPP::run");
    } catch (const char* text) {
        ZTRACE(0, "%s const Exception: %s\n", "RemdiskAPP::run", text);
        std::printf("Error: %s\n", text);
    } catch (...) {
        ZTRACE(0, "%s ??? Exception\n", "RemdiskAPP::run");
        std::printf("Exception Caught in CliAPP::Run()\n");
    }
    ExitClean(0);
}

void RemdiskAPP::Connect() {
    static const char* const where = "RemdiskAPP::Connect";
    session.addListener(sessionListener);
    session.getDeviceManager().addListener(deviceListener);
    // Neither the HTTPS exchange nor the set-up exchange has a time limit of its own.
    SetupWatchdog watchdog(
        kSetupTimeoutSeconds * 1000,
        [this] {
            std::printf("\nError: %s\n", kSetupTimeout);
            ZTRACE(0, "%s const Error: ch = [%s]\n", where, kSetupTimeout);
            session.stopSession();
            ExitClean(1);
        },
        [this] { return terminated.load(); },
        [this] {
            // Interrupted while connecting: nothing is mapped, so end as the run loop would.
            std::printf("\n");
            ZTRACE(1, "%s Thread Stopping\n", "RemdiskAPP::run");
            ExitClean(0);
        });
    watchdog.start();
    try {
        connectSteps();
    } catch (const char* text) {
        watchdog.disarm();
        std::printf("Error: %s\n", text);
        ZTRACE(0, "%s const Error: ch = [%s]\n", where, text);
        ExitClean(1);
    } catch (...) {
        watchdog.disarm();
        ZTRACE(0, "%s Exception Caught\n", where);
        ExitClean(1);
    }
    watchdog.disarm();
}

void RemdiskAPP::connectSteps() {
    static const char* const where = "RemdiskAPP::Connect";
    if (getCredentials() != 0)
        return;
    std::printf("Connecting to server....\n");
    std::fflush(stdout);
    ZTRACE(0, "%s Connecting to server..\n", where);
    session.connect(serverName, vmPort);
    ZTRACE(0, "%s Sending Login info..\n", where);
    if (!tempPassword.empty())
        session.sendLoginUser(tempUserName, tempPassword);
    else
        session.sendLogin(tempUserName);
}

void RemdiskAPP::requestVDiskInfo() { session.sendVDiskInfoRequest(); }

void RemdiskAPP::fireRemoteDeviceListChanged() { sessionListener.vdiskListUpdate(); }

void RemdiskAPP::endThreads() {
    ZTRACE(1, "%s called\n", "RemdiskAPP::endThreads");
    std::printf("Terminating\n");
    std::fflush(stdout);
    terminating.store(true);
    session.stopSession();
}

void RemdiskAPP::failOnSessionThread() {
    // The other session threads must not go on using the media that ExitClean releases.
    session.stopSession();
    ExitClean(1);
}

void RemdiskAPP::MapDrive() {
    static const char* const where = "RemdiskAPP::MapDrive";
    ZTRACE(1, "%s called from listener\n", where);
    try {
        CreateLocalDevices();
        const bool floppySettled = !floppyRequested || floppyMapped.load();
        const bool cdSettled = !cdRequested || cdMapped.load();
        if (floppySettled && cdSettled) {
            ZTRACE(1, "%s local device(s) already mapped\n", where);
            return;
        }
        DeviceManager& manager = session.getDeviceManager();
        // Maps local to the first free drive of its kind, if there is one.
        auto mapToFreeDrive = [&](LocalDevice& local, int kind, const char* label, bool cd,
                                  std::atomic<bool>& mapped) {
            for (RemoteDevice* remote : manager.getMatchingRemoteDevices(kind)) {
                if (remote->isMapped())
                    continue;
                ZTRACE(1, "%s *** Map %s ***\n", where, label);
                if (cd)
                    session.sendMapRequest(local, *remote, true);
                else
                    session.sendMapRequest2(local, *remote, true);
                remote->setDeviceStatus(1);
                mapped.store(true);
                return;
            }
        };
        for (LocalDevice* device : manager.getLocalDeviceList()) {
            const bool cdKind = device->getType() == CD_DVD || device->getType() == ISO_IMAGE;
            if (!cdKind && !floppyMapped.load() && floppyDevice)
                mapToFreeDrive(*floppyDevice, FLOPPY, "Floppy", false, floppyMapped);
            else if (cdKind && !cdMapped.load() && cdDevice)
                mapToFreeDrive(*cdDevice, CD_DVD, "CD_DVD", true, cdMapped);
        }
    } catch (const char* text) {
        std::printf("Error: %s\n", text);
        ZTRACE(0, "%s const Error: ch = [%s]\n", where, text);
        failOnSessionThread();
    } catch (...) {
        ZTRACE(0, "%s Exception Caught (mapping)\n", where);
        failOnSessionThread();
    }
}

void RemdiskAPP::CreateLocalDevices() {
    static const char* const where = "RemdiskAPP::CreateLocalDevices";
    if (floppyDevice || cdDevice)
        return;
    const std::string* creating = &floppyPath;
    try {
        DeviceManager& manager = session.getDeviceManager();
        if (floppyRequested) {
            ZTRACE(1, "%s *** Create Floppy *** %s\n", where, floppyPath.c_str());
            floppyDevice = new LocalDevice(manager, 0, floppyType, floppyPath);
            floppyDevice->setPath(floppyPath);
            manager.addLocalDevice(*floppyDevice);
        }
        if (cdRequested) {
            creating = &cdPath;
            ZTRACE(1, "%s *** Create CD_DVD *** %s\n", where, cdPath.c_str());
            cdDevice = new LocalDevice(manager, 0, cdType, cdPath);
            cdDevice->setPath(cdPath);
            manager.addLocalDevice(*cdDevice);
        }
    } catch (const char* text) {
        std::printf("Local device %s error: %s\n", creating->c_str(), text);
        ZTRACE(0, "%s Local device error: %s\n", where, text);
        failOnSessionThread();
    } catch (const std::string& text) {
        // An image file that cannot be read is thrown as its path.
        std::printf("Local device %s error: %s\n", creating->c_str(), text.c_str());
        ZTRACE(0, "%s Local device error: %s\n", where, text.c_str());
        failOnSessionThread();
    } catch (...) {
        ZTRACE(0, "%s Exception Caught (local)\n", where);
        failOnSessionThread();
    }
}

void RemdiskAPP::terminate() {
    ZTRACE(0, "%s called\n", "RemdiskAPP::terminate");
    interrupted.store(true);
    terminating.store(true);
    std::printf("\nTerminating");
    std::fflush(stdout);
    stopSession();
    ZTRACE(0, "%s session stopped\n", "RemdiskAPP::terminate");
    terminated.store(true);
}

void RemdiskAPP::ExitClean(int code) {
    // The first caller ends the process; any other thread arriving here waits for that.
    static std::atomic<bool> exiting{false};
    if (exiting.exchange(true)) {
        for (;;)
            pause();
    }
    ZTRACE(0, "%s Clean Up And Exit code:[%i]\n", "RemdiskAPP::ExitClean:", code);
    delete mediaProvider;
    mediaProvider = nullptr;
    delete floppyDevice;
    floppyDevice = nullptr;
    delete cdDevice;
    cdDevice = nullptr;
    ZTrace::retireGlobal();
    // Other threads may still be running: end without running global destructors or exit
    // handlers underneath them.
    std::fflush(nullptr);
    std::_Exit(code);
}
