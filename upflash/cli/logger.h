// The small logger of the host driver layer: formatted console text that the XML modes silence.
#pragma once

class Logger {
public:
    static void LogLevel(int level);
    static int GetLogLevel();
    static void Write(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

private:
    static int m_LogLevel;
};
