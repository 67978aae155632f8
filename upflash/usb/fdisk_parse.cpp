#include "usb/fdisk_parse.h"

#include <cstring>

FDISK_LINE_KIND fdisk_parse_line(const std::string& line, std::string* name) {
    if (!line.empty() && line[0] == '/') {
        // A partition row: the device name is the first column. A row that is nothing but a
        // name (a long name the tool put on a line of its own) is taken whole.
        const size_t blank = line.find_first_of(" \t");
        *name = line.substr(0, blank);
        return FDISK_LINE_PARTITION;
    }
    if (line.find("Disk") == std::string::npos)
        return FDISK_LINE_OTHER;
    const size_t slash = line.find('/');
    if (slash == std::string::npos)
        return FDISK_LINE_OTHER;
    const size_t colon = line.find(':', slash);
    if (colon == std::string::npos || line.find("bytes", slash) == std::string::npos)
        return FDISK_LINE_OTHER;
    *name = line.substr(slash, colon - slash);
    return FDISK_LINE_DISK;
}

std::vector<std::string> split_output_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        size_t stop = end;
        if (stop > start && text[stop - 1] == '\r')
            --stop;
        lines.push_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

void fdisk_parse_output(const std::string& text, std::vector<std::string>* disks,
                        std::vector<std::string>* partitions) {
    for (const std::string& line : split_output_lines(text)) {
        std::string name;
        switch (fdisk_parse_line(line, &name)) {
        case FDISK_LINE_DISK: disks->push_back(name); break;
        case FDISK_LINE_PARTITION: partitions->push_back(name); break;
        default: break;
        }
    }
}
