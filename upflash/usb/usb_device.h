// The virtual USB storage device the controller presents during an update: finding it among
// the host's disks, mounting it when the host does not, copying the image onto it and
// unmounting it again. The host's own tools do the work (fdisk, df, mount, umount, mkdir, rm).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#define MOUNTNAME "scrtch"
#define USB_IMAGE_FILE_NAME "vantro_fw.bin"

enum {
    FILE_SYSTEM_TYPE_NUM = 2,
    MOUNT_DIR_NUM = 3,
    USB_NAME_SIZE = 64,
    USB_DEVICE_NAME_SIZE = 256,
    USB_MOUNTED_ON_SIZE = 32,
    USB_SECTOR_SIZE = 512,
};

struct UsbDeviceInfo {
    char deviceName[USB_DEVICE_NAME_SIZE]; // first column of the df listing
    char mountedOn[USB_MOUNTED_ON_SIZE];
    uint32_t sectors;
    uint32_t sectorSize;
};

extern char MOUNTED_NAME[USB_NAME_SIZE];
extern const char FILE_SYSTEM_TYPE[FILE_SYSTEM_TYPE_NUM][USB_NAME_SIZE];
extern std::vector<std::string> diskList;
extern std::vector<std::string> partitionList;
extern uint8_t b_mkdir_scrtch;
extern uint8_t b_mkdir_mountdir[MOUNT_DIR_NUM];

// Start and end of an update's use of the device.
void initRacUsb();
void uninitRacUsb();

// The base directories a mount of our own goes under: "/media", "/mnt", "/tmp" unless a test
// named others (at most three; an empty list restores the defaults).
void usb_set_mount_bases(const std::vector<std::string>& bases);
const std::vector<std::string>& usb_mount_bases();

int getDeviceList();
int detectUSBdevice();
int getUsbKeyOnlineStatus(int* online);
int getVirtualUsbKeyInfo(UsbDeviceInfo* info);

int manuallyMountUSBDevice();
bool MountUSBDevice(const char* device);
int manuallyUnmountUSBDevice();
bool UnmountUSBDevice(const char* mountPoint);
bool deleteMountedDirectory(const char* path);

int writeFileToUsbKey(const char* imagePath);
int clearDisk(const char* directory);
int writeFile(const char* source, const char* destination);
