// The media provider: every access to local media goes through this interface. The operation
// order is fixed. Media operations report failure with -1 (capacity queries with 1) instead
// of throwing; handles are valid when greater than 0.
#pragma once

#include <string>
#include <vector>

class DeviceManager;
class LocalDevice;

class VMProvider {
public:
    virtual ~VMProvider() = default;

    virtual int getLocalDevices(DeviceManager& manager, std::vector<LocalDevice>& devices) = 0;
    virtual int getLocalDevices(std::vector<LocalDevice>& devices) = 0;
    virtual int getFloppyCapacity(LocalDevice& device, int* out) = 0;
    virtual long openDrive(const std::string& name, bool write, bool lock) = 0;
    virtual int closeDrive(long handle) = 0;
    virtual long long seekDrive(long handle, long long position) = 0;
    virtual int writeDrive(long handle, int size, unsigned char* data) = 0;
    virtual int writeDrive(LocalDevice& device, int offset, int count, unsigned char* data) = 0;
    virtual int readDrive(long handle, int size, unsigned char* buffer) = 0;
    virtual int readCdDrive(long handle, int offset, int count, unsigned char* buffer) = 0;
    virtual int readDrive(LocalDevice& device, long handle, int offset, int count,
                          unsigned char* buffer) = 0;
    // handle, sector size, sector count, first sector, buffer
    virtual int readSectors(long handle, int sectorSize, int count, int firstSector,
                            unsigned char* buffer) = 0;
    virtual int writeSectors(long handle, int sectorSize, int count, int firstSector,
                             unsigned char* data) = 0;
    virtual int lockCd(std::string name) = 0;
    virtual int unLockCd(std::string name) = 0;
    virtual int ejectCd(std::string name) = 0;
    virtual bool isFloppyWritable(long handle) = 0;
    virtual bool isDeviceWritable(LocalDevice& device) = 0;
    virtual int getCdToc(LocalDevice& device, unsigned char* out) = 0;
    virtual int getCdCapacity(LocalDevice& device, int* out) = 0;
    virtual int getDriveGeometry(std::string name, unsigned int* out) = 0;
    virtual int storageCheckVerify(LocalDevice& device, std::string name, unsigned int* out) = 0;
    virtual void initialize(LocalDevice& device) = 0;
    virtual int readBlocks(LocalDevice& device, long handle, int count, unsigned char* buffer) = 0;
    virtual int getLocalDeviceType(const char* name) = 0;
    virtual void setType(int type) = 0;
};
