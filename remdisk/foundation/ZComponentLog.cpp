#include "foundation/ZComponentLog.h"

#include <algorithm>

#include "foundation/ZLog.h"

ZComponentLog::ZComponentLog() = default;

ZComponentLog::ZComponentLog(const char* n) : name(n ? n : "") {}

ZComponentLog::ZComponentLog(const char* n, ZLog& base) : parent(&base), name(n ? n : "") {}

ZComponentLog::~ZComponentLog() = default;

void ZComponentLog::setBaseLog(ZLog& base) {
    parent = &base;
    for (ZComponentLog* child : children)
        child->setBaseLog(base);
}

void ZComponentLog::addChildLog(ZComponentLog& child) {
    children.push_back(&child);
    if (parent)
        child.setBaseLog(*parent);
}

void ZComponentLog::removeChildLog(ZComponentLog& child) {
    auto it = std::find(children.begin(), children.end(), &child);
    if (it != children.end())
        children.erase(it);
}

void ZComponentLog::print(const char* fmt, ...) {
    if (!forwarding())
        return;
    va_list args;
    va_start(args, fmt);
    parent->vprint(fmt, args);
    va_end(args);
    parent->flush();
}

void ZComponentLog::vprint(const char* fmt, va_list args) {
    if (forwarding())
        parent->vprint(fmt, args);
}

void ZComponentLog::print(int level, const char* fmt, ...) {
    if (!forwarding())
        return;
    va_list args;
    va_start(args, fmt);
    parent->vprint(level, fmt, args);
    va_end(args);
    parent->flush();
}

void ZComponentLog::vprint(int level, const char* fmt, va_list args) {
    if (forwarding())
        parent->vprint(level, fmt, args);
}

void ZComponentLog::flush() {
    if (forwarding())
        parent->flush();
}

#define FORWARD_AT(LEVEL)            \
    va_list args;                    \
    va_start(args, fmt);             \
    vprint(LEVEL, fmt, args);        \
    va_end(args)

void ZComponentLog::logInfo(const char* fmt, ...) { FORWARD_AT(INFO); }
void ZComponentLog::logWarning(const char* fmt, ...) { FORWARD_AT(WARNING); }
void ZComponentLog::logError(const char* fmt, ...) { FORWARD_AT(ERROR); }
void ZComponentLog::logTrace(const char* fmt, ...) { FORWARD_AT(TRACE); }
