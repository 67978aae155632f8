// A base log: formats entries (optional timestamp, the log's name, the text) into a bounded
// line buffer and writes them to a stream. Entries longer than the buffer are cut.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <memory>

#include "foundation/Monitor.h"
#include "foundation/ZLogLevels.h"

class ZLog : public ZLogLevels {
public:
    // Disabled until given a stream; line buffer of 4096 bytes.
    explicit ZLog(const char* name);
    // Enabled; a null stream means "debug.log" is opened on the first entry. Line buffer of
    // 1024 bytes.
    ZLog(const char* name, FILE* stream);
    virtual ~ZLog();
    ZLog(const ZLog&) = delete;
    ZLog& operator=(const ZLog&) = delete;

    // Opens path with mode "w+" as the output stream: 0 on success, -1 when it cannot be opened.
    int setOutputFile(const char* path);
    void setEnabled(bool on) { enabled = on; }
    bool isEnabled() const { return enabled; }
    void setShowTimestamp(bool on) { showTimestamp = on; }
    bool getShowTimestamp() const { return showTimestamp; }
    void setEchoToConsole(bool on) { echoToConsole = on; }
    bool getEchoToConsole() const { return echoToConsole; }
    size_t lineCapacity() const { return lineSize; }

    void print(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void print(int level, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
    void vprint(const char* fmt, va_list args);
    // The level does not change the output.
    void vprint(int level, const char* fmt, va_list args);
    void flush();

private:
    void closeOwnedFile();

    FILE* file = nullptr;
    bool ownsFile = false; // opened here (setOutputFile or "debug.log"), so closed here
    bool enabled = false;
    bool showTimestamp = true;
    bool echoToConsole = false;
    std::unique_ptr<char[]> name;
    Monitor monitor;
    size_t lineSize;
    std::unique_ptr<char[]> line;
};
