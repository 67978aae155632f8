// The command-line parser: table lookup, argument rules and duplicates.
#include "cli/options.h"

#include <cstdio>
#include <cstring>
#include <string>

void option_structure_defaults(OPTION_STRUCTURE_TYPE* options) {
    std::memset(options, 0, sizeof *options);
}

const char* option_return_code_str(int code) {
    switch (code) {
    case OPTION_RC_INVALID: return "OPTION INVALID";
    case OPTION_RC_DUPLICATE: return "OPTION DUPLICATE";
    case OPTION_RC_VALID: return "OPTION VALID";
    case OPTION_RC_ARGUMENT_EMPTY: return "ARGUMENT EMPTY";
    case OPTION_RC_ARGUMENT_INVALID_CHARACTER: return "ARGUMENT INVALID CHARACTER";
    case OPTION_RC_ARGUMENT_TOO_LONG: return "ARGUMENT TOO LONG";
    case OPTION_RC_ARGUMENT_NOT_ALLOWED: return "ARGUMENT NOT ALLOWED";
    case OPTION_RC_ARGUMENT_REQUIRED: return "ARGUMENT REQUIRED";
    default: return "OPTION RETURN CODE UNKNOWN";
    }
}

const OPTION_ENTRY_TYPE* get_option_table_entry(const char* name) {
    const OPTION_ENTRY_TYPE* row = CONST_OPTION_ENTRY_ARRAY;
    for (; row->enumerator != ENUM_END; ++row)
        if (std::strcmp(row->name, name) == 0)
            break;
    return row;
}

int argument_check(const char* argument, uint32_t enumerator) {
    if (enumerator != ENUM_INPUT && enumerator != ENUM_LOG)
        return OPTION_RC_VALID;
    if (argument[0] == '\0')
        return OPTION_RC_ARGUMENT_EMPTY;
    if (std::strpbrk(argument, "*?+,;=[]"))
        return OPTION_RC_ARGUMENT_INVALID_CHARACTER;
    // A path that does not fit whole would name another file.
    if (std::strlen(argument) >= OPTION_TEXT_SIZE)
        return OPTION_RC_ARGUMENT_TOO_LONG;
    return OPTION_RC_VALID;
}

int option_search(const char* text, uint32_t* enumerator, char* argument) {
    std::string name(text);
    std::string value;
    uint32_t given = ARGUMENT_NOT_ALLOWED;
    const size_t eq = name.find('=');
    if (eq != std::string::npos) {
        value = name.substr(eq + 1);
        name.resize(eq);
        given = ARGUMENT_REQUIRED;
    }
    argument[0] = '\0';
    const OPTION_ENTRY_TYPE* row = get_option_table_entry(name.c_str());
    if (row->enumerator == ENUM_END) {
        *enumerator = ENUM_END;
        return OPTION_RC_INVALID;
    }
    *enumerator = row->enumerator;
    if (row->argument == ARGUMENT_OPTIONAL)
        given = ARGUMENT_OPTIONAL;
    if (row->argument != given)
        return row->argument == ARGUMENT_NOT_ALLOWED ? OPTION_RC_ARGUMENT_NOT_ALLOWED
                                                     : OPTION_RC_ARGUMENT_REQUIRED;
    const int result = argument_check(value.c_str(), row->enumerator);
    std::snprintf(argument, OPTION_TEXT_SIZE, "%s", value.c_str());
    return result;
}

int option_look_for_duplicates_and_add_to_structure(uint32_t enumerator, const char* argument,
                                                    OPTION_STRUCTURE_TYPE* options) {
    if (enumerator >= ENUM_END)
        return OPTION_RC_INVALID;
    if (options->present[enumerator])
        return OPTION_RC_DUPLICATE;
    options->present[enumerator] = 1;
    if (enumerator == ENUM_INPUT)
        std::snprintf(options->input, sizeof options->input, "%s", argument);
    else if (enumerator == ENUM_LOG)
        std::snprintf(options->log, sizeof options->log, "%s", argument);
    return OPTION_RC_VALID;
}

int options_parse(int argc, char** argv, OPTION_STRUCTURE_TYPE* options, char* offending) {
    option_structure_defaults(options);
    offending[0] = '\0';
    int result = OPTION_RC_VALID;
    for (int i = 1; i < argc; ++i) {
        uint32_t enumerator = ENUM_END;
        char argument[OPTION_TEXT_SIZE];
        result = option_search(argv[i], &enumerator, argument);
        if (result == OPTION_RC_VALID)
            result = option_look_for_duplicates_and_add_to_structure(enumerator, argument, options);
        if (result != OPTION_RC_VALID) {
            std::snprintf(offending, OPTION_TEXT_SIZE, "%s", argv[i]);
            break;
        }
    }
    return result;
}
