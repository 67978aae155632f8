#include "sim_log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace sim {

void simLog(const char* format, ...) {
    static std::mutex lock;
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::lock_guard<std::mutex> hold(lock);
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace sim
