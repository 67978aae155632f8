// Running a host tool by its argument list (no shell), with its output captured and a bound
// on how long it may take.
#pragma once

#include <string>
#include <vector>

namespace sim {

struct ToolResult {
    int status = -1;     // exit status; -1 when it could not be started or was killed
    std::string output;  // standard output and standard error together
};

ToolResult runTool(const std::vector<std::string>& argv, int timeoutMs = 30000,
                   const std::vector<std::string>& extraEnv = {});

// The first of the names found as an executable file, on PATH or in the sbin folders.
std::string findTool(const std::string& name);

} // namespace sim
