// Interrupts of Remdisk. The handler itself only counts the signal and hands its number to
// a stop thread through a pipe (a second signal ends the process at once, status 0); the
// stop thread writes the trace line and runs the application's terminate().
#pragma once

#include <atomic>

// The number of signals already handled.
extern std::atomic<int> signalOnce;

// Starts the stop thread, then installs the handler for SIGTERM, SIGINT, SIGILL, SIGSEGV
// and SIGQUIT, in that order, and blocks them in the calling thread (and so in every
// thread it starts later) so that they reach the stop thread. Returns false when the stop
// thread could not be started (the handler then ends the process at once on the first
// signal).
bool installSignalHandlers();

// The handler's work for one signal; async-signal-safe.
void SignalHandler(int sig);

// "SIGINT - interrupt" and the other labels; "UNKNOWN SIGNAL TYPE" for the rest.
const char* signalLabel(int sig);

// The stop sequence for one signal, as the stop thread runs it.
void handleStopSignal(int sig);
