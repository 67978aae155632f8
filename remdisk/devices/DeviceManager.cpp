#include "devices/DeviceManager.h"

#include <algorithm>

#include "devices/DeviceManagerListener.h"
#include "devices/DeviceTypes.h"
#include "devices/LocalDevice.h"
#include "foundation/ZTrace.h"
#include "media/LinuxVMProvider.h"

DeviceManager::DeviceManager(MEDPSession& owner) : session(&owner) {}

DeviceManager::DeviceManager() = default;

DeviceManager::~DeviceManager() {
    ZTRACE(0, "%s destuctor called\n", "DeviceManager::~DeviceManager");
    // The local media outlive the registry (the application owns them): leave none of them
    // pointing at a drive or a registry that is about to go.
    for (LocalDevice* local : attachedLocals) {
        local->setRemoteDevice(nullptr);
        local->forgetDeviceManager();
    }
    for (auto& remote : remoteDevices)
        remote->setLocalDevice(nullptr);
}

void DeviceManager::addListener(DeviceManagerListener& listener) {
    MonitorLock lock = monitor.acquireLock();
    listeners.push_back(&listener);
}

bool DeviceManager::removeListener(DeviceManagerListener& listener) {
    MonitorLock lock = monitor.acquireLock();
    auto found = std::find(listeners.begin(), listeners.end(), &listener);
    if (found == listeners.end())
        return false;
    listeners.erase(found);
    return true;
}

void DeviceManager::setVMProvider(VMProvider* newProvider) {
    MonitorLock lock = monitor.acquireLock();
    provider.reset(newProvider);
}

void DeviceManager::addLocalDevice(LocalDevice& device) {
    try {
        setVMProvider(new LinuxVMProvider());
        provider->initialize(device);
        MonitorLock lock = monitor.acquireLock();
        device.setDeviceManager(*this);
        localIndex[device.getId()] = &device;
        if (std::find(localDevices.begin(), localDevices.end(), &device) == localDevices.end())
            localDevices.push_back(&device);
    } catch (const char* text) {
        ZTRACE(0, "%s exception caught and thrown: %s\n", "DeviceManager::addLocalDevice", text);
        throw text;
    }
}

void DeviceManager::attachLocalDevice(LocalDevice& device) {
    MonitorLock lock = monitor.acquireLock();
    if (std::find(attachedLocals.begin(), attachedLocals.end(), &device) == attachedLocals.end())
        attachedLocals.push_back(&device);
}

void DeviceManager::detachLocalDevice(LocalDevice& device) {
    MonitorLock lock = monitor.acquireLock();
    unmap(device);
    removeLocalDevice(device);
    attachedLocals.erase(std::remove(attachedLocals.begin(), attachedLocals.end(), &device),
                         attachedLocals.end());
}

void DeviceManager::removeLocalDevice(LocalDevice& device) {
    MonitorLock lock = monitor.acquireLock();
    auto found = std::find(localDevices.begin(), localDevices.end(), &device);
    if (found != localDevices.end())
        localDevices.erase(found);
    // The index must not keep a device that is no longer registered (map enters devices in
    // it too); another registered device with the same id (the later one) takes its place.
    auto entry = localIndex.find(device.getId());
    if (entry != localIndex.end() && entry->second == &device) {
        localIndex.erase(entry);
        for (auto it = localDevices.rbegin(); it != localDevices.rend(); ++it) {
            if ((*it)->getId() == device.getId()) {
                localIndex[device.getId()] = *it;
                break;
            }
        }
    }
}

bool DeviceManager::ownsRemote(const RemoteDevice* device) const {
    return std::any_of(remoteDevices.begin(), remoteDevices.end(),
                       [device](const std::unique_ptr<RemoteDevice>& d) { return d.get() == device; });
}

void DeviceManager::registerRemote(std::unique_ptr<RemoteDevice> device) {
    RemoteDevice* raw = device.get();
    remoteDevices.push_back(std::move(device));
    remoteIndex[raw->getId()] = raw;
}

void DeviceManager::indexRemoteId(int id) {
    remoteIndex.erase(id);
    for (auto it = remoteDevices.rbegin(); it != remoteDevices.rend(); ++it) {
        if ((*it)->getId() == id) {
            remoteIndex[id] = it->get();
            return;
        }
    }
}

std::unique_ptr<RemoteDevice> DeviceManager::deregisterRemote(RemoteDevice* device) {
    auto found = std::find_if(remoteDevices.begin(), remoteDevices.end(),
                              [device](const std::unique_ptr<RemoteDevice>& d) { return d.get() == device; });
    if (found == remoteDevices.end())
        return nullptr;
    std::unique_ptr<RemoteDevice> owned = std::move(*found);
    remoteDevices.erase(found);
    indexRemoteId(owned->getId());
    return owned;
}

RemoteDevice& DeviceManager::addRemoteDevice(std::unique_ptr<RemoteDevice> device) {
    MonitorLock lock = monitor.acquireLock();
    RemoteDevice& registered = *device;
    registered.setDeviceManager(*this);
    registerRemote(std::move(device));
    return registered;
}

bool DeviceManager::removeRemoteDevice(RemoteDevice& device) {
    MonitorLock lock = monitor.acquireLock();
    auto found = std::find_if(remoteDevices.begin(), remoteDevices.end(),
                              [&device](const std::unique_ptr<RemoteDevice>& d) {
                                  return d->getId() == device.getId();
                              });
    if (found == remoteDevices.end())
        return false;
    RemoteDevice* entry = found->get();
    if (LocalDevice* local = entry->getLocalDevice())
        unmap(*local);
    deregisterRemote(entry); // destroyed here
    return true;
}

void DeviceManager::updateRemoteDeviceList(const std::vector<ReportedRemoteDevice>& reported) {
    static const char* const where = "DeviceManager::updateRemoteDeviceList";
    std::vector<RemoteDevice*> added;
    std::vector<RemoteDevice*> removed;
    // Deregistered drives stay alive until the listeners have seen them.
    std::vector<std::unique_ptr<RemoteDevice>> retired;
    std::vector<DeviceManagerListener*> toNotify;
    {
        MonitorLock lock = monitor.acquireLock();
        std::vector<RemoteDevice*> working;
        for (auto& d : remoteDevices)
            working.push_back(d.get());
        std::vector<std::unique_ptr<RemoteDevice>> fresh;
        std::vector<int> seenIds;

        for (const ReportedRemoteDevice& d : reported) {
            // A disk id names one drive; a list naming it twice keeps the first entry.
            if (std::find(seenIds.begin(), seenIds.end(), d.id) != seenIds.end()) {
                ZTRACE(0, "%s ignoring repeated vdisk %i\n", where, d.id);
                continue;
            }
            seenIds.push_back(d.id);
            auto found = std::find_if(working.begin(), working.end(),
                                      [&d](RemoteDevice* e) { return e->getId() == d.id; });
            if (found != working.end()) {
                if ((*found)->getLocalDevice()) {
                    ZTRACE(4, "%s add mapped to new dev list\n", where);
                    added.push_back(*found);
                }
                ZTRACE(4, "%s remove existing device %i\n", where,
                       static_cast<int>(found - working.begin()));
                working.erase(found);
            } else {
                ZTRACE(4, "%s add new device to new dev list\n", where);
                fresh.push_back(std::make_unique<RemoteDevice>(*this, d.id, d.type, d.status, d.name));
                added.push_back(fresh.back().get());
            }
        }

        for (RemoteDevice* gone : working) {
            if (LocalDevice* local = gone->getLocalDevice())
                unmap(*local);
            ZTRACE(0, "%s Removing vdisk: %i - %s\n", where, gone->getId(),
                   gone->getDisplayableType().c_str());
            retired.push_back(deregisterRemote(gone));
            removed.push_back(gone);
        }

        size_t nextFresh = 0;
        for (RemoteDevice* entry : added) {
            ZTRACE(0, "%s Adding vdisk %i of type %s\n", where, entry->getId(),
                   entry->getDisplayableType().c_str());
            if (nextFresh < fresh.size() && fresh[nextFresh].get() == entry)
                registerRemote(std::move(fresh[nextFresh++]));
        }
        toNotify = listeners;
    }
    // Listeners run without the lock held: they map media, which sends requests.
    for (DeviceManagerListener* listener : toNotify)
        listener->remoteDeviceListChanged(*this, added, removed);
}

std::vector<RemoteDevice*> DeviceManager::getRemoteDeviceList() {
    MonitorLock lock = monitor.acquireLock();
    std::vector<RemoteDevice*> list;
    for (auto& d : remoteDevices)
        list.push_back(d.get());
    return list;
}

int DeviceManager::getRemoteDeviceCount() {
    MonitorLock lock = monitor.acquireLock();
    return static_cast<int>(remoteDevices.size());
}

RemoteDevice* DeviceManager::getRemoteDeviceAt(int position) {
    MonitorLock lock = monitor.acquireLock();
    if (position < 0 || position >= static_cast<int>(remoteDevices.size()))
        return nullptr;
    return remoteDevices[static_cast<size_t>(position)].get();
}

RemoteDevice* DeviceManager::getRemoteDeviceForId(int id) {
    MonitorLock lock = monitor.acquireLock();
    auto found = remoteIndex.find(id);
    return found == remoteIndex.end() ? nullptr : found->second;
}

std::vector<LocalDevice*> DeviceManager::getLocalDeviceList() {
    MonitorLock lock = monitor.acquireLock();
    return localDevices;
}

int DeviceManager::getLocalDeviceCount() {
    MonitorLock lock = monitor.acquireLock();
    return static_cast<int>(localDevices.size());
}

LocalDevice* DeviceManager::getLocalDeviceAt(int index) {
    MonitorLock lock = monitor.acquireLock();
    if (index < 0 || index >= static_cast<int>(localDevices.size())) {
        ZTRACE(0, "%s throw Exception: Invalid index.\n", "DeviceManager::getLocalDeviceAt");
        throw "Invalid index.";
    }
    return localDevices[static_cast<size_t>(index)];
}

LocalDevice* DeviceManager::getLocalDeviceForId(int id) {
    MonitorLock lock = monitor.acquireLock();
    auto found = localIndex.find(id);
    return found == localIndex.end() ? nullptr : found->second;
}

int DeviceManager::getNextLocalDeviceId() {
    MonitorLock lock = monitor.acquireLock();
    for (int id = 0; id < 255; ++id) {
        bool taken = std::any_of(localDevices.begin(), localDevices.end(),
                                 [id](LocalDevice* d) { return d->getId() == id; });
        if (!taken)
            return id;
    }
    return -1;
}

std::vector<RemoteDevice*> DeviceManager::getMatchingRemoteDevices(int localType) {
    const int wanted =
        (localType == CD_DVD || localType == ISO_IMAGE) ? REMOTE_CD_DVD : REMOTE_BLOCK_DEVICE;
    MonitorLock lock = monitor.acquireLock();
    std::vector<RemoteDevice*> matching;
    for (auto& d : remoteDevices)
        if (d->getType() == wanted)
            matching.push_back(d.get());
    return matching;
}

void DeviceManager::map(LocalDevice& local, RemoteDevice& remote) {
    MonitorLock lock = monitor.acquireLock();
    // A medium serves one drive and a drive one medium: undo older pairings of either side
    // so no pointer is left one-sided.
    if (RemoteDevice* previous = local.getRemoteDevice(); previous && previous != &remote)
        unmap(local);
    if (LocalDevice* previous = remote.getLocalDevice(); previous && previous != &local)
        unmap(*previous);
    remote.setLocalDevice(&local);
    local.setRemoteDevice(&remote);
    localIndex[local.getId()] = &local;
    // Only drives the registry owns go into its index.
    if (ownsRemote(&remote))
        remoteIndex[remote.getId()] = &remote;
    remote.setDeviceStatus(1);
}

void DeviceManager::unmap(LocalDevice& local) {
    MonitorLock lock = monitor.acquireLock();
    if (RemoteDevice* remote = local.getRemoteDevice()) {
        remote->setDeviceStatus(0);
        remote->setLocalDevice(nullptr);
    }
    local.setRemoteDevice(nullptr);
}
