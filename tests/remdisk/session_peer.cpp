#include "session_peer.h"

#include <chrono>

#include "protocol/Heartbeat.h"

namespace rdtest {

int PeerStream::read(unsigned char* buf, int offset, int len) {
    return connection ? connection->readSome(buf + offset, static_cast<size_t>(len)) : -1;
}

int PeerStream::readFully(unsigned char* buf, int offset, int len) {
    if (len <= 0)
        return 0;
    return connection && connection->readExact(buf + offset, static_cast<size_t>(len)) ? len : -1;
}

int PeerStream::readInt(int& v) {
    unsigned char b[4];
    if (readFully(b, 0, 4) != 4)
        return -1;
    v = static_cast<int>((unsigned(b[0]) << 24) | (unsigned(b[1]) << 16) | (unsigned(b[2]) << 8) | b[3]);
    return 4;
}

int PeerStream::readShort(short& v) {
    unsigned char b[2];
    if (readFully(b, 0, 2) != 2)
        return -1;
    v = static_cast<short>((b[0] << 8) | b[1]);
    return 2;
}

int PeerStream::readByte(unsigned char& v) { return readFully(&v, 0, 1) == 1 ? 1 : -1; }

ScriptedController::ScriptedController(int caps, int randomLength) : capabilities(caps) {
    for (int i = 0; i < randomLength; ++i)
        random.push_back(static_cast<unsigned char>(0xA0 + i));
    server = std::make_unique<TestServer>([this](PeerConnection& c) { serve(c); });
}

ScriptedController::~ScriptedController() {
    {
        std::lock_guard<std::mutex> hold(lock);
        released = true;
    }
    changed.notify_all();
    server.reset();
}

void ScriptedController::serve(PeerConnection& c) {
    request = c.readExact(53);
    std::vector<unsigned char> b = {'H', 'S', 'H', 'K'};
    const int length = 21 + static_cast<int>(random.size());
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(static_cast<unsigned char>(length >> s));
    b.insert(b.end(), {0x81, 0x00, 0, 0, 0, 0});
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(static_cast<unsigned char>(capabilities >> s));
    b.insert(b.end(), {0, 0, static_cast<unsigned char>(random.size())});
    b.insert(b.end(), random.begin(), random.end());
    if (!c.writeAll(b))
        return;
    if (capabilities == 0)
        return;
    if (!(capabilities & 1) && (capabilities & 4) && !c.startTls())
        return;
    std::unique_lock<std::mutex> hold(lock);
    connection = &c;
    stream.connection = &c;
    changed.notify_all();
    changed.wait_for(hold, std::chrono::seconds(60), [this] { return released || closed; });
}

bool ScriptedController::waitConnected(int ms) {
    std::unique_lock<std::mutex> hold(lock);
    return changed.wait_for(hold, std::chrono::milliseconds(ms), [this] { return connection != nullptr; });
}

std::unique_ptr<MEDPPacket> ScriptedController::receive() {
    if (!stream.connection || closed)
        return nullptr;
    try {
        return std::unique_ptr<MEDPPacket>(receiver.receive(stream));
    } catch (...) {
        return nullptr;
    }
}

std::unique_ptr<MEDPPacket> ScriptedController::receiveSkippingHeartbeats() {
    for (;;) {
        auto p = receive();
        if (!p || p->getPacketType() != MEDPPacket::HEARTBEAT)
            return p;
    }
}

bool ScriptedController::send(MEDPPacket& packet) {
    if (!connection || closed)
        return false;
    std::unique_ptr<unsigned char[]> header(packet.encodeHeader());
    std::unique_ptr<unsigned char[]> payload(packet.encodePayload());
    if (!connection->writeAll(header.get(), MEDPPacket::HEADER_SIZE))
        return false;
    return !payload || connection->writeAll(payload.get(), static_cast<size_t>(packet.getPayloadLength()));
}

void ScriptedController::close() {
    std::lock_guard<std::mutex> hold(lock);
    if (connection)
        connection->close();
    closed = true;
    changed.notify_all();
}

} // namespace rdtest
