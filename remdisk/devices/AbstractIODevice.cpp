#include "devices/AbstractIODevice.h"

AbstractIODevice::AbstractIODevice(DeviceManager& manager, int deviceId, int deviceType,
                                   const std::string& name)
    : id(deviceId), type(deviceType), displayableType(name), deviceManager(&manager) {}
