#include "foundation/NumberFormatException.h"

NumberFormatException::NumberFormatException() = default;

NumberFormatException::NumberFormatException(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    setMessage(fmt, args);
    va_end(args);
}

NumberFormatException::~NumberFormatException() = default;
