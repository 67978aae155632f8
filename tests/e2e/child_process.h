// A program running in the background of an end-to-end test, with its standard output and
// error merged and collected: wait (bounded) for a text to appear, send it signals, and
// collect its exit status. It is killed when the object goes.
#pragma once

#include <string>
#include <vector>

namespace e2e {

class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv, const std::string& cwd = "");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads output until text has appeared (true) or ms have passed or the output ended.
    bool waitFor(const std::string& text, int ms);
    // The number after "<prefix>" in the output once that line is complete, or 0.
    int numberAfter(const std::string& prefix) const;
    void signal(int sig);
    // Waits at most ms for the program to end (reading all its output); the exit status,
    // 128 + signal when killed by one, -1 when it had to be killed for running too long.
    int finish(int ms);
    const std::string& output() const { return out; }

private:
    bool readSome(int ms);

    int pid = -1;
    int fd = -1;
    int status = -2;
    std::string out;
};

// The port of a listening loopback socket that accepts connections (through the kernel's
// backlog) but whose owner never reads or writes: a controller that does not answer.
class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    int port() const { return portNumber; }

private:
    int fd = -1;
    int portNumber = 0;
};

} // namespace e2e
