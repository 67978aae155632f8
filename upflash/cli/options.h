// Command-line options of the updater: the option and help tables, the parser with its
// duplicate and character rules, help and usage output, the banner, the flash mode and the
// translation of the options into the run mode.
#pragma once

#include <cstdint>

struct BIN_FILE_INFO;

enum ENUM_TYPE {
    ENUM_ADVHELP = 0,
    ENUM_DEBUG = 1,
    ENUM_DOWNGRADE = 2,
    ENUM_FORCE = 3,
    ENUM_HELP = 4,
    ENUM_INPUT = 5,
    ENUM_LOG = 6,
    ENUM_QUIET = 9,
    ENUM_REVISION = 10,
    ENUM_VERSION = 13,
    ENUM_XML = 14,
    ENUM_XML_RESULT = 15,
    ENUM_ROLLBACK = 19,
    ENUM_CLEARPS = 20,
    ENUM_END = 21, // table terminator, "not found"
};

enum ARGUMENT_TYPE {
    ARGUMENT_NOT_ALLOWED = 0,
    ARGUMENT_REQUIRED = 1,
    ARGUMENT_OPTIONAL = 2,
};

// Help classes, a bit set; 0 means the row is never listed.
enum {
    HELP_STANDARD = 1, // short spellings
    HELP_CLI = 2,      // long spellings
    HELP_NORMAL = 3,
    HELP_ADVANCED = 4,
    HELP_USAGE = 8,    // the usage lines
};

enum { OPTION_TEXT_SIZE = 256 };

struct OPTION_ENTRY_TYPE {
    char name[OPTION_TEXT_SIZE];
    uint32_t enumerator;
    uint32_t argument;
    uint32_t help;
};

struct HELP_ENTRY_TYPE {
    uint32_t enumerator;
    char text[OPTION_TEXT_SIZE];
};

extern const OPTION_ENTRY_TYPE CONST_OPTION_ENTRY_ARRAY[];
extern const HELP_ENTRY_TYPE CONST_HELP_ENTRY_ARRAY[];

enum OPTION_RETURN_CODE_TYPE {
    OPTION_RC_INVALID = 0,
    OPTION_RC_DUPLICATE = 1,
    OPTION_RC_VALID = 2,
    OPTION_RC_ARGUMENT_EMPTY = 3,
    OPTION_RC_ARGUMENT_INVALID_CHARACTER = 4,
    OPTION_RC_ARGUMENT_TOO_LONG = 5,
    OPTION_RC_ARGUMENT_NOT_ALLOWED = 6,
    OPTION_RC_ARGUMENT_REQUIRED = 7,
};

struct OPTION_STRUCTURE_TYPE {
    uint8_t present[ENUM_END]; // one presence byte per enumerator
    char input[OPTION_TEXT_SIZE];
    char log[OPTION_TEXT_SIZE];
};

enum FLASH_MODE {
    FLASH_MODE_DEFAULT = 0,
    FLASH_MODE_FORCE = 1,
    FLASH_MODE_QUIET = 2,
    FLASH_MODE_DOWNGRADE = 3,
};

#define UPFLASH_VERSION "1.3.15.49"

// Module start: the default flash mode, and the banner not yet shown.
void options_constructor();
void options_destructor();

void set_flash_mode(int mode);
int get_flash_mode();

void option_structure_defaults(OPTION_STRUCTURE_TYPE* options);
const char* option_return_code_str(int code);
const OPTION_ENTRY_TYPE* get_option_table_entry(const char* name);
int argument_check(const char* argument, uint32_t enumerator);
int option_search(const char* text, uint32_t* enumerator, char* argument);
int option_look_for_duplicates_and_add_to_structure(uint32_t enumerator, const char* argument,
                                                    OPTION_STRUCTURE_TYPE* options);
int options_parse(int argc, char** argv, OPTION_STRUCTURE_TYPE* options, char* offending);

const HELP_ENTRY_TYPE* get_help_entry(uint32_t enumerator);
void get_option_help_str(uint32_t enumerator, uint32_t help_class, char* column);
void option_display_str(const char* column, int width, const char* text);
void help_show(uint32_t help_class);
void option_help_show(uint32_t help_class);

void display_flash_rev();
// The banner counts as not yet shown again (module start).
void display_flash_rev_reset();

// Parses the command line and sets the run mode; 0 go on, 22 stop with success, 23 option
// error, 3 no memory for the update-package record.
int translate_options(int argc, char** argv, BIN_FILE_INFO* info);
