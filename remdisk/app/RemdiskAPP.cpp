#include "app/RemdiskAPP.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

#include "app/ZentCommandLine.h"
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
    delete mediaProvider;
    delete floppyDevice;
    delete cdDevice;
}

void RemdiskAPP::run() {
    try {
        const char* hold = std::getenv(kHoldEnvironment);
        if (hold && clampedAtoi(hold) > 0) {
            holdForSignal(clampedAtoi(hold));
            std::printf("\n");
            ZTRACE(1, "%s Thread Stopping\n", "RemdiskAPP::run");
            ExitClean(terminating.load() ? 0 : 1);
        }
        std::printf("Error: Connecting to the Vantro controller is not available in this "
                    "build yet.\n");
        ZTRACE(0, "%s connecting to the controller is not available yet\n", "RemdiskAPP::run");
    } catch (const char* text) {
        ZTRACE(0, "%s const Exception: %s\n", "RemdiskAPP::run", text);
        std::printf("Error: %s\n", text);
    } catch (...) {
        ZTRACE(0, "%s ??? Exception\n", "RemdiskAPP::run");
        std::printf("Exception Caught in CliAPP::Run()\n");
    }
    ExitClean(1);
}

void RemdiskAPP::holdForSignal(int seconds) {
    std::printf("Test hold: waiting up to %i seconds for a signal.\n", seconds);
    std::fflush(stdout);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!terminating.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!terminating.load())
        std::printf("Test hold ended without a signal.\n");
}

void RemdiskAPP::terminate() {
    ZTRACE(0, "%s called\n", "RemdiskAPP::terminate");
    terminating.store(true);
    std::printf("\nTerminating");
    std::fflush(stdout);
    stopSession();
    ZTRACE(0, "%s session stopped\n", "RemdiskAPP::terminate");
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
