// Type codes of local media and of the controller's virtual drives.
#pragma once

enum LocalDeviceType {
    CD_DVD = 101,       // CD/DVD drive
    FLOPPY = 103,       // floppy, USB or other block device
    FLOPPY_IMAGE = 104, // floppy or USB image file
    ISO_IMAGE = 105,    // ISO-9660 image file
};

enum RemoteDeviceType {
    REMOTE_CD_DVD = 201,       // virtual CD/DVD drive
    REMOTE_BLOCK_DEVICE = 202, // virtual generic block device (floppy or USB)
};
