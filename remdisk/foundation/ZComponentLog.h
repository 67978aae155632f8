// A named log of one component (a socket, a monitor) that forwards its lines to a base ZLog.
// Without a base every line is discarded.
#pragma once

#include <cstdarg>
#include <string>
#include <vector>

#include "foundation/ZLogLevels.h"

class ZLog;

class ZComponentLog : public ZLogLevels {
public:
    ZComponentLog();
    explicit ZComponentLog(const char* name);
    ZComponentLog(const char* name, ZLog& base);
    ZComponentLog(const ZComponentLog&) = default;
    ZComponentLog& operator=(const ZComponentLog&) = default;
    virtual ~ZComponentLog();

    // Attaches this log and, recursively, every child to the base.
    void setBaseLog(ZLog& base);
    // The child (and its subtree) follows this log's base when it has one.
    void addChildLog(ZComponentLog& child);
    void removeChildLog(ZComponentLog& child);
    ZLog* getParentLog() const { return parent; }

    void setEnabled(bool on) { enabled = on; }
    bool isEnabled() const { return enabled; }
    const std::string& getName() const { return name; }

    void print(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void vprint(const char* fmt, va_list args);
    void print(int level, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
    void vprint(int level, const char* fmt, va_list args);
    void flush();

    void logInfo(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void logWarning(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void logError(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void logTrace(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

private:
    bool forwarding() const { return parent != nullptr && enabled; }

    ZLog* parent = nullptr;
    bool enabled = true;
    std::string name;
    std::vector<ZComponentLog*> children;
};
