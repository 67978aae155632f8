// The log file named by -l: the command line first, then every text routed to it.
#include "cli/console.h"

#include <cstring>

namespace {
FILE* log_fp = nullptr;
}

int set_log_file(const char* path, int argc, char** argv) {
    close_log_file();
    FILE* fp = std::fopen(path, "w");
    if (!fp) {
        display_printf(PRT_ERROR, " Cannot create %s \n", path);
        return 4;
    }
    log_fp = fp;
    for (int i = 0; i < argc && log_fp; ++i) {
        log_to_file(argv[i]);
        log_to_file(" ");
    }
    log_to_file("\n");
    return 0;
}

void log_to_file(const char* text) {
    if (!log_fp || !text)
        return;
    const size_t length = std::strlen(text);
    int written = std::fprintf(log_fp, "%s", text);
    // Flushed at once so that a full disk is noticed at the text that did not fit, and the
    // log holds everything up to the moment should the process be killed.
    bool failed = written < 0 || static_cast<size_t>(written) != length || std::fflush(log_fp) != 0;
    if (failed) {
        std::fprintf(console_error_stream(), "Error while writing to log file. Logging is disabled.\n");
        std::fflush(console_error_stream());
        close_log_file();
    }
}

void close_log_file() {
    if (!log_fp)
        return;
    std::fflush(log_fp);
    std::fclose(log_fp);
    log_fp = nullptr;
}
