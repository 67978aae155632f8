// Status codes of the host driver layer: 0 or negative is success, positive is failure.
// None of them reaches the exit status; the plain functions reduce them to result codes.
#pragma once

enum DRIVER_STATUS {
    DRV_NOT_OFFERED = 4101,      // operation not offered by this variant
    DRV_SHORT_RESPONSE = 4102,   // response shorter than 3 bytes
    DRV_NO_OUTPUT = 4113,        // no output place given for the system ID
    DRV_LOAD_FAILED = 4116,      // library failed to load
    DRV_NO_ENTRY = 4117,         // entry point not found or not resolved, or no driver object
    DRV_CALL_FAILED = 4118,      // library call failed, access handle not opened, or cc != 0
    DRV_CHDIR_FAILED = 4120,     // change of working directory failed
    DRV_INI_MISSING = 4121,      // "lxvexa.ini" missing
    DRV_INI_INCOMPLETE = 4122,   // "lxvexa.ini" incomplete
    DRV_HOST_INFO_FAILED = 4126, // reading the host information failed
    DRV_PROBE_FAILED = 4127,     // the Get Device ID probe failed
    DRV_SYSTEM_ID_ZERO = 4128,   // the host reports system ID 0
    // Outcome classes of a launched command.
    LAUNCH_CLASS_40 = 2040,
    LAUNCH_CLASS_41 = 2041,
    LAUNCH_OTHER = 2049,
};
