// Remdisk: the virtual media command-line client.
#include <cstdio>
#include <cstdlib>

#include "app/RemdiskAPP.h"
#include "app/SignalHandling.h"
#include "app/StandardStreams.h"
#include "foundation/ZTrace.h"

namespace {
[[noreturn]] void endWithStatus(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}
} // namespace

int main(int argc, char** argv) {
    ensureStandardStreams();
    installSignalHandlers();
    __atomic_store_n(&gTrace, new ZTrace(), __ATOMIC_RELEASE);
    try {
        RemdiskAPP* app = new RemdiskAPP(argc, argv);
        gApp.store(app);
        if (!app->start()) {
            std::printf("Error: Unable to start the application thread.\n");
            app->ExitClean(1);
        }
        app->join();
        gApp.store(nullptr);
        delete app;
    } catch (const char* text) {
        std::printf("\nTerminated with Exception: %s\n", text);
        endWithStatus(0);
    } catch (...) {
        std::printf("\nTerminated.\n");
        endWithStatus(0);
    }
    return 0;
}
