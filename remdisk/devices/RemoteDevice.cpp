#include "devices/RemoteDevice.h"

#include "devices/LocalDevice.h"

RemoteDevice::RemoteDevice(DeviceManager& manager, int deviceId, int deviceType,
                           DeviceStatus status, const std::string& name)
    : AbstractIODevice(manager, deviceId, deviceType, name), deviceStatus(status) {}

RemoteDevice::~RemoteDevice() {
    // A medium still paired with this drive must not keep pointing at it.
    if (localDevice && localDevice->getRemoteDevice() == this)
        localDevice->setRemoteDevice(nullptr);
}
