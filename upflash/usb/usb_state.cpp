#include "usb/usb_device.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

char MOUNTED_NAME[USB_NAME_SIZE];
const char FILE_SYSTEM_TYPE[FILE_SYSTEM_TYPE_NUM][USB_NAME_SIZE] = {"msdos", "vfat"};
std::vector<std::string> diskList;
std::vector<std::string> partitionList;
uint8_t b_mkdir_scrtch = 0;
uint8_t b_mkdir_mountdir[MOUNT_DIR_NUM] = {0, 0, 0};

namespace {

const std::vector<std::string>& default_bases() {
    static const std::vector<std::string> bases = {"/media", "/mnt", "/tmp"};
    return bases;
}

std::vector<std::string>& bases_in_use() {
    static std::vector<std::string> bases = default_bases();
    return bases;
}

} // namespace

void initRacUsb() {
    std::snprintf(MOUNTED_NAME, sizeof MOUNTED_NAME, "%s", MOUNTNAME);
    b_mkdir_scrtch = 0;
    std::memset(b_mkdir_mountdir, 0, sizeof b_mkdir_mountdir);
}

void uninitRacUsb() {}

void usb_set_mount_bases(const std::vector<std::string>& bases) {
    if (bases.empty())
        bases_in_use() = default_bases();
    else
        bases_in_use().assign(bases.begin(), bases.begin() + std::min<size_t>(bases.size(), MOUNT_DIR_NUM));
}

const std::vector<std::string>& usb_mount_bases() { return bases_in_use(); }
