#include "devices/LocalDevice.h"

#include <cstring>

#include <cstdio>
#include <unistd.h>

#include "devices/DeviceManager.h"
#include "devices/DeviceTypes.h"
#include "devices/RemoteDevice.h"
#include "foundation/ZTrace.h"
#include "media/VMProvider.h"

namespace {
// One data track (ADR 1, CONTROL 4) from block 0 and a lead-out at block 1,144,544.
const unsigned char kImageToc[20] = {0x00, 0x12, 0x01, 0x01, 0x00, 0x14, 0x01, 0x00, 0x00, 0x00,
                                     0x00, 0x00, 0x00, 0x14, 0xAA, 0x00, 0x00, 0x11, 0x76, 0xE0};
} // namespace

LocalDevice::LocalDevice(DeviceManager& manager, int deviceId, int deviceType,
                         const std::string& name)
    : AbstractIODevice(manager, deviceId, deviceType, name) {
    writable = getDefaultWriteValue();
    manager.attachLocalDevice(*this);
}

void LocalDevice::setDeviceManager(DeviceManager& manager) {
    if (deviceManager == &manager)
        return;
    if (deviceManager)
        deviceManager->detachLocalDevice(*this);
    AbstractIODevice::setDeviceManager(manager);
    manager.attachLocalDevice(*this);
}

LocalDevice::~LocalDevice() {
    ZTRACE(0, "%s Destructor called\n", "LocalDevice::~LocalDevice");
    if (deviceManager) {
        deviceManager->detachLocalDevice(*this);
    } else if (remoteDevice && remoteDevice->getLocalDevice() == this) {
        remoteDevice->setLocalDevice(nullptr);
    }
}

int LocalDevice::getCapacity() {
    if (!propertiesKnown) {
        if (VMProvider* provider = deviceManager ? deviceManager->getVMProvider() : nullptr) {
            provider->initialize(*this);
            propertiesKnown = true;
        }
    }
    return capacity;
}

void LocalDevice::openDevice(bool) {
    static const char* const where = "LocalDevice::openDevice";
    ZTRACE(1, "%s called\n", where);
    VMProvider* provider = deviceManager ? deviceManager->getVMProvider() : nullptr;
    if (provider) {
        // Opening again must not leak the handle opened before (initialize leaves one open
        // for a CD/DVD drive).
        if (fileHandle > 0) {
            provider->closeDrive(fileHandle);
            fileHandle = 0;
        }
        provider->setType(type);
        const std::string name = getDisplayableType();
        auto attempt = [&](bool write, bool lock) {
            if (fileHandle <= 0)
                fileHandle = provider->openDrive(name, write, lock);
            return fileHandle > 0;
        };
        switch (type) {
        case CD_DVD:
            provider->lockCd(name);
            if (!attempt(writable, true)) {
                writable = false;
                attempt(false, false);
            }
            break;
        case FLOPPY:
        case FLOPPY_IMAGE:
            if (!attempt(true, true)) {
                if (type == FLOPPY_IMAGE)
                    std::printf("\nUnable to lock %s", path.c_str());
                writable = false;
                if (!attempt(false, true))
                    attempt(false, false);
            }
            break;
        case ISO_IMAGE:
            writable = false;
            if (!attempt(false, true))
                attempt(false, false);
            break;
        default:
            break;
        }
    }
    if (fileHandle <= 0) {
        std::printf("Error: Drive can not be accessed.\n");
        ZTRACE(0, "%s Drive can not be accessed, Throwing Exception.\n", where);
        throw "Drive can not be accessed";
    }
}

void LocalDevice::closeDevice() {
    VMProvider* provider = deviceManager ? deviceManager->getVMProvider() : nullptr;
    if (!provider) { // the registry is gone: still give the handle back
        if (fileHandle > 0)
            close(static_cast<int>(fileHandle));
        fileHandle = 0;
        return;
    }
    provider->closeDrive(fileHandle);
    fileHandle = 0;
    if (type == CD_DVD) {
        const std::string name = getDisplayableType();
        provider->unLockCd(name);
        provider->ejectCd(name);
    }
}

unsigned char* LocalDevice::getTOC(int& length) {
    length = 0;
    unsigned char* result = nullptr;
    if (type == CD_DVD) {
        length = tocLength;
        result = toc;
    } else if (type == ISO_IMAGE) {
        tocLength = getCdTocFromImage(toc);
        length = tocLength;
        result = toc;
    }
    ZTRACE(2, "%s tocLength = %i\n", "LocalDevice::getTOC", length);
    return result;
}

int LocalDevice::getCdTocFromImage(unsigned char* buffer) {
    if (!buffer)
        return 0;
    std::memcpy(buffer, kImageToc, sizeof kImageToc);
    return static_cast<int>(sizeof kImageToc);
}

bool LocalDevice::getDefaultWriteValue() const { return type != CD_DVD && type != ISO_IMAGE; }

void LocalDevice::setCdTocData(const unsigned char* data, int length) {
    if (!data || length < 0)
        length = 0;
    if (length > kMaxTocLength)
        length = kMaxTocLength;
    if (length > 0)
        std::memcpy(toc, data, static_cast<size_t>(length));
    tocLength = length;
}
