#include "devices/LocalDevice.h"

#include <cstring>

#include "devices/DeviceTypes.h"
#include "foundation/ZTrace.h"

LocalDevice::LocalDevice(DeviceManager& manager, int deviceId, int deviceType,
                         const std::string& name)
    : AbstractIODevice(manager, deviceId, deviceType, name) {
    writable = getDefaultWriteValue();
}

LocalDevice::~LocalDevice() { ZTRACE(0, "%s Destructor called\n", "LocalDevice::~LocalDevice"); }

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
