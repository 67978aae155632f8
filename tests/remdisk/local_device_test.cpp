// LocalDevice: the open attempts of each medium type, closing, the table of contents, and
// registration of real image files (properties filled in by the Linux media provider).
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "devices/DeviceManager.h"
#include "devices/DeviceTypes.h"
#include "devices/LocalDevice.h"
#include "media/LinuxVMProvider.h"
#include "test_support.h"
#include "trace_capture.h"

namespace {

// Records every open, lock and close; opens succeed only for the access listed in `grant`.
class ScriptedProvider : public LinuxVMProvider {
public:
    struct Open {
        bool write, lock;
        bool operator==(const Open& o) const { return write == o.write && lock == o.lock; }
    };
    std::vector<Open> opens;
    std::vector<Open> grant;
    std::vector<std::string> events;
    std::vector<int> typesSeen;

    long openDrive(const std::string&, bool write, bool lock) override {
        opens.push_back({write, lock});
        typesSeen.push_back(getType());
        for (const Open& g : grant)
            if (g == Open{write, lock})
                return 42;
        return -1;
    }
    int closeDrive(long handle) override {
        events.push_back("close " + std::to_string(handle));
        return 0;
    }
    int lockCd(std::string name) override {
        events.push_back("lock " + name);
        return -1;
    }
    int unLockCd(std::string name) override {
        events.push_back("unlock " + name);
        return -1;
    }
    int ejectCd(std::string name) override {
        events.push_back("eject " + name);
        return -1;
    }
};

} // namespace

TEST(LocalDeviceOpen, AttemptsPerType) {
    using O = ScriptedProvider::Open;
    struct Case {
        const char* what;
        int type;
        bool writableBefore;
        std::vector<O> grant;
        std::vector<O> expectedOpens;
        bool writableAfter;
        bool opened;
    };
    const std::vector<Case> cases = {
        {"floppy opens read/write at once", FLOPPY, true, {{true, true}}, {{true, true}}, true, true},
        {"write-protected floppy falls back", FLOPPY, true, {{false, true}},
         {{true, true}, {false, true}}, false, true},
        {"floppy needing a plain open", FLOPPY, true, {{false, false}},
         {{true, true}, {false, true}, {false, false}}, false, true},
        {"floppy asks for write even when not writable", FLOPPY, false, {{true, true}},
         {{true, true}}, false, true},
        {"floppy image like a floppy", FLOPPY_IMAGE, true, {{false, false}},
         {{true, true}, {false, true}, {false, false}}, false, true},
        {"ISO never asks for write", ISO_IMAGE, true, {{true, true}, {false, true}},
         {{false, true}}, false, true},
        {"CD read-only, then plain", CD_DVD, false, {{false, false}},
         {{false, true}, {false, false}}, false, true},
        {"CD offered writable falls back to read-only", CD_DVD, true, {{false, false}},
         {{true, true}, {false, false}}, false, true},
        {"nothing opens", FLOPPY, true, {}, {{true, true}, {false, true}, {false, false}}, false,
         false},
        {"unknown type makes no attempt", 0, true, {{true, true}}, {}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TraceCapture trace;
        DeviceManager manager;
        auto* provider = new ScriptedProvider;
        provider->grant = c.grant;
        manager.setVMProvider(provider);
        LocalDevice device(manager, 0, c.type, "/dev/medium");
        device.setPath("medium-path");
        device.setWritable(c.writableBefore);
        testing::internal::CaptureStdout();
        bool threw = false;
        try {
            device.openDevice(true);
        } catch (const char* text) {
            threw = true;
            EXPECT_STREQ(text, "Drive can not be accessed");
        }
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(threw, !c.opened);
        EXPECT_EQ(provider->opens, c.expectedOpens);
        EXPECT_EQ(device.isWritable(), c.writableAfter);
        EXPECT_EQ(device.isFileHandleValid(), c.opened);
        for (int type : provider->typesSeen)
            EXPECT_EQ(type, c.type) << "the provider learns the type before opening";
        EXPECT_TRUE(trace.has("LocalDevice::openDevice called\n"));
        if (!c.opened) {
            EXPECT_NE(out.find("Error: Drive can not be accessed.\n"), std::string::npos);
            EXPECT_TRUE(trace.has("LocalDevice::openDevice Drive can not be accessed, Throwing Exception.\n"));
        }
        bool lockMessage = out.find("\nUnable to lock medium-path") != std::string::npos;
        EXPECT_EQ(lockMessage, c.type == FLOPPY_IMAGE && c.grant.size() == 1 &&
                                   !(c.grant[0] == O{true, true}));
        bool lockedTray = !provider->events.empty() && provider->events[0] == "lock /dev/medium";
        EXPECT_EQ(lockedTray, c.type == CD_DVD);
    }
}

TEST(LocalDeviceOpen, ReopeningClosesTheHandleOpenedBeforeAndCloseEjectsACd) {
    DeviceManager manager;
    auto* provider = new ScriptedProvider;
    provider->grant = {{false, true}};
    manager.setVMProvider(provider);
    LocalDevice cd(manager, 0, CD_DVD, "/dev/sr0");
    cd.setFileHandle(17); // left open by initialize
    cd.openDevice(true);
    EXPECT_EQ(cd.getFileHandle(), 42);
    cd.closeDevice();
    EXPECT_EQ(cd.getFileHandle(), 0);
    EXPECT_EQ(provider->events, (std::vector<std::string>{"close 17", "lock /dev/sr0", "close 42",
                                                         "unlock /dev/sr0", "eject /dev/sr0"}));

    LocalDevice floppy(manager, 0, FLOPPY, "/dev/sdx");
    provider->events.clear();
    floppy.openDevice(true);
    floppy.closeDevice();
    EXPECT_EQ(provider->events, std::vector<std::string>{"close 42"}) << "no tray work";
}

TEST(LocalDeviceOpen, WithoutAProviderTheDriveCannotBeAccessed) {
    DeviceManager manager;
    LocalDevice device(manager, 0, FLOPPY_IMAGE, "x.img");
    testing::internal::CaptureStdout();
    EXPECT_THROW(device.openDevice(true), const char*);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(device.getCapacity(), 0);
    device.closeDevice();
}

TEST(LocalDeviceToc, ByType) {
    TraceCapture trace;
    DeviceManager manager;
    const unsigned char fixed[20] = {0x00, 0x12, 0x01, 0x01, 0x00, 0x14, 0x01, 0x00, 0x00, 0x00,
                                     0x00, 0x00, 0x00, 0x14, 0xAA, 0x00, 0x00, 0x11, 0x76, 0xE0};
    LocalDevice iso(manager, 0, ISO_IMAGE, "x.iso");
    int length = -1;
    unsigned char* toc = iso.getTOC(length);
    ASSERT_EQ(length, 20);
    EXPECT_EQ(std::vector<unsigned char>(toc, toc + 20), std::vector<unsigned char>(fixed, fixed + 20));
    EXPECT_TRUE(trace.has("LocalDevice::getTOC tocLength = 20\n"));

    LocalDevice floppy(manager, 0, FLOPPY, "/dev/sdx");
    length = -1;
    EXPECT_EQ(floppy.getTOC(length), nullptr);
    EXPECT_EQ(length, 0);

    LocalDevice cd(manager, 0, CD_DVD, "/dev/sr0");
    std::vector<unsigned char> read(900, 0x5A);
    cd.setCdTocData(read.data(), 900); // never more than 804 bytes
    EXPECT_EQ(cd.getTOC(length), cd.getCdTocData());
    EXPECT_EQ(length, 804);

    EXPECT_EQ(iso.getCdTocFromImage(nullptr), 0);
    EXPECT_FALSE(iso.isWritable());
    EXPECT_FALSE(cd.isWritable());
    EXPECT_TRUE(floppy.isWritable());
}

namespace {

// A FAT12 boot sector of a 1.44 MB floppy: jump, 512 bytes per sector, 9 sectors per FAT
// (offset 22), 18 sectors per track, 2 heads.
std::string floppyImage() {
    std::string image(1474560, '\0');
    const unsigned char bpb[] = {0xEB, 0x3C, 0x90, 'M', 'S', 'D', 'O', 'S', '5', '.', '0'};
    image.replace(0, sizeof bpb, reinterpret_cast<const char*>(bpb), sizeof bpb);
    auto put16 = [&](size_t at, int v) {
        image[at] = static_cast<char>(v & 0xFF);
        image[at + 1] = static_cast<char>(v >> 8);
    };
    put16(11, 512);
    put16(19, 2880);
    put16(22, 9);
    put16(24, 18);
    put16(26, 2);
    image[510] = 0x55;
    image[511] = static_cast<char>(0xAA);
    return image;
}

} // namespace

TEST(LocalDeviceRegistration, FloppyImageGetsSizeAndGeometryFromItsBootSector) {
    TraceCapture trace;
    vtest::TempDir dir;
    std::string img = dir.file("floppy.img");
    vtest::writeFile(img, floppyImage());
    DeviceManager manager;
    LocalDevice floppy(manager, 0, FLOPPY_IMAGE, img);
    floppy.setPath(img);
    manager.addLocalDevice(floppy);

    EXPECT_EQ(manager.getLocalDeviceCount(), 1);
    EXPECT_EQ(floppy.getDeviceManager(), &manager);
    EXPECT_EQ(floppy.getBlockSize(), 512);
    EXPECT_EQ(floppy.getCapacity(), 2880);
    EXPECT_EQ(floppy.getCylinders(), 80);
    EXPECT_EQ(floppy.getHeads(), 2);
    EXPECT_EQ(floppy.getSectors(), 18);
    EXPECT_TRUE(floppy.isWritable());
    EXPECT_FALSE(floppy.isFileHandleValid()) << "the geometry handle is closed again";
    EXPECT_TRUE(trace.has("LinuxVMProvider::getFileSize " + img + " blockSize: 512\n"));
    EXPECT_TRUE(trace.has("LinuxVMProvider::getFileSize 2880\n"));
    EXPECT_TRUE(trace.has("BootSector::load Detected BPB type boot sector.\n"));
}

TEST(LocalDeviceRegistration, IsoImageCountsWholeBlocksOnly) {
    vtest::TempDir dir;
    std::string iso = dir.file("disc.iso");
    vtest::writeFile(iso, std::string(1000000, 'c'));
    DeviceManager manager;
    LocalDevice cd(manager, 1, ISO_IMAGE, iso);
    cd.setPath(iso);
    manager.addLocalDevice(cd);
    EXPECT_EQ(cd.getBlockSize(), 2048);
    EXPECT_EQ(cd.getCapacity(), 488);
    EXPECT_FALSE(cd.isWritable());
    EXPECT_NE(manager.getVMProvider(), nullptr);
}

TEST(LocalDeviceRegistration, CapacityIsFilledInOnFirstUseWhenUnknown) {
    vtest::TempDir dir;
    std::string iso = dir.file("disc.iso");
    vtest::writeFile(iso, std::string(8192, 'c'));
    DeviceManager manager;
    manager.setVMProvider(new LinuxVMProvider);
    LocalDevice cd(manager, 1, ISO_IMAGE, iso);
    cd.setPath(iso);
    EXPECT_FALSE(cd.arePropertiesKnown());
    EXPECT_EQ(cd.getCapacity(), 4);
    EXPECT_TRUE(cd.arePropertiesKnown());
    vtest::writeFile(iso, std::string(2048, 'c'));
    EXPECT_EQ(cd.getCapacity(), 4) << "asked once only";
}

TEST(LocalDeviceRegistration, FailuresLeaveTheDeviceUnregistered) {
    TraceCapture trace;
    vtest::TempDir dir;
    DeviceManager manager;

    LocalDevice missing(manager, 0, ISO_IMAGE, dir.file("missing.iso"));
    missing.setPath(dir.file("missing.iso"));
    try {
        manager.addLocalDevice(missing);
        ADD_FAILURE() << "no exception";
    } catch (const std::string& path) {
        EXPECT_EQ(path, dir.file("missing.iso"));
    }
    EXPECT_TRUE(trace.has("LinuxVMProvider::getFileSize  failed to open " + dir.file("missing.iso") + "\n"));

    // A floppy image shorter than one sector has no readable boot sector.
    std::string tiny = dir.file("tiny.img");
    vtest::writeFile(tiny, std::string(100, '\xEB'));
    LocalDevice small(manager, 0, FLOPPY_IMAGE, tiny);
    small.setPath(tiny);
    try {
        manager.addLocalDevice(small);
        ADD_FAILURE() << "no exception";
    } catch (const char* text) {
        EXPECT_STREQ(text, "Drive is not available.");
    }
    EXPECT_TRUE(trace.has("BootSector::readSector Boot sector failed to read 0\n"));
    EXPECT_TRUE(trace.has("DeviceManager::addLocalDevice exception caught and thrown: Drive is not available.\n"));

    // A directory is no image.
    LocalDevice folder(manager, 0, FLOPPY_IMAGE, dir.path());
    folder.setPath(dir.path());
    EXPECT_THROW(manager.addLocalDevice(folder), std::string);

    // A CD/DVD "drive" that is a plain file has no capacity to read.
    std::string plain = dir.file("plain");
    vtest::writeFile(plain, std::string(4096, 'p'));
    LocalDevice cd(manager, 0, CD_DVD, plain);
    try {
        manager.addLocalDevice(cd);
        ADD_FAILURE() << "no exception";
    } catch (const char* text) {
        EXPECT_STREQ(text, "Unable to get Capacity.");
    }
    EXPECT_TRUE(trace.has("LinuxVMProvider::getCdCapacity ioctl BLKGETSIZE failed.\n"));
    LocalDevice usb(manager, 0, FLOPPY, plain);
    EXPECT_THROW(manager.addLocalDevice(usb), const char*);

    EXPECT_EQ(manager.getLocalDeviceCount(), 0);
}
