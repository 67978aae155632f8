#include "usb/usb_device.h"

#include "cli/config_file.h"
#include "cli/console.h"
#include "update/controller_wait.h"
#include "update/fw_update_param.h"
#include "usb/df_parse.h"
#include "usb/fdisk_parse.h"
#include "usb/shell_command.h"

#include <ctime>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const char* kFdiskCommand = "/sbin/fdisk -l 2>&1";
const char* kDfCommand = "df -Th 2>&1";

// Looks for the mounted device in a df listing; 0 with *found filled, or 62.
int find_in_df_listing(const std::string& listing, DF_CHECK_RESULT* found) {
    const double minimum = get_USBDeviceMinSize();
    for (const std::string& entry : df_entries(listing)) {
        if (entry.find("Filesystem") != std::string::npos)
            continue;
        display_printf(PRT_DEBUG, "\n       Check \"%s\"", entry.c_str());
        for (int t = 0; t < FILE_SYSTEM_TYPE_NUM; ++t) {
            display_printf(PRT_DEBUG, "\n         search %s: ", FILE_SYSTEM_TYPE[t]);
            DF_CHECK_RESULT r = df_check_entry(entry, FILE_SYSTEM_TYPE[t], minimum, MOUNTED_NAME);
            switch (r.outcome) {
            case DF_WRONG_TYPE:
                display_printf(PRT_DEBUG, "Can not mounted on system, or Type != %s", FILE_SYSTEM_TYPE[t]);
                break;
            case DF_TOO_SMALL:
                display_printf(PRT_DEBUG, "Device size = %.01f MB, expected minimum size = %.01f MB",
                               r.sizeMB, minimum);
                break;
            case DF_WRONG_NAME:
                display_printf(PRT_DEBUG, "Device name = \"%s\", expected device name = \"%s\"",
                               r.nameComponent.c_str(), MOUNTED_NAME);
                break;
            case DF_MOUNT_POINT_TOO_LONG:
                // It would not fit the record; a cut path would name another directory.
                display_printf(PRT_DEBUG, "Mount point \"%s\" is too long", r.mountPoint.c_str());
                break;
            case DF_MATCH:
                display_printf(PRT_DEBUG, "Find the Usb device: Fileystem=%s, Type=%s, Size=%.0lfMB, Mounted on=%s",
                               r.device.c_str(), FILE_SYSTEM_TYPE[t], r.sizeMB, r.mountPoint.c_str());
                *found = r;
                return 0;
            }
        }
    }
    return 62;
}

// The device's size in 512-byte sectors from the kernel; 0, or 55 when it cannot be had.
int read_device_size(const char* device, uint32_t* sectors) {
    display_redirection(PRT_DEBUG, "\n       Open Usb device size");
    const int fd = open(device, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        display_printf(PRT_DEBUG, "\n         Open device \"%s\" failed", device);
        return 55;
    }
    display_redirection(PRT_DEBUG, "\n       Get Usb device size");
    unsigned long count = 0;
    const int rc = ioctl(fd, BLKGETSIZE, &count);
    close(fd);
    if (rc != 0) {
        display_redirection(PRT_DEBUG, "\n         Get Usb device size failed");
        return 55;
    }
    if (count == 0 || count > UINT32_MAX) {
        display_redirection(PRT_DEBUG, "\n         Usb device size <= 0");
        return 55;
    }
    *sectors = static_cast<uint32_t>(count);
    return 0;
}

} // namespace

int getDeviceList() {
    diskList.clear();
    partitionList.clear();
    display_redirection(PRT_DEBUG, "\n       Get Device List");
    display_printf(PRT_DEBUG, "\n       (%s)", kFdiskCommand);
    std::string listing;
    if (usb_run_command(kFdiskCommand, &listing) < 0) {
        display_printf(PRT_DEBUG, "\n         %s failed", kFdiskCommand);
        return 1;
    }
    for (const std::string& line : split_output_lines(listing)) {
        display_printf(PRT_DEBUG, "\n         Read \"%s\"", line.c_str());
        std::string name;
        switch (fdisk_parse_line(line, &name)) {
        case FDISK_LINE_PARTITION:
            partitionList.push_back(name);
            display_printf(PRT_DEBUG, "\n         Save partition name \"%s\"", name.c_str());
            break;
        case FDISK_LINE_DISK:
            diskList.push_back(name);
            display_printf(PRT_DEBUG, "\n         Save disk name \"%s\"", name.c_str());
            break;
        default:
            break;
        }
    }
    return 0;
}

int getVirtualUsbKeyInfo(UsbDeviceInfo* info) {
    display_redirection(PRT_DEBUG, "\n     Get virtual media info");
    display_printf(PRT_DEBUG, "\n     (%s)", kDfCommand);
    std::string listing;
    if (usb_run_command(kDfCommand, &listing) < 0) {
        display_printf(PRT_DEBUG, "\n       %s failed", kDfCommand);
        return 1;
    }
    DF_CHECK_RESULT found;
    if (find_in_df_listing(listing, &found) != 0) {
        display_redirection(PRT_DEBUG, "\n       V.store device not found");
        return 62;
    }
    UsbDeviceInfo scratch;
    if (!info)
        info = &scratch;
    std::memset(info, 0, sizeof *info);
    std::snprintf(info->deviceName, sizeof info->deviceName, "%s", found.device.c_str());
    std::snprintf(info->mountedOn, sizeof info->mountedOn, "%s", found.mountPoint.c_str());
    const int rc = read_device_size(info->deviceName, &info->sectors);
    if (rc != 0)
        return rc;
    info->sectorSize = USB_SECTOR_SIZE;
    display_printf(PRT_DEBUG, "\n         Usb device size = %llu bytes",
                   static_cast<unsigned long long>(info->sectors) * USB_SECTOR_SIZE);
    return 0;
}

int getUsbKeyOnlineStatus(int* online) {
    UsbDeviceInfo info;
    const int rc = getVirtualUsbKeyInfo(&info);
    if (rc == 0 && online)
        *online = 1;
    return rc;
}

int detectUSBdevice() {
    const time_t start = time(nullptr);
    time_t last = start;
    int counter = 32767;
    int result = 1;
    do {
        BeautifyDelayPrintout(counter, "  Detecting USB Device ...");
        DelayMS(1000);
        int online = 0;
        const int rc = getUsbKeyOnlineStatus(&online);
        last = time(nullptr);
        if (rc == 0 && online) {
            result = 0;
            break;
        }
        result = rc;
        --counter;
    } while (difftime(last, start) <= gConfig.usbDeviceSearchingTime);

    display_printf(PRT_DEBUG, "\n   Start detecting USB device at %s", calendar_text(start).c_str());
    display_printf(PRT_DEBUG, "   Stop detecting USB device at %s", calendar_text(last).c_str());
    display_printf(PRT_DEBUG, "   Elapsed time = %2.0f seconds\n", difftime(last, start));

    if (result == 0) {
        display_redirection(PRT_DEBUG, "   USB Device is found\n");
        return 0;
    }
    result = manuallyMountUSBDevice();
    if (result != 0) {
        display_redirection(PRT_PROGRESS, "\r   Detecting USB Device timeout\n");
        display_redirection(PRT_DEBUG, "   Detecting USB Device timeout\n");
        display_redirection(PRT_ERROR, "   USB Device is not found\n");
    }
    return result;
}
