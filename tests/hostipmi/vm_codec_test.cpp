// The VM protocol codec: the bytes ipmi_sim was seen to send, escaping of the framing bytes,
// and the decoder's handling of broken or split frames.
#include "bmc_link.h"
#include "vm_codec.h"

#include <gtest/gtest.h>

using namespace vmcodec;

TEST(VmCodec, GetDeviceIdAsSeenOnTheWire) {
    Request req;
    req.seq = 1;
    req.netfn = 0x06;
    req.cmd = 0x01;
    EXPECT_EQ(encodeRequest(req), (Bytes{0x01, 0x18, 0x01, 0xE6, 0xA0}));

    Bytes wire{0x01, 0x1C, 0x01, 0x00, 0x00, 0x03, 0x09, 0x08, 0x02, 0x9F, 0x91,
               0x12, 0x00, 0x02, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x79, 0xA0};
    Decoder d;
    std::vector<Frame> frames;
    d.feed(wire.data(), wire.size(), frames);
    ASSERT_EQ(frames.size(), 1u);
    Response rsp;
    ASSERT_TRUE(parseResponse(frames[0], rsp));
    EXPECT_EQ(rsp.seq, 1);
    EXPECT_EQ(rsp.netfn, 0x07);
    EXPECT_EQ(rsp.cmd, 0x01);
    EXPECT_EQ(rsp.cc, 0x00);
    EXPECT_EQ(rsp.data.size(), 15u);
    EXPECT_EQ(rsp.data[6], 0x91);
    EXPECT_EQ(encodeResponse(rsp), wire);
}

TEST(VmCodec, FramingBytesAreEscapedAndRestored) {
    Response r;
    r.seq = 0xA0;
    r.netfn = 0x2F;
    r.cmd = 0xA1;
    r.cc = 0;
    r.data = {0xAA, 0x10, 0xB0, 0xA0};
    Bytes wire = encodeResponse(r);
    for (size_t i = 0; i + 1 < wire.size(); ++i) {
        EXPECT_NE(wire[i], 0xA0) << i;
        EXPECT_NE(wire[i], 0xA1) << i;
    }
    EXPECT_EQ(wire[0], 0xAA);
    EXPECT_EQ(wire[1], 0xB0);
    Decoder d;
    std::vector<Frame> frames;
    for (uint8_t b : wire) d.feed(&b, 1, frames); // byte by byte, as TCP may split it
    ASSERT_EQ(frames.size(), 1u);
    Response back;
    ASSERT_TRUE(parseResponse(frames[0], back));
    EXPECT_EQ(back.seq, 0xA0);
    EXPECT_EQ(back.cmd, 0xA1);
    EXPECT_EQ(back.data, r.data);
}

TEST(VmCodec, ControlCommandsAndBrokenFrames) {
    Bytes wire = encodeControl({kCtlVersion, kProtocolVersion});
    EXPECT_EQ(wire, (Bytes{0xFF, 0x01, 0xA1}));
    Bytes more{0x00, 0xA1,                   // "no attention"
               0x01, 0x18, 0x01, 0xE7, 0xA0, // bad checksum
               0x01, 0xA0,                   // too short
               0x01, 0xAA, 0xA0,             // dangling escape
               0xA1};                        // empty control
    wire.insert(wire.end(), more.begin(), more.end());
    Bytes good = encodeRequest(Request{7, 0x06, 0, 0x42, {1}});
    wire.insert(wire.end(), good.begin(), good.end());
    Decoder d;
    std::vector<Frame> frames;
    d.feed(wire.data(), wire.size(), frames);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(frames[0].control);
    EXPECT_EQ(frames[0].bytes, (Bytes{0xFF, 0x01}));
    EXPECT_TRUE(frames[1].control);
    Request req;
    EXPECT_FALSE(parseRequest(frames[0], req));
    ASSERT_TRUE(parseRequest(frames[2], req));
    EXPECT_EQ(req.seq, 7);
    EXPECT_EQ(req.cmd, 0x42);
    EXPECT_EQ(req.data, Bytes{1});
    EXPECT_EQ(d.errors(), 4u);
}

TEST(VmCodec, OverlongFrameIsDroppedAndDecodingResumes) {
    Bytes junk(kMaxFrame + 10, 0x11);
    junk.push_back(0xA0);
    Bytes good = encodeRequest(Request{2, 0x06, 0, 0x01, {}});
    junk.insert(junk.end(), good.begin(), good.end());
    Decoder d;
    std::vector<Frame> frames;
    d.feed(junk.data(), junk.size(), frames);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(d.errors(), 1u);
}

TEST(BmcAddress, HostPortParsing) {
    std::string h;
    uint16_t p = 0;
    EXPECT_TRUE(parseHostPort("127.0.0.1:9002", h, p));
    EXPECT_EQ(h, "127.0.0.1");
    EXPECT_EQ(p, 9002);
    EXPECT_TRUE(parseHostPort("localhost:1", h, p));
    for (const char* bad : {"", "9002", ":9002", "host:", "host:0", "host:65536", "host:12x", "host:123456"})
        EXPECT_FALSE(parseHostPort(bad, h, p)) << bad;
}
