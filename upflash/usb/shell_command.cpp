#include "usb/shell_command.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <sys/wait.h>

namespace {

UsbCommandRunner& current_runner() {
    static UsbCommandRunner runner;
    return runner;
}

int shell_run(const std::string& command, std::string* output) {
    // The listings and messages are read for their words: have the tools speak English.
    const std::string line = "LC_ALL=C; export LC_ALL; " + command;
    FILE* pipe = popen(line.c_str(), "r");
    if (!pipe)
        return -1;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        if (output)
            output->append(chunk, n);
    const int status = pclose(pipe);
    if (status == -1)
        return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

int usb_run_command(const std::string& command, std::string* output) {
    const UsbCommandRunner& runner = current_runner();
    return runner ? runner(command, output) : shell_run(command, output);
}

void usb_set_command_runner(UsbCommandRunner runner) { current_runner() = std::move(runner); }

std::string shell_quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    out += "'";
    return out;
}

bool is_safe_device_name(const std::string& name) {
    if (name.size() < 2 || name.size() >= 256 || name[0] != '/')
        return false;
    for (unsigned char c : name)
        if (!std::isalnum(c) && !std::strchr("/._-+:@,", c))
            return false;
    return true;
}

bool is_safe_path(const std::string& path) {
    if (path.empty() || path[0] != '/' || path.size() >= 256)
        return false;
    for (unsigned char c : path)
        if (c < 0x20 || c == 0x7f)
            return false;
    return true;
}
