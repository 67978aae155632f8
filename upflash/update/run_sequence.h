// The updater's run: finding the controller, the update with its phases and the rollback.
#pragma once

struct BIN_FILE_INFO;
struct DEVICES_INFORMATION;

// Points the record at the device table, reads the system ID and readies the controller
// device; 0 or 1.
int get_devices_list(BIN_FILE_INFO* info);
// Reads every device's versions; 0, or 10 when none answered.
int device_lookup(BIN_FILE_INFO* info);
void one_device_lookup(DEVICES_INFORMATION* device, int* found);
// True when the controller is to be flashed.
bool updateMode(BIN_FILE_INFO* info);

int firmwareUpdate(BIN_FILE_INFO* info);
int firmwareRollback(BIN_FILE_INFO* info);

int getFwUpdateStatus();
int cancelFwUpdate();
int checkForceFWUpdate();
void waitForTimesup(int seconds);
