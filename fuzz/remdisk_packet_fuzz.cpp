// MEDP packets from a hostile peer: the receiver of both sides over a stream of packets,
// and every decoder on its own over an exactly sized payload (the receiver's buffer is
// larger than most payloads, which would hide an over-read from the sanitizer).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz_memory_stream.h"
#include "protocol/PacketReceiver.h"
#include "protocol/VDiskInfo.h"
#include "protocol/VDiskWrite.h"

namespace {

const int TYPES[] = {0x0100, 0x0200, 0x0210, 0x0211, 0x0220, 0x0300, 0x0400, 0x0410,
                     0x8100, 0x8200, 0x8240, 0x8300, 0x8310, 0x8410};

// Touch what the client reads from a message and encode it again.
void exercise(MEDPPacket& m) {
    (void)m.getDisplayMessage();
    if (auto* info = dynamic_cast<VDiskInfo*>(&m)) {
        for (int i = -1; i <= info->getVDiskCount(); ++i)
            (void)(info->getVDiskTypeAt(i) + info->getVDiskStatusAt(i) + info->getVDiskCapabilities(i));
    }
    if (auto* write = dynamic_cast<VDiskWrite*>(&m)) {
        std::vector<unsigned char> dst(4096);
        if (write->holdsBlocks(512) && static_cast<int64_t>(write->getBlockCount()) * 512 <= 4096)
            write->getData(dst.data(), 512);
    }
    std::unique_ptr<unsigned char[]> header(m.encodeHeader());
    std::unique_ptr<unsigned char[]> payload(m.encodePayload());
    if (payload)
        (void)payload[m.getPayloadLength() - 1];
}

void receiveAll(const uint8_t* data, size_t size, bool clientMessages) {
    FuzzInputStream in(data, size);
    PacketReceiver receiver(clientMessages);
    for (int i = 0; i < 64 && !in.atEnd(); ++i) {
        try {
            std::unique_ptr<MEDPPacket> m(receiver.receive(in));
            if (m)
                exercise(*m);
        } catch (const char*) {
            return;
        } catch (int) {
            return;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    receiveAll(data, size, false);
    receiveAll(data, size, true);

    // Direct decoding: a header whose length matches the bytes that follow.
    if (size >= 1) {
        size_t payloadSize = size - 1 < 0x7FFF ? size - 1 : 0x7FFF;
        unsigned char header[12] = {'M', 'E', 'D', 'P'};
        int length = static_cast<int>(payloadSize) + 12;
        MEDPPacket::encodeInt(header, 4, length);
        header[10] = data[0];
        header[11] = static_cast<unsigned char>(data[0] * 7);
        std::unique_ptr<unsigned char[]> payload(new unsigned char[payloadSize]);
        if (payloadSize)
            std::memcpy(payload.get(), data + 1, payloadSize);
        for (int type : TYPES) {
            MEDPPacket::encodeShort(header, 8, static_cast<short>(type));
            PacketReceiver factory(type < 0x8000);
            std::unique_ptr<MEDPPacket> m(factory.createPacket(type));
            if (!m)
                continue;
            try {
                m->decode(header, payload.get(), length);
                exercise(*m);
            } catch (const char*) {
            }
        }
    }
    return 0;
}
