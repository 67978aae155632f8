#include "cli/console.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <termios.h>
#include <unistd.h>

namespace {

int display_state = DISPLAY_NORMAL;
FILE* console_out = nullptr;
FILE* console_err = nullptr;
FILE* console_in = nullptr;

FILE* out_stream() { return console_out ? console_out : stdout; }
FILE* err_stream() { return console_err ? console_err : stderr; }
FILE* in_stream() { return console_in ? console_in : stdin; }

bool console_visible(int state) { return state != DISPLAY_QUIET && state != DISPLAY_XML; }
bool debug_visible(int state) { return state == DISPLAY_DEBUG || state == DISPLAY_REVISION_DEBUG; }

// Throws away what was typed ahead of the question. Only a terminal has such input: on a pipe
// or file every byte waiting is a deliberate answer, so nothing is discarded there.
void discard_typeahead(FILE* in) {
    int fd = fileno(in);
    if (fd >= 0 && isatty(fd))
        tcflush(fd, TCIFLUSH);
}

} // namespace

void print_constructor() {
    display_state = DISPLAY_NORMAL;
    close_log_file();
}

void print_destructor() {
    // The log stays open until the process ends, which flushes and closes it.
}

int set_display_state(int state) {
    if (state >= DISPLAY_NORMAL && state <= DISPLAY_REVISION_DEBUG)
        display_state = state;
    return state;
}

int get_display_state() { return display_state; }

FILE* console_output_stream() { return out_stream(); }
FILE* console_error_stream() { return err_stream(); }

void console_set_streams(FILE* out, FILE* err, FILE* in) {
    console_out = out;
    console_err = err;
    console_in = in;
}

std::string format_text_v(const char* fmt, va_list ap) {
    va_list copy;
    va_copy(copy, ap);
    char small[256];
    int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0)
        return std::string();
    if (static_cast<size_t>(n) < sizeof small)
        return std::string(small, static_cast<size_t>(n));
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(&big[0], big.size(), fmt, ap);
    big.resize(static_cast<size_t>(n));
    return big;
}

std::string format_text(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = format_text_v(fmt, ap);
    va_end(ap);
    return s;
}

int display_redirection(int cls, const char* text) {
    if (!text)
        text = "";
    const int state = display_state;
    FILE* stream = nullptr;
    bool to_log = true;
    switch (cls) {
    case PRT_NORMAL:
    case PRT_HELP:
        if (console_visible(state)) stream = out_stream();
        break;
    case PRT_ERROR:
        if (state != DISPLAY_XML) stream = err_stream();
        break;
    case PRT_DEBUG:
        if (debug_visible(state)) stream = out_stream();
        break;
    case PRT_PROGRESS:
    case PRT_STATUS:
        if (console_visible(state)) stream = out_stream();
        to_log = false;
        break;
    default:
        return DISPLAY_NOT_WRITTEN;
    }
    int result = DISPLAY_NOT_WRITTEN;
    if (stream) {
        std::fprintf(stream, "%s", text);
        std::fflush(stream);
        result = DISPLAY_WRITTEN;
    }
    if (cls == PRT_ERROR)
        result = DISPLAY_WRITTEN;
    if (to_log)
        log_to_file(text);
    return result;
}

int display_printf(int cls, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = format_text_v(fmt, ap);
    va_end(ap);
    return display_redirection(cls, s.c_str());
}

int prompt_user(int cls, const char* question) {
    const int state = display_state;
    if (state == DISPLAY_QUIET || state == DISPLAY_XML || state == DISPLAY_REVISION ||
        state == DISPLAY_REVISION_DEBUG)
        return PROMPT_YES;

    FILE* in = in_stream();
    discard_typeahead(in);
    int answer = ' ';
    while (std::toupper(answer) != 'Y' && std::toupper(answer) != 'N') {
        if (display_redirection(cls, question) == DISPLAY_WRITTEN) {
            // One line of input; only a line of exactly one character is an answer.
            int first = 0;
            size_t count = 0;
            int c;
            while ((c = std::fgetc(in)) != EOF && c != '\n') {
                if (count == 0) first = c;
                ++count;
            }
            if (count == 1)
                answer = first;
            if (c == EOF && std::toupper(answer) != 'Y' && std::toupper(answer) != 'N') {
                // End of input: nobody can answer any more, and asking again would never end.
                // Take it as a no, and end the question's line.
                display_redirection(cls, "\n");
                answer = 'N';
            }
        } else {
            answer = 'Y';
        }
        discard_typeahead(in);
    }
    return std::toupper(answer) == 'N' ? PROMPT_NO : PROMPT_YES;
}

void clear_line() {
    display_redirection(PRT_NORMAL,
        "\r                                                                          \r");
}

void BeautifyDelayPrintout(int counter, const char* msg) {
    static const char signs[4] = {'-', '/', '|', '\\'};
    if (counter <= 0) {
        display_redirection(PRT_PROGRESS, "\r                                        \r");
        return;
    }
    display_printf(PRT_PROGRESS, "\r %s %c", msg ? msg : "", signs[counter % 4]);
}

void DelayMS(unsigned int ms) {
    struct timespec left;
    left.tv_sec = static_cast<time_t>(ms / 1000u);
    left.tv_nsec = static_cast<long>(ms % 1000u) * 1000000L;
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}
