// Recognising the virtual USB device in "df -Th" output. Pure text functions, kept apart from
// running the command so fixtures and fuzzers can drive them.
#pragma once

#include <string>
#include <vector>

enum { USB_MOUNT_POINT_SIZE = 32 };

// The entries of a listing, one per mounted file system. An entry whose device name was too
// long for one line (the tool then puts the numbers on the next line) comes back joined.
// The heading line is returned like any other entry.
std::vector<std::string> df_entries(const std::string& text);

enum DF_CHECK_OUTCOME {
    DF_WRONG_TYPE = 0,      // not mounted, or not of the type asked for
    DF_TOO_SMALL = 1,
    DF_WRONG_NAME = 2,      // the mount point's name component is not the one asked for
    DF_MOUNT_POINT_TOO_LONG = 3,
    DF_MATCH = 4,
};

struct DF_CHECK_RESULT {
    DF_CHECK_OUTCOME outcome = DF_WRONG_TYPE;
    double sizeMB = 0;        // the entry's size in MiB
    std::string device;       // first column
    std::string type;         // second column
    std::string mountPoint;   // from the first " /" to the end of the entry
    std::string nameComponent;
};

// Checks one entry against a file-system type name ("msdos", "vfat"; a FUSE mount of that
// type, "fuse.vfat", counts too), a minimum size in MiB and the expected name component of the
// mount point (the text after its second "/", or after its only one).
DF_CHECK_RESULT df_check_entry(const std::string& entry, const char* typeName, double minMB,
                               const char* mountedName);

// The size column of "df -h" in MiB: "7.9M", "1.0G", "512K", "2.0T", "0"; -1 when it is no
// size at all.
double df_size_mb(const std::string& column);

// The name component of a mount point, as described above.
std::string mount_point_name(const std::string& mountPoint);
