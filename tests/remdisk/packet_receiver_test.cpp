// PacketReceiver: framing, buffer growth, the payload limit and refused packets.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "memory_stream.h"
#include "protocol/LoginResponse.h"
#include "protocol/PacketReceiver.h"
#include "protocol/ReadRequest.h"
#include "protocol/VDiskInfo.h"
#include "protocol/VDiskRelease.h"

using rdtest::hex;
using rdtest::MemoryInputStream;

namespace {

std::vector<unsigned char> packet(int type, int length, int payloadBytes, unsigned char fill = 0) {
    std::vector<unsigned char> p = {'M', 'E', 'D', 'P'};
    for (int s = 24; s >= 0; s -= 8)
        p.push_back(static_cast<unsigned char>(static_cast<unsigned>(length) >> s));
    p.push_back(static_cast<unsigned char>(type >> 8));
    p.push_back(static_cast<unsigned char>(type));
    p.push_back(0);
    p.push_back(1);
    p.insert(p.end(), payloadBytes, fill);
    return p;
}

std::vector<unsigned char> concat(std::vector<std::vector<unsigned char>> parts) {
    std::vector<unsigned char> all;
    for (auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::string thrownText(PacketReceiver& r, MemoryInputStream& in) {
    try {
        delete r.receive(in);
    } catch (const char* e) {
        return e;
    }
    return "(nothing thrown)";
}

}  // namespace

TEST(PacketReceiver, HeaderOnlyPacketAndUnsignedType) {
    MemoryInputStream in(concat({packet(0x8240, 12, 0), hex("4D454450 00000018 8300 0002"),
                                 std::vector<unsigned char>(12, 0)}));
    PacketReceiver r;
    std::unique_ptr<MEDPPacket> release(r.receive(in));
    ASSERT_NE(release, nullptr);
    EXPECT_EQ(release->getPacketType(), 0x8240);
    EXPECT_EQ(dynamic_cast<VDiskRelease&>(*release).getRemoteDiskId(), 1);
    EXPECT_EQ(in.position(), 12u);  // no payload bytes read
    std::unique_ptr<MEDPPacket> read(r.receive(in));
    ASSERT_NE(dynamic_cast<ReadRequest*>(read.get()), nullptr);
    EXPECT_EQ(read->getPacketType(), 33536);
}

TEST(PacketReceiver, PayloadBufferGrowsToExactSizeAndIsReused) {
    PacketReceiver r;
    EXPECT_EQ(r.getPayloadCapacity(), 1024);
    MemoryInputStream in(concat({packet(0x8100, 12 + 2000, 2000), packet(0x8100, 12 + 100, 100),
                                 packet(0x8100, 12 + 32767, 32767)}));
    delete r.receive(in);
    EXPECT_EQ(r.getPayloadCapacity(), 2000);
    delete r.receive(in);
    EXPECT_EQ(r.getPayloadCapacity(), 2000);
    std::unique_ptr<MEDPPacket> big(r.receive(in));
    EXPECT_NE(big, nullptr);
    EXPECT_EQ(r.getPayloadCapacity(), 32767);
}

TEST(PacketReceiver, PayloadOverLimitThrowsPacketLengthAndReadsNothing) {
    PacketReceiver r;
    MemoryInputStream in(packet(0x8100, 12 + 32768, 32768));
    try {
        delete r.receive(in);
        FAIL() << "oversized payload accepted";
    } catch (int length) {
        EXPECT_EQ(length, 32780);
    }
    EXPECT_EQ(in.position(), 12u);
    EXPECT_EQ(r.getPayloadCapacity(), 1024);
}

TEST(PacketReceiver, UnknownTypesAreConsumedAndYieldNull) {
    PacketReceiver r;
    MemoryInputStream in(concat({packet(0x0300, 20, 8), packet(0x8400, 16, 4), packet(0x8240, 12, 0)}));
    EXPECT_EQ(r.receive(in), nullptr);
    EXPECT_EQ(r.receive(in), nullptr);
    std::unique_ptr<MEDPPacket> next(r.receive(in));
    ASSERT_NE(next, nullptr);  // still in step
    EXPECT_EQ(next->getPacketType(), 0x8240);
}

TEST(PacketReceiver, RefusedPackets) {
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
        const char* error;
    };
    const char* shortPayload = MEDPPacket::SHORT_PAYLOAD;
    std::vector<unsigned char> medq = packet(0x8240, 12, 0);
    medq[3] = 'Q';
    std::vector<Case> cases = {
        {"magic MEDQ", medq, "Bad magic string while reading MEDP packet."},
        {"length 11", packet(0x8240, 11, 0), "Bad packet length while reading MEDP packet."},
        {"length 0", packet(0x8240, 0, 0), "Bad packet length while reading MEDP packet."},
        {"negative length", packet(0x8240, -5, 0), "Bad packet length while reading MEDP packet."},
        {"closed in header", hex("4D454450 0000"), "Socket Closed by peer."},
        {"closed in payload", packet(0x8300, 24, 5), "Socket Closed by peer."},
        {"empty stream", {}, "Socket Closed by peer."},
        {"login response 2 bytes", packet(0x8100, 14, 2), shortPayload},
        {"read request 11 bytes", packet(0x8300, 23, 11), shortPayload},
        {"device status 3 bytes", packet(0x8410, 15, 3), shortPayload},
        {"vdisk write below 20", packet(0x8310, 19, 7), shortPayload},
        {"vdisk info without count", packet(0x8200, 13, 1), shortPayload},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        PacketReceiver r;
        MemoryInputStream in(c.bytes);
        EXPECT_EQ(thrownText(r, in), c.error);
    }
}

// A short packet after a long one must not pick up the long one's bytes from the buffer.
TEST(PacketReceiver, ShortPayloadNeverReadsStaleBytes) {
    PacketReceiver r;
    std::vector<unsigned char> stale = packet(0x8100, 12 + 1000, 1000, 0x01);
    // Announces 10 disks but carries one record.
    std::vector<unsigned char> info = hex("4D454450 00000012 8200 0000 000A 02000000");
    MemoryInputStream in(concat({stale, info, stale, packet(0x8100, 13, 1)}));
    delete r.receive(in);
    std::unique_ptr<MEDPPacket> got(r.receive(in));
    auto& list = dynamic_cast<VDiskInfo&>(*got);
    EXPECT_EQ(list.getVDiskCount(), 1);
    EXPECT_TRUE(list.wasCutShort());
    EXPECT_EQ(list.getAnnouncedCount(), 10);
    EXPECT_EQ(list.getVDiskTypeAt(0), 2);
    delete r.receive(in);
    EXPECT_EQ(thrownText(r, in), MEDPPacket::SHORT_PAYLOAD);  // no stale status byte used
}
