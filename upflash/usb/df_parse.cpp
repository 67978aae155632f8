#include "usb/df_parse.h"

#include "usb/fdisk_parse.h"

#include <cctype>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// A mounted entry has its mount point, which starts with "/", after a blank.
bool has_mount_point(const std::string& line) { return line.find(" /", 1) != std::string::npos; }

// The whitespace-separated words of an entry.
std::vector<std::string> words(const std::string& entry) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < entry.size()) {
        while (i < entry.size() && is_blank(entry[i]))
            ++i;
        size_t start = i;
        while (i < entry.size() && !is_blank(entry[i]))
            ++i;
        if (i > start)
            out.push_back(entry.substr(start, i - start));
    }
    return out;
}

// "vfat" and FUSE's "fuse.vfat" (a user-space mount of a vfat file system).
bool type_matches(const std::string& column, const std::string& name) {
    if (name.empty())
        return false;
    if (column == name)
        return true;
    const std::string suffix = "." + name;
    return column.size() > suffix.size() && column.compare(0, 5, "fuse.") == 0 &&
           column.compare(column.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

std::vector<std::string> df_entries(const std::string& text) {
    std::vector<std::string> lines = split_output_lines(text);
    std::vector<std::string> entries;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string entry = lines[i];
        const bool heading = entry.find("Filesystem") != std::string::npos;
        if (!heading && !has_mount_point(entry) && i + 1 < lines.size())
            entry += lines[++i]; // the second half of a wrapped entry
        entries.push_back(entry);
    }
    return entries;
}

double df_size_mb(const std::string& column) {
    size_t i = 0;
    double whole = 0;
    bool digits = false;
    while (i < column.size() && std::isdigit(static_cast<unsigned char>(column[i]))) {
        whole = whole * 10 + (column[i] - '0');
        digits = true;
        ++i;
    }
    if (i < column.size() && column[i] == '.') {
        double scale = 0.1;
        for (++i; i < column.size() && std::isdigit(static_cast<unsigned char>(column[i])); ++i) {
            whole += (column[i] - '0') * scale;
            scale /= 10;
            digits = true;
        }
    }
    if (!digits)
        return -1;
    const char unit = i < column.size() ? column[i] : '\0';
    switch (unit) {
    case '\0': return whole / (1024.0 * 1024.0); // plain bytes
    case 'K': return whole / 1024.0;
    case 'M': return whole;
    case 'G': return whole * 1024.0;
    case 'T': return whole * 1024.0 * 1024.0;
    case 'P': return whole * 1024.0 * 1024.0 * 1024.0;
    default: return -1;
    }
}

std::string mount_point_name(const std::string& mountPoint) {
    const size_t first = mountPoint.find('/');
    if (first == std::string::npos)
        return mountPoint;
    const size_t second = mountPoint.find('/', first + 1);
    return mountPoint.substr((second == std::string::npos ? first : second) + 1);
}

DF_CHECK_RESULT df_check_entry(const std::string& entry, const char* typeName, double minMB,
                               const char* mountedName) {
    DF_CHECK_RESULT r;
    const std::vector<std::string> cols = words(entry);
    const size_t first = entry.find_first_not_of(" \t");
    const size_t mount = first == std::string::npos ? std::string::npos : entry.find(" /", first + 1);
    if (cols.size() < 3 || mount == std::string::npos || !type_matches(cols[1], typeName ? typeName : ""))
        return r;
    r.device = cols[0];
    r.type = cols[1];
    r.sizeMB = df_size_mb(cols[2]);
    if (r.sizeMB < minMB) {
        r.outcome = DF_TOO_SMALL;
        return r;
    }
    r.mountPoint = entry.substr(mount + 1);
    r.nameComponent = mount_point_name(r.mountPoint);
    if (r.nameComponent != (mountedName ? mountedName : "")) {
        r.outcome = DF_WRONG_NAME;
        return r;
    }
    r.outcome = r.mountPoint.size() < USB_MOUNT_POINT_SIZE ? DF_MATCH : DF_MOUNT_POINT_TOO_LONG;
    return r;
}
