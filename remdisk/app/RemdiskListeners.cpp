#include "app/RemdiskListeners.h"

#include <cstdio>

#include "app/RemdiskAPP.h"
#include "foundation/ZTrace.h"

void RemdiskAPPVMListener::loginResponse(int status) {
    if (status == 0) {
        std::printf(" Login success.\n");
        std::fflush(stdout);
        app.requestVDiskInfo();
        return;
    }
    if (status == -1)
        std::printf(" Failed to acquire credentials.\n");
    else
        std::printf(" Login Failed: check username, password and user privileges.\n");
    std::fflush(stdout);
    app.endThreads();
}

void RemdiskAPPVMListener::vdiskListUpdate() { app.MapDrive(); }

void VMAPPDeviceManagerListener::localDeviceListChanged(DeviceManager&) {
    ZTRACE(0, "%s called\n", "VMAPPDeviceManagerListener::localDeviceListChanged");
}

void VMAPPDeviceManagerListener::localDeviceAdded(DeviceManager&, std::vector<LocalDevice*>&) {
    ZTRACE(0, "%s called\n", "VMAPPDeviceManagerListener::localDeviceAdded");
}

void VMAPPDeviceManagerListener::remoteDeviceListChanged(DeviceManager&, std::vector<RemoteDevice*>&,
                                                         std::vector<RemoteDevice*>&) {
    ZTRACE(0, "%s called\n", "VMAPPDeviceManagerListener::remoteDeviceListChanged");
    app.fireRemoteDeviceListChanged();
}

void VMAPPDeviceManagerListener::deviceMapped(DeviceManager&, RemoteDevice&) {
    ZTRACE(0, "%s called\n", "VMAPPDeviceManagerListener::deviceMapped\n");
}

void VMAPPDeviceManagerListener::deviceUnmapped(DeviceManager&, LocalDevice&, RemoteDevice&) {
    ZTRACE(0, "%s called\n", "VMAPPDeviceManagerListener::deviceUnmapped");
}
