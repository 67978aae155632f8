// The media provider over Linux block, CD-ROM and floppy devices and image files. Handles are
// file descriptors. The provider's one field is the type code of the medium it last opened or
// initialized; openDrive consults it.
#pragma once

#include "media/VMProvider.h"

class LinuxVMProvider : public VMProvider {
public:
    LinuxVMProvider() = default;
    ~LinuxVMProvider() override;

    int getLocalDevices(DeviceManager& manager, std::vector<LocalDevice>& devices) override;
    int getLocalDevices(std::vector<LocalDevice>& devices) override;
    int getFloppyCapacity(LocalDevice& device, int* out) override;
    long openDrive(const std::string& name, bool write, bool lock) override;
    int closeDrive(long handle) override;
    long long seekDrive(long handle, long long position) override;
    int writeDrive(long handle, int size, unsigned char* data) override;
    int writeDrive(LocalDevice& device, int offset, int count, unsigned char* data) override;
    int readDrive(long handle, int size, unsigned char* buffer) override;
    int readCdDrive(long handle, int offset, int count, unsigned char* buffer) override;
    int readDrive(LocalDevice& device, long handle, int offset, int count,
                  unsigned char* buffer) override;
    int readSectors(long handle, int sectorSize, int count, int firstSector,
                    unsigned char* buffer) override;
    int writeSectors(long handle, int sectorSize, int count, int firstSector,
                     unsigned char* data) override;
    int lockCd(std::string name) override;
    int unLockCd(std::string name) override;
    int ejectCd(std::string name) override;
    bool isFloppyWritable(long handle) override;
    bool isDeviceWritable(LocalDevice& device) override;
    int getCdToc(LocalDevice& device, unsigned char* out) override;
    int getCdCapacity(LocalDevice& device, int* out) override;
    int getDriveGeometry(std::string name, unsigned int* out) override;
    int storageCheckVerify(LocalDevice& device, std::string name, unsigned int* out) override;
    void initialize(LocalDevice& device) override;
    int readBlocks(LocalDevice& device, long handle, int count, unsigned char* buffer) override;
    int getLocalDeviceType(const char* name) override;
    void setType(int newType) override { type = newType; }

    int getType() const { return type; }
    // Length of an image file in whole blocks; throws the path (a std::string) when the
    // file cannot be read.
    int getFileSize(const std::string& path, int blockSize);

private:
    // Reads the boot sector of a floppy-kind medium, fills in its geometry and capacity, and
    // closes the handle.
    void applyBootGeometry(LocalDevice& device, long handle, int mediumKind, long capacity);

    int type = 0;
};
