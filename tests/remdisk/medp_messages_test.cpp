// MEDP message codecs: byte-exact vectors in both directions, and the length rules.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "memory_stream.h"
#include "protocol/ClientStatusMessage.h"
#include "protocol/DeviceStatus.h"
#include "protocol/GetVDiskInfo.h"
#include "protocol/Heartbeat.h"
#include "protocol/LoginMessage.h"
#include "protocol/LoginResponse.h"
#include "protocol/PacketReceiver.h"
#include "protocol/ReadRequest.h"
#include "protocol/ReadResponse.h"
#include "protocol/VDiskInfo.h"
#include "protocol/VDiskRelease.h"
#include "protocol/VDiskRequest.h"
#include "protocol/VDiskRequest2.h"
#include "protocol/VDiskWrite.h"

using rdtest::hex;
using rdtest::MemoryInputStream;
using rdtest::toHex;

namespace {

std::string zeros(int n) { return std::string(2 * n, '0'); }

std::vector<unsigned char> authBytes() {
    std::vector<unsigned char> a(32);
    for (int i = 0; i < 32; ++i)
        a[i] = static_cast<unsigned char>(0xA0 + i);
    return a;
}

const char* const ISO_TOC = "0012 0101 0014 0100 0000 0000 0014 AA00 0011 76E0";

// Header and payload exactly as the send thread writes them.
std::string wire(MEDPPacket& p) {
    std::unique_ptr<unsigned char[]> h(p.encodeHeader());
    std::unique_ptr<unsigned char[]> b(p.encodePayload());
    std::string s = toHex(h.get(), MEDPPacket::HEADER_SIZE);
    if (b)
        s += toHex(b.get(), p.getPayloadLength());
    return s;
}

struct Vector {
    const char* name;
    std::function<MEDPPacket*()> build;          // the message as its sender builds it
    std::string bytes;                           // header + payload
    bool fromClient;                             // which side's receiver decodes it
    std::function<void(MEDPPacket&)> checkFields; // the fields the receiving side reads
};

std::vector<Vector> vectors() {
    std::string auth = toHex(authBytes().data(), 32);
    return {
        {"login root",
         [] {
             auto* m = new LoginMessage();
             m->setCredentials("root", authBytes().data(), 32);
             return m;
         },
         "4D454450 00000099 0100 0000" "0072 6F6F 74" + zeros(92) + auth + zeros(12), true,
         [](MEDPPacket& p) {
             auto& m = dynamic_cast<LoginMessage&>(p);
             EXPECT_EQ(m.getUserName(), "root");
             EXPECT_EQ(0, std::memcmp(m.getAuthData(), authBytes().data(), 32));
         }},
        {"login a",
         [] {
             auto* m = new LoginMessage();
             m->setCredentials("a", authBytes().data(), 32);
             return m;
         },
         "4D454450 00000099 0100 0000" "0061 0001" + zeros(93) + auth + zeros(12), true,
         [](MEDPPacket& p) { EXPECT_EQ(dynamic_cast<LoginMessage&>(p).getUserName(), "a"); }},
        {"login ab keeps the length byte on the wire",
         [] {
             auto* m = new LoginMessage();
             m->setCredentials("ab", authBytes().data(), 32);
             return m;
         },
         "4D454450 00000099 0100 0000" "0061 6202" + zeros(93) + auth + zeros(12), true,
         [](MEDPPacket& p) { EXPECT_EQ(dynamic_cast<LoginMessage&>(p).getUserName(), "ab"); }},
        {"map request ISO",
         [] {
             auto* m = new VDiskRequest();
             m->setRemoteDiskId(1);
             m->setBlockSize(2048);
             m->setCapacity(300000);
             m->setDriveFlags(1);
             m->setRequestBlockLimit(255);
             std::vector<unsigned char> toc = hex(ISO_TOC);
             m->setTOC(toc.data(), 0, static_cast<int>(toc.size()));
             return m;
         },
         std::string("4D454450 0000002C 0210 0001" "00000800 000493E0 01 FF 0014") + ISO_TOC, true,
         [](MEDPPacket& p) {
             auto& m = dynamic_cast<VDiskRequest&>(p);
             EXPECT_EQ(m.getRemoteDiskId(), 1);
             EXPECT_EQ(m.getCapacity(), 300000);
             EXPECT_EQ(m.getTOCLength(), 20);
         }},
        {"map request floppy 2880",
         [] {
             auto* m = new VDiskRequest2();
             m->setBlockSize(512);
             m->setCapacity(2880);
             m->setDriveFlags(0);
             m->setRequestBlockLimit(255);
             m->setCylinders(80);
             m->setHeads(2);
             m->setSectors(18);
             return m;
         },
         "4D454450 0000001A 0211 0000" "00000200 00000B40 00 FF 0050 02 12", true,
         [](MEDPPacket& p) {
             auto& m = dynamic_cast<VDiskRequest2&>(p);
             EXPECT_EQ(m.getCylinders(), 80);
             EXPECT_EQ(m.getSectors(), 18);
         }},
        {"map request 100 blocks clamps byte 9 to the capacity",
         [] {
             auto* m = new VDiskRequest2();
             m->setRemoteDiskId(2);
             m->setBlockSize(512);
             m->setCapacity(100);
             m->setDriveFlags(1);
             m->setRequestBlockLimit(255);
             m->setCylinders(1);
             m->setHeads(1);
             m->setSectors(100);
             return m;
         },
         "4D454450 0000001A 0211 0002" "00000200 00000064 01 64 0001 01 64", true,
         [](MEDPPacket& p) { EXPECT_EQ(dynamic_cast<VDiskRequest2&>(p).getClampedCapacity(), 100); }},
        {"client status 3 -1",
         [] { return new ClientStatusMessage(3, -1); },
         "4D454450 00000010 0410 0003" "FFFFFFFF", true,
         [](MEDPPacket& p) {
             auto& m = dynamic_cast<ClientStatusMessage&>(p);
             EXPECT_EQ(m.getRemoteDiskId(), 3);
             EXPECT_EQ(m.getStatus(), -1);
         }},
        {"get vdisk info header", [] { return new GetVDiskInfo(); }, "4D454450 0000000C 0200 FFFF", true,
         nullptr},
        {"heartbeat header", [] { return new Heartbeat(); }, "4D454450 0000000C 0400 0000", true, nullptr},
        {"client release",
         [] {
             auto* m = new VDiskRelease();
             m->setRemoteDiskId(1);
             return m;
         },
         "4D454450 0000000C 0220 0001", true,
         [](MEDPPacket& p) { EXPECT_EQ(dynamic_cast<VDiskRelease&>(p).getRemoteDiskId(), 1); }},
        {"read response",
         [] {
             auto* m = new ReadResponse();
             m->setRemoteDistId(1);
             m->setOffset(16);
             m->setBlockCount(1);
             std::vector<unsigned char> data = hex("0102030405");
             m->setData(data.data(), 1, 4);
             return m;
         },
         "4D454450 00000018 0300 0001" "00000010 00000001 02030405", true,
         [](MEDPPacket& p) {
             auto& m = dynamic_cast<ReadResponse&>(p);
             EXPECT_EQ(m.getOffset(), 16);
             EXPECT_EQ(m.getDataLength(), 4);
         }},
        {"vdisk info two disks",
         [] {
             auto* m = new VDiskInfo();
             m->addVDisk(1, 0, 0);
             m->addVDisk(2, 0, 0);
             return m;
         },
         "4D454450 00000016 8200 0000" "0002 01000000 02000000", false,
         [](MEDPPacket& p) {
             auto& m = dynamic_cast<VDiskInfo&>(p);
             ASSERT_EQ(m.getVDiskCount(), 2);
             EXPECT_EQ(m.getVDiskTypeAt(0), 1);
             EXPECT_EQ(m.getVDiskTypeAt(1), 2);
             EXPECT_EQ(m.getVDiskTypeAt(2), -1);
         }},
        {"login response",
         [] {
             auto* m = new LoginResponse();
             m->setLoginStatus(1);
             m->setFlags(2);
             m->setUserName("root");
             return m;
         },
         "4D454450 00000013 8100 0000" "01 02 04 726F6F74", false,
         [](MEDPPacket& p) {
             auto& m = dynamic_cast<LoginResponse&>(p);
             EXPECT_EQ(m.getLoginStatus(), 1);
             EXPECT_EQ(m.getFlags(), 2);
         }},
        {"read request",
         [] {
             auto* m = new ReadRequest();
             m->setRemoteDiskId(0x8001);
             m->setOffset(0x10203);
             m->setBlockCount(16);
             m->setMaxBlocksPerPacket(8);
             return m;
         },
         "4D454450 00000018 8300 8001" "00010203 00000010 00000008", false,
         [](MEDPPacket& p) {
             auto& m = dynamic_cast<ReadRequest&>(p);
             EXPECT_EQ(m.getRemoteDiskId(), 0x8001);  // unsigned disk id
             EXPECT_EQ(m.getBlockCount(), 16);
         }},
        {"vdisk write",
         [] {
             auto* m = new VDiskWrite();
             m->setRemoteDiskId(1);
             m->setOffset(8);
             m->setBlockCount(1);
             std::vector<unsigned char> data = hex("AABBCCDD");
             m->setData(data.data(), 4);
             return m;
         },
         "4D454450 00000018 8310 0001" "00000008 00000001 AABBCCDD", false,
         [](MEDPPacket& p) { EXPECT_EQ(dynamic_cast<VDiskWrite&>(p).getDataLength(), 4); }},
        {"controller release",
         [] {
             auto* m = new VDiskRelease(MEDPPacket::VDISK_RELEASE_CONTROLLER);
             m->setRemoteDiskId(2);
             return m;
         },
         "4D454450 0000000C 8240 0002", false,
         [](MEDPPacket& p) { EXPECT_EQ(dynamic_cast<VDiskRelease&>(p).getRemoteDiskId(), 2); }},
        {"device status",
         [] {
             auto* m = new DeviceStatus();
             m->setRemoteDiskId(1);
             m->setStatus(6);
             return m;
         },
         "4D454450 00000010 8410 0001" "00000006", false,
         [](MEDPPacket& p) { EXPECT_EQ(dynamic_cast<DeviceStatus&>(p).getStatus(), 6); }},
    };
}

}  // namespace

// Every message encodes to its exact bytes, the receiver of the other side decodes those
// bytes into the same fields, and re-encoding the decoded message gives the bytes again.
TEST(MEDPMessages, ByteExactVectorsBothDirections) {
    for (const Vector& v : vectors()) {
        SCOPED_TRACE(v.name);
        std::vector<unsigned char> bytes = hex(v.bytes);
        std::unique_ptr<MEDPPacket> built(v.build());
        EXPECT_EQ(wire(*built), toHex(bytes.data(), bytes.size()));
        EXPECT_EQ(built->getPacketLength(), static_cast<int>(bytes.size()));

        MemoryInputStream in(bytes);
        PacketReceiver receiver(v.fromClient);
        std::unique_ptr<MEDPPacket> got(receiver.receive(in));
        ASSERT_NE(got, nullptr);
        EXPECT_EQ(in.remaining(), 0u);
        EXPECT_EQ(got->getPacketType(), built->getPacketType());
        EXPECT_EQ(got->getDisplayMessage(), built->getDisplayMessage());
        if (v.checkFields)
            v.checkFields(*got);
        EXPECT_EQ(wire(*got), toHex(bytes.data(), bytes.size()));
    }
}

TEST(MEDPMessages, LoginNameAndCredentialRules) {
    LoginMessage ok;
    ok.setCredentials(std::string(95, 'u'), authBytes().data(), 32);
    delete[] ok.encodePayload();

    LoginMessage tooLong;
    tooLong.setCredentials(std::string(96, 'u'), authBytes().data(), 32);
    try {
        delete[] tooLong.encodePayload();
        FAIL() << "96-character name accepted";
    } catch (const char* e) {
        EXPECT_STREQ(e, "Invalid username specified for login request.");
    }

    // Without credentials the auth length is wrong; a long name is still reported first.
    LoginMessage noAuth;
    try {
        delete[] noAuth.encodePayload();
        FAIL();
    } catch (const char* e) {
        EXPECT_STREQ(e, "Invalid auth data length in login request.");
    }

    // An empty password gives an all-zero block; a credential over 32 bytes is cut, never
    // copied past the block.
    LoginMessage empty;
    empty.setCredentials("root", nullptr, 0);
    std::unique_ptr<unsigned char[]> p(empty.encodePayload());
    EXPECT_EQ(toHex(p.get() + 97, 32), zeros(32));
    std::vector<unsigned char> big(64, 0x5A);
    LoginMessage cut;
    cut.setCredentials("root", big.data(), 64);
    EXPECT_EQ(cut.getAuthLength(), 32);
    std::unique_ptr<unsigned char[]> q(cut.encodePayload());
    EXPECT_EQ(q[128], 0x5A);
    EXPECT_EQ(q[129], 0);
}

TEST(MEDPMessages, VDiskWriteDataIsBoundedByWhatArrived) {
    std::vector<unsigned char> pkt = hex("4D454450 00000414 8310 0001 00000000 00000004");
    pkt.resize(1044, 0x11);
    MemoryInputStream in(pkt);
    PacketReceiver receiver;
    std::unique_ptr<MEDPPacket> got(receiver.receive(in));
    auto& w = dynamic_cast<VDiskWrite&>(*got);
    EXPECT_EQ(w.getDataLength(), 1024);
    EXPECT_TRUE(w.holdsBlocks(256));
    // Four blocks of 512 would be 2048 bytes: only the 1024 carried are copied.
    EXPECT_FALSE(w.holdsBlocks(512));
    std::vector<unsigned char> dst(4096, 0);
    EXPECT_EQ(w.getData(dst.data(), 512), 1024);
    EXPECT_EQ(dst[1023], 0x11);
    EXPECT_EQ(dst[1024], 0);
    EXPECT_EQ(w.getBlockSize(), 512);
}

TEST(MEDPMessages, StatusTexts) {
    EXPECT_STREQ(DeviceStatus::statusText(0), "");
    EXPECT_STREQ(DeviceStatus::statusText(5), "Drive already attached");
    EXPECT_STREQ(DeviceStatus::statusText(9), "Unknown cause");
    EXPECT_STREQ(DeviceStatus::statusText(10), "Unspecified error.");
    EXPECT_STREQ(DeviceStatus::statusText(-1), "Unspecified error.");
}
