#include "usb/usb_device.h"

#include "cli/console.h"
#include "usb/device_choice.h"
#include "usb/shell_command.h"

#include <dirent.h>
#include <string>

namespace {

bool directory_exists(const std::string& path) {
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return false;
    closedir(dir);
    return true;
}

// Makes sure a directory exists, creating it when needed; *created tells whether we did.
bool prepare_directory(const std::string& path, uint8_t* created) {
    display_printf(PRT_DEBUG, "\n       Check if %s exists", path.c_str());
    if (directory_exists(path))
        return true;
    *created = 1;
    display_printf(PRT_DEBUG, "\n       %s does not exist", path.c_str());
    display_printf(PRT_DEBUG, "\n       Try to create %s", path.c_str());
    const std::string command = "mkdir " + shell_quote(path);
    display_printf(PRT_DEBUG, "\n         %s", command.c_str());
    if (!is_safe_path(path) || usb_run_command(command + " 2>&1", nullptr) != 0) {
        display_printf(PRT_DEBUG, "\n       Create %s failed", path.c_str());
        *created = 0;
        return false;
    }
    display_printf(PRT_DEBUG, "\n       Create %s OK", path.c_str());
    return true;
}

// The kernel of some hosts has no FAT driver; FUSE's fusefat then mounts the device in user
// space, typed "fuse.vfat" and named after the device so that df shows it like a kernel mount.
// Its output goes nowhere: the daemon it leaves behind must not hold our streams open.
bool mount_with_fuse(const std::string& device, const std::string& directory) {
    if (usb_run_command("command -v fusefat >/dev/null 2>&1", nullptr) != 0)
        return false;
    const std::string command = "fusefat -o rw+ -o subtype=vfat -o fsname=" + shell_quote(device) + " " +
                                shell_quote(device) + " " + shell_quote(directory);
    display_printf(PRT_DEBUG, "\n       %s", command.c_str());
    return usb_run_command(command + " </dev/null >/dev/null 2>&1", nullptr) == 0;
}

bool mount_device(const std::string& device, const std::string& directory) {
    const std::string command = "mount " + shell_quote(device) + " " + shell_quote(directory);
    display_printf(PRT_DEBUG, "\n       %s", command.c_str());
    std::string output;
    if (usb_run_command(command + " 2>&1", &output) == 0)
        return true;
    if (!output.empty())
        display_printf(PRT_DEBUG, "\n       %s", output.c_str());
    if (output.find("unknown filesystem type") != std::string::npos)
        return mount_with_fuse(device, directory);
    return false;
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names)
        out += (out.empty() ? "" : ", ") + n;
    return out;
}

// Runs a command on a path and writes "OK" or "failed\n" after it.
bool run_on_path(const char* verb, const std::string& path) {
    const bool ok = is_safe_path(path) &&
                    usb_run_command(std::string(verb) + " " + shell_quote(path) + " 2>&1", nullptr) == 0;
    display_redirection(PRT_DEBUG, ok ? "OK" : "failed\n");
    return ok;
}

} // namespace

bool MountUSBDevice(const char* device) {
    const std::string name = device ? device : "";
    if (!is_safe_device_name(name)) {
        display_printf(PRT_DEBUG, "\n       \"%s\" is not a device name", name.c_str());
        return false;
    }
    const std::vector<std::string>& bases = usb_mount_bases();
    for (size_t i = 0; i < bases.size() && i < MOUNT_DIR_NUM; ++i) {
        if (!prepare_directory(bases[i], &b_mkdir_mountdir[i]))
            continue;
        const std::string directory = bases[i] + "/" + MOUNTED_NAME;
        if (!prepare_directory(directory, &b_mkdir_scrtch))
            continue;
        return mount_device(name, directory);
    }
    return false;
}

int manuallyMountUSBDevice() {
    const std::vector<std::string> disksBefore = diskList;
    const std::vector<std::string> partitionsBefore = partitionList;

    display_redirection(PRT_DEBUG, "\n     Get Device Name List After Doing Phase 1 : ");
    if (getDeviceList() != 0) {
        display_redirection(PRT_DEBUG, "\n     Get Device Name List After Doing Phase 1 Failed");
        return 1;
    }
    display_redirection(PRT_DEBUG, "\n     Get Device Name List After Doing Phase 1 OK");

    const NEW_DEVICE_CHOICE c = choose_new_device(disksBefore, partitionsBefore, diskList, partitionList);
    for (const std::string& d : c.newDisks)
        display_printf(PRT_DEBUG, "\n     Find a new disk %s ", d.c_str());
    for (const std::string& p : c.newPartitions)
        display_printf(PRT_DEBUG, "\n     Find a new partition %s ", p.c_str());

    if (c.chosen) {
        display_redirection(PRT_DEBUG, "\n     Mount the found device");
        const bool ok = MountUSBDevice(c.device.c_str());
        display_printf(PRT_DEBUG, ok ? "\n     Mount %s /media/%s OK\n" : "\n     Mount %s /media/%s failed\n",
                       c.device.c_str(), MOUNTED_NAME);
        return ok ? 0 : 1;
    }
    const size_t disks = c.newDisks.size();
    const size_t parts = c.newPartitions.size();
    if (disks == 0 && parts == 0)
        display_redirection(PRT_DEBUG, "\n     Cannot find any new device after Phase One");
    if (disks == 1 && parts == 1) {
        display_printf(PRT_DEBUG, "\n     Find more than one devices after Phase One: %s, %s",
                       c.newDisks[0].c_str(), c.newPartitions[0].c_str());
        display_redirection(PRT_DEBUG, "\n     Cannot decide which new device is created by Phase One");
    }
    if (disks > 1) {
        display_printf(PRT_DEBUG, "\n     Find more than one disks after Phase One: %s", joined(c.newDisks).c_str());
        display_redirection(PRT_DEBUG, "\n     Cannot decide which new disk is created by Phase One");
    }
    if (parts > 1) {
        display_printf(PRT_DEBUG, "\n     Find more than one partitions after Phase One: %s",
                       joined(c.newPartitions).c_str());
        display_redirection(PRT_DEBUG, "\n     Cannot decide which new partition is created by Phase One");
    }
    return 1;
}

bool UnmountUSBDevice(const char* mountPoint) { return run_on_path("umount", mountPoint ? mountPoint : ""); }

bool deleteMountedDirectory(const char* path) { return run_on_path("rm -rf", path ? path : ""); }

int manuallyUnmountUSBDevice() {
    display_redirection(PRT_DEBUG, "\n   Check if USB device was unmounted automatically");
    UsbDeviceInfo info;
    const int first = getVirtualUsbKeyInfo(&info);
    if (first != 0 && first != 55) {
        display_redirection(PRT_DEBUG, "\n     USB device has been unmounted");
        return 0;
    }
    display_redirection(PRT_DEBUG, "\n     USB device was not unmounted automatically");
    display_printf(PRT_DEBUG, "\n   Unmount %s : ", info.mountedOn);
    const bool unmounted = UnmountUSBDevice(info.mountedOn);

    // Removing a directory that still has the device mounted on it would delete the device's
    // files: the directories go only once the unmount worked.
    if (unmounted) {
        if (b_mkdir_scrtch) {
            display_printf(PRT_DEBUG, "\n   Delete %s : ", info.mountedOn);
            deleteMountedDirectory(info.mountedOn);
        }
        const std::vector<std::string>& bases = usb_mount_bases();
        for (size_t i = 0; i < bases.size() && i < MOUNT_DIR_NUM; ++i) {
            if (!b_mkdir_mountdir[i])
                continue;
            display_printf(PRT_DEBUG, "\n   Delete %s : ", bases[i].c_str());
            deleteMountedDirectory(bases[i].c_str());
        }
    }
    if (first == 55)
        return 55;
    display_redirection(PRT_DEBUG, "\n   Check if USB device has been unmounted manually");
    if (getVirtualUsbKeyInfo(nullptr) != 0) {
        display_redirection(PRT_DEBUG, "\n     USB device has been unmounted manually");
        return 0;
    }
    display_printf(PRT_DEBUG, "\n     \"%s\" still exists, manually unmounted failed", info.mountedOn);
    return 1;
}
