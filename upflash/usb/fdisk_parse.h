// Reading the disk and partition names out of "/sbin/fdisk -l" output. Pure text functions,
// kept apart from running the command so fixtures and fuzzers can drive them.
#pragma once

#include <string>
#include <vector>

enum FDISK_LINE_KIND {
    FDISK_LINE_OTHER = 0,
    FDISK_LINE_DISK = 1,      // "Disk /dev/sdc: 16 MiB, 16777216 bytes, ..."
    FDISK_LINE_PARTITION = 2, // "/dev/sdc1  2048  32767 ..."
};

// What one output line (without its line end) names; the name goes to *name.
FDISK_LINE_KIND fdisk_parse_line(const std::string& line, std::string* name);

// Splits command output into lines, without their line ends ("\n" or "\r\n").
std::vector<std::string> split_output_lines(const std::string& text);

// Every disk and partition name of a whole listing, in listing order.
void fdisk_parse_output(const std::string& text, std::vector<std::string>* disks,
                        std::vector<std::string>* partitions);
