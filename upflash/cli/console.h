// Console output layer: every text the updater writes goes through display_redirection, which
// routes it by output class and display state to standard output, standard error, the log file
// or nowhere. Also the yes/no prompt, line clearing, the spinner and the millisecond sleep.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

enum DISPLAY_STATE {
    DISPLAY_NORMAL = 0,
    DISPLAY_QUIET = 1,
    DISPLAY_DEBUG = 2,
    DISPLAY_XML = 3,
    DISPLAY_REVISION = 4,
    DISPLAY_REVISION_DEBUG = 5,
};

enum PRT_OPTIONS {
    PRT_NORMAL = 1,
    PRT_ERROR = 2,
    PRT_DEBUG = 3,
    PRT_HELP = 4,
    PRT_PROGRESS = 5,
    PRT_STATUS = 6,
};

// display_redirection's answers: the text reached the console, or it did not.
enum { DISPLAY_WRITTEN = 20, DISPLAY_NOT_WRITTEN = 21 };

// Prompt answers.
enum { PROMPT_YES = 0, PROMPT_NO = 1 };

void print_constructor();
void print_destructor();

int set_display_state(int state);
int get_display_state();

int display_redirection(int cls, const char* text);
// Formats, then routes the text like display_redirection.
int display_printf(int cls, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

int prompt_user(int cls, const char* question);
void clear_line();
void BeautifyDelayPrintout(int counter, const char* msg);
void DelayMS(unsigned int ms);

int set_log_file(const char* path, int argc, char** argv);
void log_to_file(const char* text);
void close_log_file();

// printf-style formatting into a string of any length.
std::string format_text(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format_text_v(const char* fmt, va_list ap);

// The console streams, standard output, standard error and standard input unless replaced
// (tests and fuzzers point them at files). Passing null restores the standard stream.
void console_set_streams(FILE* out, FILE* err, FILE* in);
FILE* console_output_stream();
FILE* console_error_stream();
