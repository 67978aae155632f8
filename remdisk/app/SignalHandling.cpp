#include "app/SignalHandling.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include "app/RemdiskAPP.h"
#include "foundation/ZThread.h"
#include "foundation/ZTrace.h"

std::atomic<int> signalOnce{0};

namespace {

// Write end -1 until the stop thread runs; read by the handler, so a lock-free atomic.
std::atomic<int> stopPipeWrite{-1};
int stopPipeRead = -1;

// Reads signal numbers from the pipe and runs the stop sequence for each.
class SignalStopThread : public ZThread {
public:
    void run() override {
        for (;;) {
            int sig = 0;
            ssize_t n = read(stopPipeRead, &sig, sizeof sig);
            if (n == static_cast<ssize_t>(sizeof sig))
                handleStopSignal(sig);
            else if (n < 0 && errno == EINTR)
                continue;
            else
                return;
        }
    }
};

bool isProgramFault(int sig, const siginfo_t* info) {
    // A kernel-raised SIGSEGV/SIGILL (si_code > 0) is a crash of this program, not a
    // request to stop; signals sent with kill() carry si_code <= 0.
    return (sig == SIGSEGV || sig == SIGILL) && info && info->si_code > 0;
}

void onSignal(int sig, siginfo_t* info, void*) {
    if (isProgramFault(sig, info)) {
        // Returning re-runs the faulting instruction, which then ends the process with
        // the signal's default action (and a core dump) instead of reporting success.
        signal(sig, SIG_DFL);
        return;
    }
    SignalHandler(sig);
}

} // namespace

void SignalHandler(int sig) {
    if (signalOnce.fetch_add(1) > 0)
        _exit(0);
    int fd = stopPipeWrite.load();
    if (fd < 0)
        _exit(0);
    int savedErrno = errno;
    ssize_t written = write(fd, &sig, sizeof sig);
    errno = savedErrno;
    if (written != static_cast<ssize_t>(sizeof sig))
        _exit(0);
}

const char* signalLabel(int sig) {
    switch (sig) {
    case SIGINT: return "SIGINT - interrupt";
    case SIGILL: return "SIGILL - illegal op code";
    case SIGFPE: return "SIGFPE - floating point";
    case SIGSEGV: return "SIGSEGV - segment violation";
    case SIGTERM: return "SIGTERM - software termination";
    case SIGABRT: return "SIGABRT - abnormal termination";
    default: return "UNKNOWN SIGNAL TYPE";
    }
}

void handleStopSignal(int sig) {
    ZTRACE(0, "%s ***** Signal:[%i %s] *****\n", "SignalHandler:", sig, signalLabel(sig));
    if (RemdiskAPP* app = gApp.load()) {
        app->terminate();
        return;
    }
    // Interrupted during start-up, before the application exists: nothing to stop.
    std::printf("\nTerminating\n");
    ZTrace::retireGlobal();
    std::fflush(nullptr);
    std::_Exit(0);
}

bool installSignalHandlers() {
    int fds[2];
    bool stopThreadRunning = false;
    if (pipe2(fds, O_CLOEXEC) == 0) {
        fcntl(fds[1], F_SETFL, O_NONBLOCK); // the handler must never block
        stopPipeRead = fds[0];
        // Lives as long as the process; it is never joined.
        static SignalStopThread* stopThread = new SignalStopThread();
        stopThreadRunning = stopThread->start();
        if (stopThreadRunning)
            stopPipeWrite.store(fds[1]);
        else {
            close(fds[0]);
            close(fds[1]);
        }
    }

    struct sigaction action{};
    action.sa_sigaction = onSignal;
    // Persistent, as with signal(). No SA_RESTART: the signals reach only the stop thread,
    // whose read() must come back with EINTR (under ThreadSanitizer the handler itself only
    // runs once the interrupted call has returned).
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigset_t handled;
    sigemptyset(&handled);
    for (int sig : {SIGTERM, SIGINT, SIGILL, SIGSEGV, SIGQUIT}) {
        sigaction(sig, &action, nullptr);
        sigaddset(&handled, sig);
    }
    // Only the stop thread takes these signals: the calling thread and every thread it
    // starts from now on keep them blocked, so a signal never lands on a thread parked in
    // a join or a lock. (A fault raised by a blocked thread still ends the process with
    // that signal.)
    if (stopThreadRunning)
        pthread_sigmask(SIG_BLOCK, &handled, nullptr);
    return stopThreadRunning;
}
