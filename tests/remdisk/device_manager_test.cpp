// DeviceManager: merging the controller's disk lists, pairing media with drives, lookups, and
// the lifetime rules that keep every pointer into the registry valid.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "devices/DeviceManager.h"
#include "devices/DeviceManagerListener.h"
#include "devices/DeviceTypes.h"
#include "devices/LocalDevice.h"
#include "devices/RemoteDevice.h"
#include "trace_capture.h"

namespace {

struct Call {
    std::vector<int> added;
    std::vector<int> removed;
    std::vector<std::string> removedNames; // read inside the callback: must still be alive
};

class RecordingListener : public DeviceManagerListener {
public:
    std::vector<Call> calls;
    void localDeviceListChanged(DeviceManager&) override {}
    void localDeviceAdded(DeviceManager&, std::vector<LocalDevice*>&) override {}
    void remoteDeviceListChanged(DeviceManager&, std::vector<RemoteDevice*>& added,
                                 std::vector<RemoteDevice*>& removed) override {
        Call call;
        for (RemoteDevice* d : added)
            call.added.push_back(d->getId());
        for (RemoteDevice* d : removed) {
            call.removed.push_back(d->getId());
            call.removedNames.push_back(d->getDisplayableType());
        }
        calls.push_back(call);
    }
    void deviceMapped(DeviceManager&, RemoteDevice&) override {}
    void deviceUnmapped(DeviceManager&, LocalDevice&, RemoteDevice&) override {}
};

ReportedRemoteDevice block(int id, const std::string& name, int status = 0) {
    return {id, REMOTE_BLOCK_DEVICE, status, name};
}
ReportedRemoteDevice cd(int id, const std::string& name, int status = 0) {
    return {id, REMOTE_CD_DVD, status, name};
}

std::vector<int> ids(const std::vector<RemoteDevice*>& list) {
    std::vector<int> out;
    for (RemoteDevice* d : list)
        out.push_back(d->getId());
    return out;
}

} // namespace

// One row per merge case: the registry before (and which of its disks are mapped), the new
// report, and everything the merge must leave behind.
TEST(DeviceManagerMerge, MergeCases) {
    struct Case {
        const char* what;
        std::vector<ReportedRemoteDevice> before;
        std::vector<int> mappedBefore;
        std::vector<ReportedRemoteDevice> report;
        std::vector<int> registeredAfter;
        std::vector<std::string> namesAfter;
        std::vector<int> mappedAfter;
        std::vector<int> added;
        std::vector<int> removed;
        std::vector<std::string> traceLines;
    };
    const std::vector<Case> cases = {
        {"mapped disk dropped, unmapped one kept as it was, new one added",
         {block(0, "Generic Block Device (0)"), block(1, "Generic Block Device (1)", 5)},
         {0},
         {block(1, "renamed", 9), block(2, "Generic Block Device (2)")},
         {1, 2},
         {"Generic Block Device (1)", "Generic Block Device (2)"},
         {},
         {2},
         {0},
         {"DeviceManager::updateRemoteDeviceList Removing vdisk: 0 - Generic Block Device (0)\n",
          "DeviceManager::updateRemoteDeviceList Adding vdisk 2 of type Generic Block Device (2)\n",
          "DeviceManager::updateRemoteDeviceList remove existing device 1\n",
          "DeviceManager::updateRemoteDeviceList add new device to new dev list\n"}},
        {"repeated mapped disk listed as added and kept registered once, still mapped",
         {cd(0, "CD/DVD (0)")},
         {0},
         {cd(0, "CD/DVD (0)")},
         {0},
         {"CD/DVD (0)"},
         {0},
         {0},
         {},
         {"DeviceManager::updateRemoteDeviceList add mapped to new dev list\n",
          "DeviceManager::updateRemoteDeviceList Adding vdisk 0 of type CD/DVD (0)\n"}},
        {"empty report deregisters and unmaps everything",
         {cd(0, "CD/DVD (0)"), block(1, "Generic Block Device (0)")},
         {0, 1},
         {},
         {},
         {},
         {},
         {},
         {0, 1},
         {"Removing vdisk: 0 - CD/DVD (0)\n", "Removing vdisk: 1 - Generic Block Device (0)\n"}},
        {"first report fills an empty registry in order",
         {},
         {},
         {cd(0, "CD/DVD (0)"), block(1, "Generic Block Device (0)"), block(3, "Generic Block Device (1)")},
         {0, 1, 3},
         {"CD/DVD (0)", "Generic Block Device (0)", "Generic Block Device (1)"},
         {},
         {0, 1, 3},
         {},
         {"Adding vdisk 3 of type Generic Block Device (1)\n"}},
        {"a disk id repeated within one report is registered once",
         {},
         {},
         {block(4, "first"), block(4, "second")},
         {4},
         {"first"},
         {},
         {4},
         {},
         {"ignoring repeated vdisk 4\n"}},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TraceCapture trace;
        DeviceManager manager;
        RecordingListener listener;
        manager.updateRemoteDeviceList(c.before);
        std::vector<std::unique_ptr<LocalDevice>> media;
        for (int id : c.mappedBefore) {
            RemoteDevice* remote = manager.getRemoteDeviceForId(id);
            ASSERT_NE(remote, nullptr);
            media.push_back(std::make_unique<LocalDevice>(manager, 0, FLOPPY_IMAGE, "m"));
            manager.map(*media.back(), *remote);
        }
        std::vector<RemoteDevice*> beforePointers = manager.getRemoteDeviceList();
        std::vector<int> beforeIds = ids(beforePointers); // removed ones die in the merge
        manager.addListener(listener);

        manager.updateRemoteDeviceList(c.report);

        EXPECT_EQ(ids(manager.getRemoteDeviceList()), c.registeredAfter);
        std::vector<std::string> names;
        for (RemoteDevice* d : manager.getRemoteDeviceList())
            names.push_back(d->getDisplayableType());
        EXPECT_EQ(names, c.namesAfter);
        std::vector<int> mapped;
        for (RemoteDevice* d : manager.getRemoteDeviceList()) {
            EXPECT_EQ(manager.getRemoteDeviceForId(d->getId()), d);
            if (d->isMapped()) {
                mapped.push_back(d->getId());
                EXPECT_EQ(d->getLocalDevice()->getRemoteDevice(), d) << "pairing points back";
            }
        }
        EXPECT_EQ(mapped, c.mappedAfter);
        // Media whose drive went away are unmapped; those whose drive stayed still point at
        // the very same registered object.
        for (auto& m : media) {
            if (RemoteDevice* r = m->getRemoteDevice()) {
                EXPECT_NE(std::find(beforePointers.begin(), beforePointers.end(), r),
                          beforePointers.end());
            }
        }
        for (int id : c.registeredAfter) {
            for (size_t i = 0; i < beforeIds.size(); ++i) {
                if (beforeIds[i] == id) {
                    EXPECT_EQ(manager.getRemoteDeviceForId(id), beforePointers[i])
                        << "identity kept for " << id;
                }
            }
        }

        ASSERT_EQ(listener.calls.size(), 1u);
        EXPECT_EQ(listener.calls[0].added, c.added);
        EXPECT_EQ(listener.calls[0].removed, c.removed);
        for (const std::string& line : c.traceLines)
            EXPECT_TRUE(trace.has(line)) << line;
        EXPECT_EQ(manager.getRemoteDeviceCount(), static_cast<int>(c.registeredAfter.size()));
    }
}

TEST(DeviceManagerMerge, UnmapsMediaOfDroppedDrivesBeforeTheyAreDestroyed) {
    DeviceManager manager;
    RecordingListener listener;
    manager.addListener(listener);
    manager.updateRemoteDeviceList({block(0, "Generic Block Device (0)")});
    LocalDevice floppy(manager, 0, FLOPPY_IMAGE, "f.img");
    manager.map(floppy, *manager.getRemoteDeviceForId(0));
    ASSERT_TRUE(floppy.isMapped());

    manager.updateRemoteDeviceList({});
    EXPECT_FALSE(floppy.isMapped());
    EXPECT_EQ(manager.getRemoteDeviceForId(0), nullptr);
    ASSERT_EQ(listener.calls.size(), 2u);
    EXPECT_EQ(listener.calls[1].removedNames, std::vector<std::string>{"Generic Block Device (0)"});
}

TEST(DeviceManagerPairing, MapAndUnmapKeepBothSidesConsistent) {
    DeviceManager manager;
    manager.updateRemoteDeviceList({cd(0, "CD/DVD (0)", 3), cd(1, "CD/DVD (1)")});
    RemoteDevice& a = *manager.getRemoteDeviceForId(0);
    RemoteDevice& b = *manager.getRemoteDeviceForId(1);
    LocalDevice iso(manager, 7, ISO_IMAGE, "x.iso");
    LocalDevice other(manager, 8, ISO_IMAGE, "y.iso");

    EXPECT_EQ(a.getDeviceStatus(), 3);
    a.setConnectedLocalDevice(iso);
    a.setDeviceStatus(0);
    EXPECT_FALSE(a.isMapped()) << "a local device alone is not a mapping";
    a.setLocalDevice(nullptr);
    a.setDeviceStatus(1);
    EXPECT_FALSE(a.isMapped()) << "status 1 without a local device is not a mapping";

    manager.map(iso, a);
    EXPECT_TRUE(a.isMapped());
    EXPECT_EQ(a.getLocalDevice(), &iso);
    EXPECT_EQ(iso.getRemoteDevice(), &a);
    EXPECT_EQ(manager.getLocalDeviceForId(7), &iso);

    // Re-pairing either side undoes the old pairing, so no drive is left pointing at a
    // medium that serves another drive.
    manager.map(iso, b);
    EXPECT_FALSE(a.isMapped());
    EXPECT_EQ(a.getLocalDevice(), nullptr);
    EXPECT_EQ(a.getDeviceStatus(), 0);
    manager.map(other, b);
    EXPECT_EQ(iso.getRemoteDevice(), nullptr);
    EXPECT_EQ(b.getLocalDevice(), &other);

    manager.unmap(other);
    EXPECT_FALSE(b.isMapped());
    EXPECT_EQ(b.getDeviceStatus(), 0);
    EXPECT_EQ(other.getRemoteDevice(), nullptr);
    manager.unmap(other); // unmapping twice is harmless
}

TEST(DeviceManagerLookup, MatchingDrivesByLocalType) {
    DeviceManager manager;
    manager.updateRemoteDeviceList({cd(0, "CD/DVD (0)"), block(1, "Generic Block Device (0)"),
                                    block(3, "Generic Block Device (1)"), cd(4, "CD/DVD (1)")});
    EXPECT_EQ(ids(manager.getMatchingRemoteDevices(CD_DVD)), (std::vector<int>{0, 4}));
    EXPECT_EQ(ids(manager.getMatchingRemoteDevices(ISO_IMAGE)), (std::vector<int>{0, 4}));
    EXPECT_EQ(ids(manager.getMatchingRemoteDevices(FLOPPY_IMAGE)), (std::vector<int>{1, 3}));
    EXPECT_EQ(ids(manager.getMatchingRemoteDevices(FLOPPY)), (std::vector<int>{1, 3}));
    EXPECT_EQ(ids(manager.getMatchingRemoteDevices(0)), (std::vector<int>{1, 3}));
    EXPECT_EQ(manager.getRemoteDeviceForId(2), nullptr);
    EXPECT_EQ(manager.getRemoteDeviceAt(2)->getId(), 3);
    EXPECT_EQ(manager.getRemoteDeviceAt(4), nullptr);
    EXPECT_EQ(manager.getRemoteDeviceAt(-1), nullptr);
}

TEST(DeviceManagerLookup, AddAndRemoveRemoteDevicesDirectly) {
    DeviceManager manager;
    DeviceManager other;
    RemoteDevice& added =
        manager.addRemoteDevice(std::make_unique<RemoteDevice>(other, 5, REMOTE_CD_DVD, 0, std::string("CD/DVD (0)")));
    EXPECT_EQ(added.getDeviceManager(), &manager);
    EXPECT_EQ(manager.getRemoteDeviceForId(5), &added);
    LocalDevice iso(manager, 0, ISO_IMAGE, "x.iso");
    manager.map(iso, added);

    RemoteDevice probe(manager, 5, REMOTE_CD_DVD, 0, "any name");
    EXPECT_TRUE(manager.removeRemoteDevice(probe)); // by id; the mapped medium is unmapped
    EXPECT_EQ(iso.getRemoteDevice(), nullptr);
    EXPECT_EQ(manager.getRemoteDeviceForId(5), nullptr);
    EXPECT_FALSE(manager.removeRemoteDevice(probe));
}

TEST(DeviceManagerLookup, LocalDevicesIdsAndIndexErrors) {
    TraceCapture trace;
    DeviceManager manager;
    EXPECT_EQ(manager.getNextLocalDeviceId(), 0);
    vtest::TempDir dir;
    std::string iso = dir.file("a.iso");
    vtest::writeFile(iso, std::string(4096, 'i'));
    std::vector<std::unique_ptr<LocalDevice>> devices;
    for (int id : {0, 1, 3}) {
        devices.push_back(std::make_unique<LocalDevice>(manager, id, ISO_IMAGE, iso));
        devices.back()->setPath(iso);
        manager.addLocalDevice(*devices.back());
    }
    EXPECT_EQ(manager.getNextLocalDeviceId(), 2);
    EXPECT_EQ(manager.getLocalDeviceCount(), 3);
    EXPECT_EQ(manager.getLocalDeviceAt(2), devices[2].get());
    EXPECT_EQ(manager.getLocalDeviceForId(3), devices[2].get());
    EXPECT_EQ(manager.getLocalDeviceForId(2), nullptr);
    try {
        manager.getLocalDeviceAt(3);
        ADD_FAILURE() << "no exception";
    } catch (const char* text) {
        EXPECT_STREQ(text, "Invalid index.");
    }
    EXPECT_TRUE(trace.has("DeviceManager::getLocalDeviceAt throw Exception: Invalid index.\n"));
    EXPECT_THROW(manager.getLocalDeviceAt(-1), const char*);

    // Two devices with id 0 (as the application registers them): the index holds the later.
    LocalDevice second(manager, 0, ISO_IMAGE, iso);
    manager.addLocalDevice(second);
    EXPECT_EQ(manager.getLocalDeviceForId(0), &second);
    manager.removeLocalDevice(second);
    EXPECT_EQ(manager.getLocalDeviceForId(0), devices[0].get());
    EXPECT_EQ(manager.getLocalDeviceCount(), 3);

    // A destroyed device leaves the registry.
    devices[1].reset();
    EXPECT_EQ(manager.getLocalDeviceForId(1), nullptr);
    EXPECT_EQ(manager.getLocalDeviceCount(), 2);
    EXPECT_EQ(manager.getNextLocalDeviceId(), 1);
}

TEST(DeviceManagerLookup, AllLocalIdsTaken) {
    DeviceManager manager;
    vtest::TempDir dir;
    std::string iso = dir.file("a.iso");
    vtest::writeFile(iso, std::string(2048, 'i'));
    std::vector<std::unique_ptr<LocalDevice>> devices;
    for (int id = 0; id < 255; ++id) {
        devices.push_back(std::make_unique<LocalDevice>(manager, id, ISO_IMAGE, iso));
        manager.addLocalDevice(*devices.back());
    }
    EXPECT_EQ(manager.getNextLocalDeviceId(), -1);
}

TEST(DeviceManagerLifetime, ListenersAndTeardownInEitherOrder) {
    RecordingListener first, second;
    auto orphanManager = std::make_unique<DeviceManager>();
    auto local = std::make_unique<LocalDevice>(*orphanManager, 0, FLOPPY_IMAGE, "f.img");
    orphanManager.reset(); // never registered, but made for it: detached all the same
    EXPECT_EQ(local->getDeviceManager(), nullptr);
    {
        DeviceManager manager;
        manager.addListener(first);
        manager.addListener(second);
        manager.addListener(first);
        EXPECT_TRUE(manager.removeListener(first)); // the first occurrence
        manager.updateRemoteDeviceList({block(0, "g")});
        EXPECT_EQ(first.calls.size(), 1u);
        EXPECT_EQ(second.calls.size(), 1u);
        EXPECT_TRUE(manager.removeListener(first));
        EXPECT_FALSE(manager.removeListener(first));

        // The registry goes first: the medium it knew forgets both the drive and the registry.
        vtest::TempDir dir;
        std::string img = dir.file("f.img");
        vtest::writeFile(img, std::string(1024, '\0'));
        local = std::make_unique<LocalDevice>(manager, 0, FLOPPY_IMAGE, img);
        local->setPath(img);
        manager.addLocalDevice(*local);
        manager.map(*local, *manager.getRemoteDeviceForId(0));
    }
    EXPECT_EQ(local->getRemoteDevice(), nullptr);
    EXPECT_EQ(local->getDeviceManager(), nullptr);
    local.reset(); // no registry left to touch

    // The medium goes first: the drive forgets it.
    DeviceManager manager;
    manager.updateRemoteDeviceList({block(0, "g")});
    auto medium = std::make_unique<LocalDevice>(manager, 0, FLOPPY_IMAGE, "f.img");
    manager.map(*medium, *manager.getRemoteDeviceForId(0));
    medium.reset();
    EXPECT_EQ(manager.getRemoteDeviceForId(0)->getLocalDevice(), nullptr);
    EXPECT_FALSE(manager.getRemoteDeviceForId(0)->isMapped());
}
