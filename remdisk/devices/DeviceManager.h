// The device registry of one session: the controller's virtual drives (owned, in
// registration order, indexed by disk id), the application's local media (not owned), the
// pairing of the two, the listeners and the media provider.
//
// A registered drive keeps its address until it is deregistered, so pointers held by mapped
// local media, by the index and by callers of getMatchingRemoteDevices stay valid that long.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "devices/RemoteDevice.h"
#include "foundation/Monitor.h"

class DeviceManagerListener;
class LocalDevice;
class MEDPSession;
class VMProvider;

// One virtual drive as the controller's disk list reports it, already translated into the
// registry's terms: disk id, remote type code, status byte and display name.
struct ReportedRemoteDevice {
    int id = 0;
    int type = 0;
    RemoteDevice::DeviceStatus status = 0;
    std::string name;
};

class DeviceManager {
public:
    explicit DeviceManager(MEDPSession& session);
    // A registry that belongs to no session (tools and tests).
    DeviceManager();
    virtual ~DeviceManager();
    DeviceManager(const DeviceManager&) = delete;
    DeviceManager& operator=(const DeviceManager&) = delete;

    MEDPSession* getSession() const { return session; }

    void addListener(DeviceManagerListener& listener);
    bool removeListener(DeviceManagerListener& listener);

    // Takes ownership; the provider installed before is released.
    void setVMProvider(VMProvider* provider);
    VMProvider* getVMProvider() const { return provider.get(); }

    // Installs a fresh Linux media provider, lets it fill in the device's properties and
    // registers the device. Exceptions of the provider pass through; the device is then not
    // registered.
    void addLocalDevice(LocalDevice& device);
    void removeLocalDevice(LocalDevice& device);

    // Registers a drive (the registry owns it from then on) and returns it.
    RemoteDevice& addRemoteDevice(std::unique_ptr<RemoteDevice> device);
    // Deregisters and destroys the first registered drive with the device's id; a medium
    // mapped to it is unmapped first. Returns whether one was found.
    bool removeRemoteDevice(RemoteDevice& device);

    void updateLocalDeviceList() {}
    // Merges the controller's new disk list into the registry and tells the listeners.
    void updateRemoteDeviceList(const std::vector<ReportedRemoteDevice>& reported);

    bool isMediaAvailable(LocalDevice&) { return false; }

    std::vector<RemoteDevice*> getRemoteDeviceList();
    int getRemoteDeviceCount();
    // Null for a position outside the list.
    RemoteDevice* getRemoteDeviceAt(int position);
    RemoteDevice* getRemoteDeviceForId(int id);

    std::vector<LocalDevice*> getLocalDeviceList();
    int getLocalDeviceCount();
    // Throws "Invalid index." for a position outside the list.
    LocalDevice* getLocalDeviceAt(int index);
    LocalDevice* getLocalDeviceForId(int id);
    // The lowest id from 0 to 254 that no registered local device has; -1 when none is free.
    int getNextLocalDeviceId();

    // Every local device made for this registry attaches itself until it is destroyed or
    // moves to another registry, so the registry can detach it when it goes first.
    void attachLocalDevice(LocalDevice& device);
    void detachLocalDevice(LocalDevice& device);

    // Registered drives of the kind that serves the local type, in registration order.
    std::vector<RemoteDevice*> getMatchingRemoteDevices(int localType);

    void map(LocalDevice& local, RemoteDevice& remote);
    // Leaves the local device open; closing it is the caller's business.
    void unmap(LocalDevice& local);

private:
    bool ownsRemote(const RemoteDevice* device) const;
    void registerRemote(std::unique_ptr<RemoteDevice> device);
    std::unique_ptr<RemoteDevice> deregisterRemote(RemoteDevice* device);
    void indexRemoteId(int id);

    MEDPSession* session = nullptr;
    std::vector<std::unique_ptr<RemoteDevice>> remoteDevices;
    std::map<int, RemoteDevice*> remoteIndex;
    std::vector<LocalDevice*> localDevices;
    std::map<int, LocalDevice*> localIndex;
    std::vector<LocalDevice*> attachedLocals;
    std::vector<DeviceManagerListener*> listeners;
    Monitor monitor;
    std::unique_ptr<VMProvider> provider;
};
