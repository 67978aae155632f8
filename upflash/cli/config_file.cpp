#include "cli/config_file.h"

#include "cli/console.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

CONFIG_TYPE gConfig;

void initial_config() {
    gConfig.fwUpdateWaitingTime = 180;
    gConfig.vantroRebootWaitingTime = 90;
    gConfig.usbDeviceSearchingTime = 60;
    gConfig.ipmiCommandRetryTimes = 4;
}

namespace {

bool is_separator(char c) { return c == ' ' || c == '\t' || c == '='; }

// The next token of [pos, end) between separators, or an empty one at the end.
std::string next_token(const char* line, size_t end, size_t& pos) {
    while (pos < end && is_separator(line[pos]))
        ++pos;
    size_t start = pos;
    while (pos < end && !is_separator(line[pos]))
        ++pos;
    return std::string(line + start, pos - start);
}

// Decimal conversion as the C library's atoi does it on the 32-bit target: leading white
// space, an optional sign, digits; out-of-range values are held at the int limits.
int decimal_value(const std::string& text) {
    errno = 0;
    long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int>(v);
}

void apply_setting(const std::string& key, const std::string& value, CONFIG_TYPE* cfg) {
    uint16_t* field16 = nullptr;
    bool retries = false;
    if (key == "USBDeviceSearchingTime") field16 = &cfg->usbDeviceSearchingTime;
    else if (key == "FwUpdateWaitingTime") field16 = &cfg->fwUpdateWaitingTime;
    else if (key == "VantroRebootWaitingTime") field16 = &cfg->vantroRebootWaitingTime;
    else if (key == "IPMICommandRetryTimes") retries = true;
    else return;

    const uint16_t v = static_cast<uint16_t>(decimal_value(value));
    // A conversion that gives 0 is taken only from a real "0", so a value that is not a
    // number leaves the setting alone.
    if (v == 0 && value != "0" && value != "0\r")
        return;
    if (retries)
        cfg->ipmiCommandRetryTimes = static_cast<uint8_t>(v);
    else
        *field16 = v;
}

} // namespace

void parse_config_text(const char* text, size_t length, CONFIG_TYPE* cfg) {
    size_t pos = 0;
    while (pos < length) {
        const char* line = text + pos;
        const void* nl = std::memchr(line, '\n', length - pos);
        size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - line) : length - pos;
        pos += end + 1;
        // A NUL byte ends the line's text, as "#" does.
        if (const void* nul = std::memchr(line, '\0', end))
            end = static_cast<size_t>(static_cast<const char*>(nul) - line);
        if (const void* hash = std::memchr(line, '#', end))
            end = static_cast<size_t>(static_cast<const char*>(hash) - line);
        if (end == 0)
            continue;
        size_t cursor = 0;
        std::string key = next_token(line, end, cursor);
        std::string value = next_token(line, end, cursor);
        if (key.empty() || value.empty())
            continue;
        apply_setting(key, value, cfg);
    }
}

int ReadConfigFile() {
    initial_config();
    // Non-blocking open, so that a FIFO in the file's place cannot hold the run up.
    int fd = open(CONFIG_FILE_NAME, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        display_printf(PRT_DEBUG, "\n   Cannot find %s\n", CONFIG_FILE_NAME);
        return 1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        display_printf(PRT_DEBUG, "\n   Reading %s error. (readSize=%u, filesize=%u)\n",
                       CONFIG_FILE_NAME, 0u, 0u);
        close(fd);
        return 1;
    }
    const unsigned long long file_size = static_cast<unsigned long long>(st.st_size);
    char* buffer = nullptr;
    if (file_size < SIZE_MAX)
        buffer = static_cast<char*>(std::malloc(static_cast<size_t>(file_size) + 1));
    if (!buffer) {
        display_redirection(PRT_DEBUG, "\n   Allocate memory failed\n");
        close(fd);
        return 3;
    }
    size_t got = 0;
    const size_t want = static_cast<size_t>(file_size);
    while (got < want) {
        ssize_t n = read(fd, buffer + got, want - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (got < want) {
        display_printf(PRT_DEBUG, "\n   Reading %s error. (readSize=%llu, filesize=%llu)\n",
                       CONFIG_FILE_NAME, static_cast<unsigned long long>(got), file_size);
        std::free(buffer);
        return 1;
    }
    parse_config_text(buffer, got, &gConfig);
    std::free(buffer);
    return 0;
}
