// A virtual drive of the controller, known by the disk id the controller gave it. While it is
// mapped it points at the local medium that serves it, and that medium points back.
#pragma once

#include <string>

#include "devices/AbstractIODevice.h"

class LocalDevice;

class RemoteDevice : public AbstractIODevice {
public:
    // The status byte the controller reported for the drive; 1 once mapped, 0 after an unmap.
    using DeviceStatus = int;

    RemoteDevice(DeviceManager& manager, int id, int type, DeviceStatus status,
                 const std::string& name);
    ~RemoteDevice() override;
    // A drive is an identity: mapped local media and the registry hold pointers to it.
    RemoteDevice(const RemoteDevice&) = delete;
    RemoteDevice& operator=(const RemoteDevice&) = delete;

    std::string getDisplayableType() override { return AbstractIODevice::getDisplayableType(); }

    void setLocalDevice(LocalDevice* local) { localDevice = local; }
    void setConnectedLocalDevice(LocalDevice& local) { localDevice = &local; }
    LocalDevice* getLocalDevice() const { return localDevice; }
    // Mapped means a local medium is set and the status is 1.
    bool isMapped() const { return localDevice != nullptr && deviceStatus == 1; }

    void setDeviceStatus(DeviceStatus status) { deviceStatus = status; }
    DeviceStatus getDeviceStatus() const { return deviceStatus; }

private:
    LocalDevice* localDevice = nullptr;
    DeviceStatus deviceStatus;
};
