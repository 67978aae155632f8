// Result codes of every operation of the updater; the final one becomes the exit status.
#pragma once

enum RETURN_CODE {
    RC_SUCCESS = 0,
    RC_FAILED = 1,
    RC_FILE_NOT_FOUND = 2,
    RC_OUT_OF_MEMORY = 3,
    RC_ERROR_IN_FILE = 4,
    RC_BAD_DATA = 9,
    RC_DEVICE_NOT_FOUND = 10,
    RC_STOP_SUCCESS = 22,        // help, version or revision shown: the run stops with success
    RC_OPTION_ERROR = 23,
    RC_PLATFORM_NOT_SUPPORTED = 24,
    RC_LOAD_LIBRARY_FAILED = 27,
    RC_XML_INVENTORY_FAILED = 29, // failure marker of the XML inventory
    RC_UPDATE_IN_PROGRESS = 32,
    RC_INSUFFICIENT_MEMORY = 33,
    RC_VMEDIA_ATTACH_FAILED = 34,
    RC_VMEDIA_DETACH_FAILED = 35,
    RC_INVALID_IMAGE_SIGNATURE = 36,
    RC_STANDBY_UPDATE_FAILED = 37,
    RC_UPDATE_NOT_INITIATED = 38,
    RC_INTERNAL_UPDATE_ERROR = 39,
    RC_UPDATE_STATUS_FAILED = 41,
    RC_CANCEL_UPDATE_FAILED = 42,
    RC_USB_ACCESS_FAILED = 43,
    RC_PHASE1_FAILED = 44,
    RC_PHASE2_FAILED = 45,
    RC_GET_VERSION_FAILED = 46,
    RC_ROLLBACK_FAILED = 47,
    RC_RESET_FAILED = 49,
    RC_SET_IMAGE_STATUS_FAILED = 50,
    RC_BEGIN_SESSION_FAILED = 51,
    RC_END_SESSION_FAILED = 52,
    RC_USB_DEVICE_UNUSABLE = 55,
    RC_OPEN_INPUT_FAILED = 61,
    RC_USB_DEVICE_NOT_FOUND = 62,
    RC_USB_COPY_FAILED = 65,
    RC_SAME_VERSION = 66,
    RC_IMAGE_OLDER = 67,
    RC_IMAGE_NEWER = 68,
};

struct ERROR_MAP_ENTRY {
    int code;
    const char* text;
};

enum { ERROR_MAP_SIZE = 32 };
extern const ERROR_MAP_ENTRY error_map[ERROR_MAP_SIZE];

// The text of the first row with the code, or "" when no row has it.
const char* ErrorCode2String(int code);

// The process exit status for the run's final result code.
int exit_status_for(int code);
