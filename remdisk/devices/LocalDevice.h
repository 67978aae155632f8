// A local medium offered to the controller: its geometry, table of contents, open handle and
// whether it is offered read/write. Opening, closing and the registry work are added with the
// device registry.
#pragma once

#include <string>

#include "devices/AbstractIODevice.h"

class RemoteDevice;

class LocalDevice : public AbstractIODevice {
public:
    static constexpr int kMaxTocLength = 804;

    LocalDevice(DeviceManager& manager, int id, int type, const std::string& name);
    ~LocalDevice() override;

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
    void setBlockSize(int size) { blockSize = size; }
    void setCapacity(int blocks) { capacity = blocks; }
    bool arePropertiesKnown() const { return propertiesKnown; }

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
