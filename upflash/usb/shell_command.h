// Running the host's tools through the shell for the virtual USB handling, and making the
// names that go into those commands safe.
#pragma once

#include <functional>
#include <string>

// Runs a shell command to its end. Its standard output (and whatever the command itself sends
// there) goes to *output when that is given. Returns the exit status, 128 + the signal number
// when a signal ended it, or -1 when it could not be started. The tools run in the C locale,
// whatever the user's, so their listings and messages read the same everywhere.
using UsbCommandRunner = std::function<int(const std::string& command, std::string* output)>;

int usb_run_command(const std::string& command, std::string* output);

// Replaces the runner (tests give fixture outputs); an empty one restores the shell.
void usb_set_command_runner(UsbCommandRunner runner);

// The text as one single-quoted shell word.
std::string shell_quote(const std::string& text);

// A device name as block devices are named: an absolute path of letters, digits and
// "/._-+:@,", nothing that a shell would read specially.
bool is_safe_device_name(const std::string& name);

// A path fit for a shell command once quoted: absolute, no control characters.
bool is_safe_path(const std::string& path);
