#include "sim_run.h"

#include "http/credential_server.h"
#include "ipmi/fw_commands.h"
#include "ipmi/ipmi_dispatch.h"
#include "ipmi/ipmi_server.h"
#include "medp/sha256_digest.h"
#include "medp/vm_server.h"
#include "usb/virtual_usb.h"

#include <openssl/rand.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <pthread.h>

namespace sim {

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_UNFINISHED = 3;

int fail(const std::string& error, int status = EXIT_FAILED) {
    std::fprintf(stderr, "vantro-sim: %s\n", error.c_str());
    return status;
}

std::string randomHex(int digits) {
    unsigned char b[32] = {};
    RAND_bytes(b, digits / 2);
    static const char hex[] = "0123456789abcdef";
    std::string s;
    for (int i = 0; i < digits / 2; ++i) {
        s += hex[b[i] >> 4];
        s += hex[b[i] & 15];
    }
    return s;
}

// Digests of the files the drives must read as, taken before any session may write them.
bool prepareExpectations(ScenarioConfig& sc, std::string& error) {
    for (DriveExpectation& e : sc.expectations)
        if (!e.file.empty() && !sha256File(e.file, e.sha256, e.fileSize, error)) return false;
    return true;
}

} // namespace

int runSimulator(SimOptions& opts) {
    std::string error;
    if (opts.ipmiPort < 0 && opts.httpsPort < 0 && opts.vmPort < 0)
        return fail(std::string("no endpoint requested\n") + simUsage(), EXIT_USAGE);
    if (!opts.tempPasswordSet) opts.credentials.tempPassword = randomHex(16);
    opts.scenario.loginUser = opts.credentials.tempUser;
    opts.scenario.loginPassword = opts.credentials.tempPassword;
    if (!prepareExpectations(opts.scenario, error)) return fail(error, EXIT_USAGE);

    // Endpoint threads inherit the blocked set; the main thread alone takes the signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<IpmiDispatcher> ipmi;
    std::unique_ptr<IpmiServer> ipmiServer;
    if (opts.ipmiPort >= 0) {
        IpmiState state;
        if (opts.stateFile.empty()) state = IpmiState::defaults();
        else if (!loadIpmiState(opts.stateFile, state, error)) return fail(error);
        ipmi.reset(new IpmiDispatcher(state, opts.stateFile));
        addStandardCommands(*ipmi);
        // Without --virtual-usb there is no device: phase 1 succeeds, phase 2 then finds no
        // image. With it, the host's disk list must not change under the updater from other
        // presenters: the host-wide lock is taken now, for the simulator's whole run.
        static NoVirtualUsb noUsb;
        static LoopUsbPresenter loopUsb;
        VirtualUsbPresenter* usb = &noUsb;
        if (opts.virtualUsb) {
            usb = &loopUsb;
            std::string why;
            if (!LoopUsbPresenter::machineSupports(&why) || !loopUsb.reserve(&why))
                std::fprintf(stderr, "vantro-sim: virtual USB device unavailable: %s\n", why.c_str());
        }
        addFirmwareCommands(*ipmi, std::make_shared<FwUpdateController>(opts.fw, usb));
        ipmiServer.reset(new IpmiServer(*ipmi));
        if (!ipmiServer->start(static_cast<uint16_t>(opts.ipmiPort), error)) return fail(error);
        std::printf("ipmi port %u\n", ipmiServer->port());
    }
    std::unique_ptr<VmServer> vm;
    if (opts.vmPort >= 0) {
        vm.reset(new VmServer(opts.hshk, opts.scenario, opts.once));
        if (!vm->start(opts.vmPort, error)) return fail(error);
        std::printf("vm port %d\n", vm->port());
        if (vm->sessionPort() >= 0) std::printf("session port %d\n", vm->sessionPort());
    }
    std::unique_ptr<CredentialServer> https;
    if (opts.httpsPort >= 0) {
        https.reset(new CredentialServer(opts.credentials));
        if (!https->start(opts.httpsPort, vm ? vm->port() : 443, error)) return fail(error);
        std::printf("https port %d\n", https->port());
    }
    std::fflush(stdout);

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(opts.timeoutSeconds);
    bool timedOut = false, signalled = false;
    for (;;) {
        if (opts.once && (vm ? vm->finished() : https && https->served() > 0)) break;
        if (opts.timeoutSeconds > 0 && std::chrono::steady_clock::now() >= deadline) {
            timedOut = true;
            break;
        }
        timespec slice{0, 100 * 1000 * 1000};
        if (sigtimedwait(&stopSignals, nullptr, &slice) > 0) {
            signalled = true;
            break;
        }
    }
    if (timedOut) std::fprintf(stderr, "vantro-sim: time-out of %d s reached\n", opts.timeoutSeconds);
    if (https) https->stop();
    if (vm) vm->stop();
    if (ipmiServer) ipmiServer->stop();

    if (vm && vm->failedSessions() > 0) return EXIT_FAILED;
    if (timedOut) return EXIT_UNFINISHED;
    if (opts.once && vm && !vm->lastCompleted()) return EXIT_UNFINISHED;
    if (opts.once && signalled) return EXIT_UNFINISHED;
    return 0;
}

} // namespace sim
