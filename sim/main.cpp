// vantro-sim: the controller simulator. Starts the endpoints its options name and runs until
// SIGINT or SIGTERM.
#include "ipmi/fw_commands.h"
#include "ipmi/ipmi_dispatch.h"
#include "ipmi/ipmi_server.h"
#include "sim_options.h"
#include "usb/virtual_usb.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <pthread.h>

int main(int argc, char** argv) {
    sim::SimOptions opts;
    std::string error;
    if (!sim::parseSimOptions(std::vector<std::string>(argv + 1, argv + argc), opts, error)) {
        std::fprintf(stderr, "vantro-sim: %s\n%s", error.c_str(), sim::simUsage());
        return 2;
    }
    if (opts.help) {
        std::fputs(sim::simUsage(), stdout);
        return 0;
    }
    // Endpoint threads inherit the blocked set; the main thread alone takes the signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::unique_ptr<sim::IpmiDispatcher> ipmi;
    std::unique_ptr<sim::IpmiServer> ipmiServer;
    if (opts.ipmiPort >= 0) {
        sim::IpmiState state;
        if (opts.stateFile.empty()) state = sim::IpmiState::defaults();
        else if (!sim::loadIpmiState(opts.stateFile, state, error)) {
            std::fprintf(stderr, "vantro-sim: %s\n", error.c_str());
            return 1;
        }
        ipmi.reset(new sim::IpmiDispatcher(state, opts.stateFile));
        sim::addStandardCommands(*ipmi);
        // Without --virtual-usb there is no device: phase 1 succeeds, phase 2 then finds no
        // image. With it, the host's disk list must not change under the updater from other
        // presenters: the host-wide lock is taken now, for the simulator's whole run.
        static sim::NoVirtualUsb noUsb;
        static sim::LoopUsbPresenter loopUsb;
        sim::VirtualUsbPresenter* usb = &noUsb;
        if (opts.virtualUsb) {
            usb = &loopUsb;
            std::string why;
            if (!sim::LoopUsbPresenter::machineSupports(&why) || !loopUsb.reserve(&why))
                std::fprintf(stderr, "vantro-sim: virtual USB device unavailable: %s\n", why.c_str());
        }
        sim::addFirmwareCommands(*ipmi, std::make_shared<sim::FwUpdateController>(opts.fw, usb));
        ipmiServer.reset(new sim::IpmiServer(*ipmi));
        if (!ipmiServer->start(static_cast<uint16_t>(opts.ipmiPort), error)) {
            std::fprintf(stderr, "vantro-sim: %s\n", error.c_str());
            return 1;
        }
        std::printf("ipmi port %u\n", ipmiServer->port());
    }
    if (!ipmiServer) {
        std::fprintf(stderr, "vantro-sim: no endpoint requested\n%s", sim::simUsage());
        return 2;
    }
    std::fflush(stdout);
    int sig = 0;
    sigwait(&stopSignals, &sig);
    if (ipmiServer) ipmiServer->stop();
    return 0;
}
