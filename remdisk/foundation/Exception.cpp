#include "foundation/Exception.h"

#include <cstdio>

Exception::Exception() { message[0] = '\0'; }

Exception::Exception(const char* fmt, ...) {
    message[0] = '\0';
    va_list args;
    va_start(args, fmt);
    setMessage(fmt, args);
    va_end(args);
}

Exception::~Exception() = default;

void Exception::setMessage(const char* fmt, va_list args) {
    if (!fmt) {
        message[0] = '\0';
        return;
    }
    // vsnprintf never writes past the buffer; an overlong message is cut.
    if (std::vsnprintf(message, sizeof message, fmt, args) < 0)
        message[0] = '\0';
}
