// Thrown by ZInteger::parseInt when a text holds no number.
#pragma once

#include "foundation/Exception.h"

class NumberFormatException : public Exception {
public:
    NumberFormatException();
    // Formats and keeps its message the same way as Exception does.
    explicit NumberFormatException(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    ~NumberFormatException() override;
};
