// The console table of the controller's current firmware next to the image's (or, when rolling
// back, next to the standby image's), shown before anything is flashed.
#pragma once

struct BIN_FILE_INFO;

// Writes the table (nothing in the XML display state). Returns 22 in the XML and revision
// display states, which ends a -r run after the display, else 0.
int display_information(BIN_FILE_INFO* info, int code);

// The table itself, one block of rows per device that was found.
void display_devices_information(BIN_FILE_INFO* info);
