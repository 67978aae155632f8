#include "cli/logger.h"

#include "cli/console.h"

#include <cstdarg>
#include <cstdio>

int Logger::m_LogLevel = 0;

void Logger::LogLevel(int level) { m_LogLevel = level; }

int Logger::GetLogLevel() { return m_LogLevel; }

void Logger::Write(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string text = format_text_v(fmt, ap);
    va_end(ap);
    if (m_LogLevel < 0)
        return;
    display_redirection(PRT_NORMAL, text.c_str());
    std::fflush(console_output_stream());
}
