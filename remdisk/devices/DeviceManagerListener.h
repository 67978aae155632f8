// Callbacks of the device registry. The registry itself only reports changes of the remote
// device list; the others exist for listeners that track the local side too.
//
// Devices are passed by pointer because they are identities, not values. In
// remoteDeviceListChanged the `removed` drives are already deregistered: their pointers are
// valid only until the callback returns.
#pragma once

#include <vector>

class DeviceManager;
class LocalDevice;
class RemoteDevice;

class DeviceManagerListener {
public:
    virtual ~DeviceManagerListener() = default;

    virtual void localDeviceListChanged(DeviceManager& manager) = 0;
    virtual void localDeviceAdded(DeviceManager& manager, std::vector<LocalDevice*>& devices) = 0;
    virtual void remoteDeviceListChanged(DeviceManager& manager,
                                         std::vector<RemoteDevice*>& added,
                                         std::vector<RemoteDevice*>& removed) = 0;
    virtual void deviceMapped(DeviceManager& manager, RemoteDevice& remote) = 0;
    virtual void deviceUnmapped(DeviceManager& manager, LocalDevice& local,
                                RemoteDevice& remote) = 0;
};
