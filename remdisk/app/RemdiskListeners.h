// The two listeners that lead the session's and the device registry's news back to the
// application.
#pragma once

#include <vector>

#include "devices/DeviceManagerListener.h"
#include "session/VMSessionListener.h"

class RemdiskAPP;

class RemdiskAPPVMListener : public VMSessionListener {
public:
    explicit RemdiskAPPVMListener(RemdiskAPP& app) : app(app) {}
    void loginResponse(int status) override;
    void vdiskListUpdate() override;

private:
    RemdiskAPP& app;
};

class VMAPPDeviceManagerListener : public DeviceManagerListener {
public:
    explicit VMAPPDeviceManagerListener(RemdiskAPP& app) : app(app) {}
    void localDeviceListChanged(DeviceManager& manager) override;
    void localDeviceAdded(DeviceManager& manager, std::vector<LocalDevice*>& devices) override;
    void remoteDeviceListChanged(DeviceManager& manager, std::vector<RemoteDevice*>& added,
                                 std::vector<RemoteDevice*>& removed) override;
    void deviceMapped(DeviceManager& manager, RemoteDevice& remote) override;
    void deviceUnmapped(DeviceManager& manager, LocalDevice& local, RemoteDevice& remote) override;

private:
    RemdiskAPP& app;
};
