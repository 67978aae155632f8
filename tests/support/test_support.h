// Helpers shared by the test programs: temporary folders and running a program as a
// child process with its output captured.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace vtest {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct RunResult {
    int status = -1;       // exit status, or 128 + signal number when killed by a signal
    bool timedOut = false; // killed because it ran longer than the limit
    std::string out;       // standard output
    std::string err;       // standard error
};

struct RunOptions {
    std::string cwd;                          // working directory ("" keeps ours)
    std::map<std::string, std::string> env;   // added to (or replacing in) our environment
    std::string input;                        // written to standard input, then closed
    int timeoutMs = 30000;
};

// Runs argv[0] with the given arguments and waits for it (never longer than timeoutMs).
RunResult run(const std::vector<std::string>& argv, const RunOptions& opts = {});

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& data);
bool fileExists(const std::string& path);

} // namespace vtest
