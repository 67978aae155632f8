// Help lists, usage lines and the banner.
#include "cli/options.h"

#include "cli/console.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {
bool banner_shown = false;
const uint32_t kLastEnumerator = ENUM_CLEARPS;
}

const HELP_ENTRY_TYPE* get_help_entry(uint32_t enumerator) {
    const HELP_ENTRY_TYPE* row = CONST_HELP_ENTRY_ARRAY;
    for (; row->enumerator != ENUM_END; ++row)
        if (row->enumerator == enumerator)
            break;
    return row;
}

void get_option_help_str(uint32_t enumerator, uint32_t help_class, char* column) {
    std::string text;
    uint32_t last_rule = ARGUMENT_NOT_ALLOWED;
    for (const OPTION_ENTRY_TYPE* row = CONST_OPTION_ENTRY_ARRAY; row->enumerator != ENUM_END; ++row) {
        if (row->enumerator != enumerator || (row->help & help_class) == 0)
            continue;
        if (!text.empty())
            text += ", ";
        text += row->name;
        last_rule = row->argument;
    }
    if (!text.empty() && last_rule == ARGUMENT_REQUIRED)
        text += "=argument";
    std::snprintf(column, OPTION_TEXT_SIZE, "%s", text.c_str());
}

void option_display_str(const char* column, int width, const char* text) {
    display_printf(PRT_HELP, "%-*s  %s\n", width, column, text);
}

void help_show(uint32_t help_class) {
    char column[OPTION_TEXT_SIZE];
    int width = 0;
    for (uint32_t e = 0; e <= kLastEnumerator; ++e) {
        get_option_help_str(e, help_class, column);
        const int length = static_cast<int>(std::strlen(column));
        if (length > width)
            width = length;
    }
    for (uint32_t e = 0; e <= kLastEnumerator; ++e) {
        get_option_help_str(e, help_class, column);
        if (column[0] != '\0')
            option_display_str(column, width, get_help_entry(e)->text);
    }
}

void option_help_show(uint32_t help_class) {
    if (help_class == HELP_USAGE) {
        display_redirection(PRT_HELP, "\n   [Usage]\n");
        display_redirection(PRT_HELP, "     upflash -i=E:\\firmimg.v6\n");
        return;
    }
    help_show(help_class);
}

void display_flash_rev() {
    if (banner_shown)
        return;
    banner_shown = true;
    display_printf(PRT_NORMAL, "\n   Vantro Firmware Upgrade Utility Version:  %s \n", UPFLASH_VERSION);
}

void display_flash_rev_reset() { banner_shown = false; }
