#include "cli/result_codes.h"

const ERROR_MAP_ENTRY error_map[ERROR_MAP_SIZE] = {
    {0, "Success"},
    {1, "Failed"},
    {2, "File Not Found"},
    {3, "Out of Memory"},
    {4, "Error in File"},
    {9, "Bad Data"},
    {10, "Device Not Found"},
    {24, "Platform Not Supported"},
    {27, "Failed to Load Library"},
    {32, "Firmware update already in progress"},
    {33, "Insufficient memory"},
    {34, "vMedia attachment failed"},
    {35, "vMedia detachment failed"},
    {36, "Invalid image signature detected"},
    {37, "Failed to update to standby image"},
    {38, "Firmware update not initiated"},
    {39, "Internal Vantro firmware update error"},
    {49, "Failed to do Vantro reset"},
    {41, "Failed to get firmware update status"},
    {42, "Failed to cancel firmware update process"},
    {43, "Failed to access Virtual USB Device"},
    {44, "Failed to start firmware update phase 1"},
    {45, "Failed to start firmware update phase 2"},
    {46, "Failed to get firmware version"},
    {47, "Failed to rollback firmware image"},
    {61, "Failed to open input file"},
    {50, "Failed to set firmware image status"},
    {51, "Failed to Begin Maser Session"},
    {52, "Failed to End Maser Serssion"},
    {66, "Stop firmware update process : Image file has the same version as current firmware"},
    {67, "Stop firmware update process : Image file is older than current firmware"},
    {68, "Stop firmware downgrade process : Image file is newer than current firmware"},
};

const char* ErrorCode2String(int code) {
    for (const auto& row : error_map)
        if (row.code == code)
            return row.text;
    return "";
}

int exit_status_for(int code) {
    return code == RC_STOP_SUCCESS ? RC_SUCCESS : code;
}
