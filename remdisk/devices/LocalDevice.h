// A local medium offered to the controller: its geometry, table of contents, open handle and
// whether it is offered read/write. It reaches the medium through its registry's media
// provider.
#pragma once

#include <string>

#include "devices/AbstractIODevice.h"

class RemoteDevice;

class LocalDevice : public AbstractIODevice {
public:
    static constexpr int kMaxTocLength = 804;

    LocalDevice(DeviceManager& manager, int id, int type, const std::string& name);
    // Unmaps the device and leaves its registry.
    ~LocalDevice() override;
    // A medium is an identity: its registry and the drive it serves point at it.
    LocalDevice(const LocalDevice&) = delete;
    LocalDevice& operator=(const LocalDevice&) = delete;

    virtual void setPath(const std::string& newPath) { path = newPath; }
    virtual std::string getPath() { return path; }

    // False for CD/DVD drives and ISO images, true for every other type.
    bool getDefaultWriteValue() const;

    void setRemoteDevice(RemoteDevice* remote) { remoteDevice = remote; }
    RemoteDevice* getRemoteDevice() const { return remoteDevice; }
    bool isMapped() const { return remoteDevice != nullptr; }

    int getBlockSize() {
        propertiesKnown = true;
        return blockSize;
    }
    // Lets the media provider fill in the properties first when they are not known yet.
    int getCapacity();
    void setBlockSize(int size) { blockSize = size; }
    void setCapacity(int blocks) { capacity = blocks; }
    bool arePropertiesKnown() const { return propertiesKnown; }
    // The stored values, without the side effects of the getters above (for the provider).
    int getBlockSizeValue() const { return blockSize; }
    int getCapacityValue() const { return capacity; }

    // Opens the medium through the provider, falling back to weaker access by type; throws
    // "Drive can not be accessed" when every attempt fails. The flag is not used.
    void openDevice(bool write);
    void closeDevice();

    // The table of contents of a CD-kind medium (for an ISO image the fixed image TOC), or
    // null with length 0 for any other type.
    unsigned char* getTOC(int& length);
    // Writes the fixed 20-byte TOC of an image file and returns 20; 0 for a null buffer.
    int getCdTocFromImage(unsigned char* buffer);

    // Copies at most kMaxTocLength bytes.
    void setCdTocData(const unsigned char* data, int length);
    int getCdTocLength() const { return tocLength; }
    const unsigned char* getCdTocData() const { return toc; }

    void setCylinders(int c) { cylinders = c; }
    void setHeads(int h) { heads = h; }
    void setSectors(int s) { sectors = s; }
    void setFloppyUSBProperties(int c, int h, int s) {
        cylinders = c;
        heads = h;
        sectors = s;
    }
    int getCylinders() const { return cylinders; }
    int getHeads() const { return heads; }
    int getSectors() const { return sectors; }

    long getFileHandle() const { return fileHandle; }
    void setFileHandle(long handle) { fileHandle = handle; }
    bool isFileHandleValid() const { return fileHandle > 0; }

    void setWritable(bool on) { writable = on; }
    bool isWritable() const { return writable; }

    void update() {}

    // Moves the device to another registry (it leaves the one it belonged to).
    void setDeviceManager(DeviceManager& manager);
    // Called by a registry that goes away before the device.
    void forgetDeviceManager() { deviceManager = nullptr; }

protected:
    int blockSize = 0;
    int capacity = 0;
    RemoteDevice* remoteDevice = nullptr;
    std::string path;
    bool propertiesKnown = false;
    unsigned char toc[kMaxTocLength] = {};
    int tocLength = 0;
    int cylinders = 0;
    int heads = 0;
    int sectors = 0;
    long fileHandle = 0;
    bool writable = false;
};
