// The request processor on a live session: the scripted controller lists its disks, the test
// maps an ISO image and a floppy image, and the controller reads, writes, reports and
// releases.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "devices/DeviceTypes.h"
#include "devices/LocalDevice.h"
#include "devices/RemoteDevice.h"
#include "protocol/ClientStatusMessage.h"
#include "protocol/DeviceStatus.h"
#include "protocol/ReadRequest.h"
#include "protocol/ReadResponse.h"
#include "protocol/VDiskInfo.h"
#include "protocol/VDiskRelease.h"
#include "protocol/VDiskRequest.h"
#include "protocol/VDiskRequest2.h"
#include "protocol/VDiskWrite.h"
#include "session/MEDPSession.h"
#include "session_peer.h"
#include "test_support.h"
#include "trace_capture.h"

using rdtest::ScriptedController;
using Clock = std::chrono::steady_clock;

namespace {

const int kCdBlocks = 40;
const int kFloppyBlocks = 64;

std::string pattern(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 131 + seed * 7 + i / 512) & 0xFF);
    return s;
}

// A session serving cd.iso on disk 0 and floppy.img on disk 1 to the scripted controller.
class RequestProcessorSession : public ::testing::Test {
protected:
    void SetUp() override {
        vtest::writeFile(isoPath, isoData);
        vtest::writeFile(floppyPath, floppyData);
        session.setSilent(true);
        session.connect("127.0.0.1", controller.port());
        ASSERT_TRUE(controller.waitConnected());
        DeviceManager& manager = session.getDeviceManager();
        cd = std::make_unique<LocalDevice>(manager, 0, ISO_IMAGE, isoPath);
        cd->setPath(isoPath);
        manager.addLocalDevice(*cd);
        floppy = std::make_unique<LocalDevice>(manager, 0, FLOPPY_IMAGE, floppyPath);
        floppy->setPath(floppyPath);
        manager.addLocalDevice(*floppy);

        VDiskInfo info;
        info.addVDisk(2, 0, 0);
        info.addVDisk(1, 0, 0);
        ASSERT_TRUE(controller.send(info));
        ASSERT_TRUE(waitFor([&] { return manager.getRemoteDeviceForId(1) != nullptr; }));
        session.sendMapRequest(*cd, *manager.getRemoteDeviceForId(0), true);
        session.sendMapRequest2(*floppy, *manager.getRemoteDeviceForId(1), true);
        auto map = controller.receiveSkippingHeartbeats();
        ASSERT_TRUE(map);
        ASSERT_EQ(map->getPacketType(), MEDPPacket::VDISK_REQUEST);
        EXPECT_EQ(static_cast<VDiskRequest*>(map.get())->getCapacity(), kCdBlocks);
        map = controller.receiveSkippingHeartbeats();
        ASSERT_TRUE(map);
        ASSERT_EQ(map->getPacketType(), MEDPPacket::VDISK_REQUEST2);
        EXPECT_EQ(static_cast<VDiskRequest2*>(map.get())->getCapacity(), kFloppyBlocks);
        EXPECT_EQ(static_cast<VDiskRequest2*>(map.get())->getDriveFlags(), 0);
        EXPECT_EQ(session.getNumMaps(), 2);
    }
    void TearDown() override { session.stopSession(); }

    static bool waitFor(const std::function<bool()>& condition) {
        auto until = Clock::now() + std::chrono::seconds(5);
        while (!condition()) {
            if (Clock::now() > until)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    // Sends a read and collects the answers up to the client status.
    struct ReadAnswer {
        std::vector<int> blocks;  // blocks per response packet
        std::vector<int> offsets; // offset field per response packet
        std::string data;
        int status = -100;
    };
    ReadAnswer read(int disk, int offset, int count, int maxBlocks) {
        ReadRequest r;
        r.setRemoteDiskId(disk);
        r.setOffset(offset);
        r.setBlockCount(count);
        r.setMaxBlocksPerPacket(maxBlocks);
        ReadAnswer a;
        if (!controller.send(r))
            return a;
        while (auto p = controller.receiveSkippingHeartbeats()) {
            if (p->getPacketType() == MEDPPacket::READ_RESPONSE) {
                auto* rr = static_cast<ReadResponse*>(p.get());
                a.blocks.push_back(rr->getBlockCount());
                a.offsets.push_back(rr->getOffset());
                a.data.append(reinterpret_cast<const char*>(rr->getData()),
                              static_cast<size_t>(rr->getDataLength()));
                continue;
            }
            if (p->getPacketType() == MEDPPacket::CLIENT_STATUS)
                a.status = static_cast<ClientStatusMessage*>(p.get())->getStatus();
            break;
        }
        return a;
    }
    int write(int disk, int offset, int count, const std::string& data) {
        VDiskWrite w;
        w.setRemoteDiskId(disk);
        w.setOffset(offset);
        w.setBlockCount(count);
        w.setData(reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
        if (!controller.send(w))
            return -100;
        auto p = controller.receiveSkippingHeartbeats();
        if (!p || p->getPacketType() != MEDPPacket::CLIENT_STATUS)
            return -100;
        return static_cast<ClientStatusMessage*>(p.get())->getStatus();
    }

    // Swapped in before any session thread runs, restored after they have ended.
    TraceCapture trace;
    vtest::TempDir dir;
    std::string isoPath = dir.file("cd.iso");
    std::string floppyPath = dir.file("floppy.img");
    std::string isoData = pattern(kCdBlocks * 2048, 1);
    // No boot sector: the geometry comes from the file size.
    std::string floppyData = std::string(512, '\0') + pattern((kFloppyBlocks - 1) * 512, 2);
    ScriptedController controller{4};
    MEDPSession session;
    std::unique_ptr<LocalDevice> cd;
    std::unique_ptr<LocalDevice> floppy;
};

} // namespace

TEST_F(RequestProcessorSession, ReadsAreSplitIntoPacketsOfAtMostMaxBlocksEachCarryingTheRequestOffset) {
    struct {
        int offset, count, maxBlocks;
        std::vector<int> blocks;
    } cases[] = {
        {0, 16, 8, {8, 8}},
        {4, 20, 8, {8, 8, 4}},
        {kCdBlocks - 3, 3, 255, {3}},
        {2, 5, 0, {1, 1, 1, 1, 1}}, // a limit below one block reads as one block per packet
    };
    for (const auto& c : cases) {
        ReadAnswer a = read(0, c.offset, c.count, c.maxBlocks);
        EXPECT_EQ(a.status, 0) << c.offset;
        EXPECT_EQ(a.blocks, c.blocks) << c.offset;
        EXPECT_EQ(a.offsets, std::vector<int>(c.blocks.size(), c.offset));
        EXPECT_TRUE(a.data == isoData.substr(size_t(c.offset) * 2048, size_t(c.count) * 2048));
    }
    // The buffer is sized by the largest request and reused.
    EXPECT_EQ(session.getRequestProcessor().getReadBufferSize(), 20 * 2048);
}

TEST_F(RequestProcessorSession, ReadsAtOrPastTheEndOfTheMediumEndWithAStatus) {
    // Runs past the end: the blocks that exist, then "Read failed".
    ReadAnswer a = read(0, kCdBlocks - 2, 5, 8);
    EXPECT_EQ(a.blocks, std::vector<int>{2});
    EXPECT_EQ(a.status, 2);
    a = read(0, kCdBlocks, 1, 8);
    EXPECT_TRUE(a.blocks.empty());
    EXPECT_EQ(a.status, 2);
    a = read(0, -1, 1, 8);
    EXPECT_EQ(a.status, 2);
    // The session keeps serving.
    a = read(1, 0, 2, 8);
    EXPECT_EQ(a.status, 0);
    EXPECT_TRUE(a.data == floppyData.substr(0, 1024));
}

TEST_F(RequestProcessorSession, RequestsForUnknownDisksAreRefusedWithStatusSeven) {
    EXPECT_EQ(read(5, 0, 1, 8).status, 7);
    EXPECT_EQ(write(5, 0, 1, std::string(512, 'x')), 7);
}

TEST_F(RequestProcessorSession, WritesLandExactlyWhereAskedAndBadWritesChangeNothing) {
    // The ISO image is never writable.
    EXPECT_EQ(write(0, 0, 1, std::string(2048, 'x')), 7);
    EXPECT_TRUE(vtest::readFile(isoPath) == isoData);

    std::string block = pattern(2 * 512, 9);
    EXPECT_EQ(write(1, 3, 2, block), 0);
    std::string expected = floppyData;
    expected.replace(3 * 512, block.size(), block);
    EXPECT_TRUE(vtest::readFile(floppyPath) == expected);

    // More blocks than the data carries, past the end, and before the start.
    EXPECT_EQ(write(1, 5, 4, std::string(2 * 512, 'y')), 3);
    EXPECT_EQ(write(1, kFloppyBlocks - 1, 2, std::string(2 * 512, 'z')), 3);
    EXPECT_EQ(write(1, -1, 1, std::string(512, 'w')), 3);
    EXPECT_TRUE(vtest::readFile(floppyPath) == expected);
    // And a read sees the written blocks.
    EXPECT_TRUE(read(1, 3, 2, 8).data == block);
}

TEST_F(RequestProcessorSession, DeviceStatusSixUnmapsTheDriveAndFiveOnlyTraces) {
    DeviceStatus five;
    five.setRemoteDiskId(1);
    five.setStatus(5);
    ASSERT_TRUE(controller.send(five));
    EXPECT_EQ(read(1, 0, 1, 8).status, 0);
    EXPECT_TRUE(trace.has("Error Status: 5 [Drive already attached]"));

    DeviceStatus six;
    six.setRemoteDiskId(1);
    six.setStatus(6);
    ASSERT_TRUE(controller.send(six));
    EXPECT_EQ(read(1, 0, 1, 8).status, 7);
    EXPECT_EQ(read(0, 0, 1, 8).status, 0);
}

TEST_F(RequestProcessorSession, ReleasingOneMediumKeepsTheSessionAndTheLastEndsItAfterItsAnswer) {
    VDiskRelease release(MEDPPacket::VDISK_RELEASE_CONTROLLER);
    release.setRemoteDiskId(1);
    ASSERT_TRUE(controller.send(release));
    auto p = controller.receiveSkippingHeartbeats();
    ASSERT_TRUE(p);
    ASSERT_EQ(p->getPacketType(), MEDPPacket::VDISK_RELEASE_CLIENT);
    EXPECT_EQ(static_cast<VDiskRelease*>(p.get())->getRemoteDiskId(), 1);
    ASSERT_TRUE(waitFor([&] { return session.getNumMaps() == 1; }));
    EXPECT_FALSE(session.isSessionStopped());
    EXPECT_FALSE(floppy->isFileHandleValid());
    // Released twice: refused.
    ASSERT_TRUE(controller.send(release));
    p = controller.receiveSkippingHeartbeats();
    ASSERT_TRUE(p);
    ASSERT_EQ(p->getPacketType(), MEDPPacket::CLIENT_STATUS);
    EXPECT_EQ(static_cast<ClientStatusMessage*>(p.get())->getStatus(), 7);

    release.setRemoteDiskId(0);
    ASSERT_TRUE(controller.send(release));
    p = controller.receiveSkippingHeartbeats();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->getPacketType(), MEDPPacket::VDISK_RELEASE_CLIENT);
    ASSERT_TRUE(waitFor([&] { return session.isSessionStopped(); }));
    EXPECT_FALSE(cd->isFileHandleValid());
}

TEST(RequestProcessorDiskList, DiskTypesBecomeNamedRemoteDevicesAndUnknownTypesAreSkipped) {
    MEDPSession session;
    VDiskInfo info;
    for (int type : {2, 1, 3, 4})
        info.addVDisk(type, 0, 0);
    session.getRequestProcessor().process(&info);
    DeviceManager& m = session.getDeviceManager();
    ASSERT_EQ(m.getRemoteDeviceCount(), 3);
    struct {
        int id, type;
        const char* name;
    } expected[] = {{0, REMOTE_CD_DVD, "CD/DVD (0)"},
                    {1, REMOTE_BLOCK_DEVICE, "Generic Block Device (0)"},
                    {3, REMOTE_BLOCK_DEVICE, "Generic Block Device (1)"}};
    for (const auto& e : expected) {
        RemoteDevice* d = m.getRemoteDeviceForId(e.id);
        ASSERT_NE(d, nullptr) << e.id;
        EXPECT_EQ(d->getType(), e.type);
        EXPECT_EQ(d->getDisplayableType(), e.name);
    }
    EXPECT_EQ(m.getRemoteDeviceForId(2), nullptr);
}
