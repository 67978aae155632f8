// From parsed options to the run mode: display state, flash mode, rollback, clearing of
// private storage, XML modes, image path and log file.
#include "cli/options.h"

#include "cli/console.h"
#include "cli/logger.h"
#include "cli/result_codes.h"
#include "image/devices.h"
#include "report/update_package.h"
#include "update/fw_update_param.h"

#include <cstdio>


namespace {

int flash_mode = FLASH_MODE_DEFAULT;

// -f wins over -d; neither given keeps the mode as it is.
void apply_force_or_downgrade(const OPTION_STRUCTURE_TYPE& options) {
    if (options.present[ENUM_FORCE])
        set_flash_mode(FLASH_MODE_FORCE);
    else if (options.present[ENUM_DOWNGRADE])
        set_flash_mode(FLASH_MODE_DOWNGRADE);
}

void show_help_normal() {
    display_flash_rev();
    display_redirection(PRT_HELP, "\n   Valid Options are:");
    display_redirection(PRT_HELP, "\n");
    option_help_show(HELP_NORMAL);
    option_help_show(HELP_USAGE);
}

void show_help_advanced() {
    display_flash_rev();
    display_redirection(PRT_HELP, "   === help normal ===\n");
    option_help_show(HELP_NORMAL);
    display_redirection(PRT_HELP, "   === help advanced ===\n");
    option_help_show(HELP_ADVANCED);
    option_help_show(HELP_USAGE);
}

// Creates the update-package record in one of its XML modes; 0, or 3 without memory.
int start_update_package(bool inventory) {
    Logger::LogLevel(-1);
    CKestrelUpdatePackage* kup = CKestrelUpdatePackage::NewKUP();
    if (!kup)
        return RC_OUT_OF_MEMORY;
    if (inventory)
        kup->SetXmlInventoryMode(true);
    else
        kup->SetXmlReturnCode(true);
    return RC_SUCCESS;
}

} // namespace

void options_constructor() {
    flash_mode = FLASH_MODE_DEFAULT;
    display_flash_rev_reset();
}

void options_destructor() {}

void set_flash_mode(int mode) {
    if (mode >= FLASH_MODE_DEFAULT && mode <= 4)
        flash_mode = mode;
}

int get_flash_mode() { return flash_mode; }

int translate_options(int argc, char** argv, BIN_FILE_INFO* info) {
    OPTION_STRUCTURE_TYPE options;
    char offending[OPTION_TEXT_SIZE];
    const int parsed = options_parse(argc, argv, &options, offending);
    if (parsed != OPTION_RC_VALID) {
        display_flash_rev();
        display_printf(PRT_ERROR, "   %s   [%s]\n\n", option_return_code_str(parsed), offending);
        option_help_show(HELP_NORMAL);
        option_help_show(HELP_USAGE);
        return RC_OPTION_ERROR;
    }

    int result = RC_SUCCESS;
    // Opened first, so that the command line is the log's first line.
    if (options.present[ENUM_LOG])
        set_log_file(options.log, argc, argv);

    if (options.present[ENUM_VERSION]) {
        display_flash_rev();
        result = RC_STOP_SUCCESS;
    } else if (options.present[ENUM_ADVHELP]) {
        show_help_advanced();
        result = RC_STOP_SUCCESS;
    } else if (options.present[ENUM_HELP]) {
        show_help_normal();
        result = RC_STOP_SUCCESS;
    } else if (options.present[ENUM_XML]) {
        result = start_update_package(true);
        set_display_state(DISPLAY_XML);
    } else if (options.present[ENUM_XML_RESULT]) {
        result = start_update_package(false);
        set_display_state(DISPLAY_QUIET);
        set_flash_mode(FLASH_MODE_QUIET);
        apply_force_or_downgrade(options);
    } else if (options.present[ENUM_REVISION]) {
        set_display_state(DISPLAY_REVISION);
    } else if (options.present[ENUM_ROLLBACK]) {
        set_rollbackMode(1);
    } else if (options.present[ENUM_QUIET]) {
        set_display_state(DISPLAY_QUIET);
        set_flash_mode(FLASH_MODE_QUIET);
        apply_force_or_downgrade(options);
    } else {
        apply_force_or_downgrade(options);
    }

    if (options.present[ENUM_INPUT])
        std::snprintf(info->imagePath, sizeof info->imagePath, "%s", options.input);
    if (options.present[ENUM_CLEARPS])
        set_ClearPSMode(1);
    if (options.present[ENUM_DEBUG])
        set_display_state(options.present[ENUM_REVISION] ? DISPLAY_REVISION_DEBUG : DISPLAY_DEBUG);

    display_flash_rev();
    return result;
}
