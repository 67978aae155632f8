// Exception classes of the foundation library. Most errors of the program travel as thrown
// C-string literals; these classes are used by the few helpers that need a formatted message.
#pragma once

#include <cstdarg>

class Exception {
public:
    // Longest message kept, without the terminating NUL; longer messages are cut.
    static constexpr int MAX_MESSAGE = 4096;

    Exception();
    // printf-style message.
    explicit Exception(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    virtual ~Exception();

    const char* getMessage() const { return message; }

protected:
    void setMessage(const char* fmt, va_list args);

private:
    char message[MAX_MESSAGE + 1];
};
