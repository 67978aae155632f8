// The df and fdisk listing parsers on arbitrary command output: entry joining, the entry check
// for each file-system type, the fdisk line reader and the choice of a new device.
#include "usb/device_choice.h"
#include "usb/df_parse.h"
#include "usb/fdisk_parse.h"
#include "usb/shell_command.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the minimum size; the rest is the listing.
    const double minimum = data[0] / 8.0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    for (const std::string& entry : df_entries(text)) {
        for (const char* type : {"msdos", "vfat"}) {
            const DF_CHECK_RESULT r = df_check_entry(entry, type, minimum, "scrtch");
            if (r.outcome == DF_MATCH && (r.mountPoint.size() >= USB_MOUNT_POINT_SIZE || r.nameComponent != "scrtch"))
                __builtin_trap();
            (void)shell_quote(r.mountPoint);
            (void)is_safe_path(r.mountPoint);
        }
    }

    std::vector<std::string> disks, partitions;
    fdisk_parse_output(text, &disks, &partitions);
    for (const std::string& name : partitions)
        (void)is_safe_device_name(name);
    const std::vector<std::string> half(disks.begin(), disks.begin() + disks.size() / 2);
    const NEW_DEVICE_CHOICE c = choose_new_device(half, {}, disks, partitions);
    if (c.chosen && c.device.empty() && partitions.empty() && disks.empty())
        __builtin_trap();
    return 0;
}
