#include "medp_script_client.h"

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
#include "session/ProtocolHSHK.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>

namespace simtest {

namespace {
const unsigned char IMAGE_TOC[20] = {0x00, 0x12, 0x01, 0x01, 0x00, 0x14, 0x01, 0x00, 0x00, 0x00,
                                     0x00, 0x00, 0x00, 0x14, 0xAA, 0x00, 0x00, 0x11, 0x76, 0xE0};
}

std::vector<uint8_t> testContent(size_t n, uint32_t seed) {
    std::vector<uint8_t> v(n);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        v[i] = static_cast<uint8_t>(x);
    }
    return v;
}

std::string sha256Hex(const std::vector<uint8_t>& data) {
    unsigned char md[32];
    unsigned int n = 0;
    EVP_Digest(data.data(), data.size(), md, &n, EVP_sha256(), nullptr);
    static const char hex[] = "0123456789abcdef";
    std::string s;
    for (unsigned int i = 0; i < n; ++i) {
        s += hex[md[i] >> 4];
        s += hex[md[i] & 15];
    }
    return s;
}

ScriptClient::~ScriptClient() { close(); }

void ScriptClient::close() {
    if (socket_) {
        socket_->close();
        delete socket_;
        socket_ = nullptr;
    }
}

bool ScriptClient::connect(int port, int caps) {
    try {
        ProtocolHSHK hshk("127.0.0.1", port);
        hshk.setSilent(true);
        hshk.setConnectionCapabilities(caps);
        socket_ = hshk.getSocket(2, 2000);
        if (!socket_) {
            log_.error = "no usable connection type granted";
            return false;
        }
        tls_ = hshk.getConnectionCapabilities() == ProtocolHSHK::CAP_TLS;
        random_.assign(hshk.getRandomData(), hshk.getRandomData() + hshk.getRandomDataLength());
        return true;
    } catch (const char* e) {
        log_.error = e;
        return false;
    }
}

void ScriptClient::send(MEDPPacket& p) {
    unsigned char* h = p.encodeHeader();
    unsigned char* b = p.encodePayload();
    pending_.insert(pending_.end(), h, h + MEDPPacket::HEADER_SIZE);
    if (b) pending_.insert(pending_.end(), b, b + p.getPayloadLength());
    delete[] h;
    delete[] b;
}

void ScriptClient::flush() {
    if (!pending_.empty() && socket_) socket_->write(pending_.data(), static_cast<int>(pending_.size()));
    pending_.clear();
}

std::unique_ptr<MEDPPacket> ScriptClient::receive() {
    flush();
    try {
        return std::unique_ptr<MEDPPacket>(receiver_.receive(*socket_));
    } catch (const char*) {
        log_.closedBySimulator = true;
        return nullptr;
    }
}

void ScriptClient::serveRead(std::vector<Medium>& media, ReadRequest& rq, const Behaviour& b) {
    log_.requestBlocks.push_back(rq.getBlockCount());
    log_.maxBlocks.push_back(rq.getMaxBlocksPerPacket());
    Medium* m = nullptr;
    for (Medium& x : media)
        if (x.mapped && x.diskId == rq.getRemoteDiskId()) m = &x;
    if (!m) {
        ClientStatusMessage st(rq.getRemoteDiskId(), 7);
        send(st);
        return;
    }
    uint64_t capacity = m->data.size() / m->blockSize;
    uint64_t offset = static_cast<uint32_t>(rq.getOffset());
    uint64_t count = static_cast<uint32_t>(rq.getBlockCount());
    if (offset + count > capacity) {
        ClientStatusMessage st(rq.getRemoteDiskId(), b.pastEndStatus);
        send(st);
        return;
    }
    uint64_t per = std::max(1, rq.getMaxBlocksPerPacket());
    for (uint64_t done = 0; done < count;) {
        uint64_t n = std::min(per, count - done);
        std::vector<uint8_t> chunk(m->data.begin() + (offset + done) * m->blockSize,
                                   m->data.begin() + (offset + done + n) * m->blockSize);
        if (&*m == &media.front() && b.corruptByte >= 0) {
            uint64_t first = (offset + done) * m->blockSize;
            if (static_cast<uint64_t>(b.corruptByte) >= first && static_cast<uint64_t>(b.corruptByte) < first + chunk.size())
                chunk[b.corruptByte - first] ^= 0x01;
        }
        ReadResponse r;
        r.setRemoteDistId(rq.getRemoteDiskId());
        r.setOffset(static_cast<int>(b.advanceOffsets ? offset + done : offset));
        r.setBlockCount(static_cast<int>(n));
        r.setData(chunk.data(), 0, static_cast<int>(chunk.size()));
        send(r);
        done += n;
    }
    ClientStatusMessage st(rq.getRemoteDiskId(), 0);
    send(st);
}

ScriptLog ScriptClient::run(std::vector<Medium>& media, const Behaviour& b) {
    LoginMessage login;
    if (b.loginWithRandom)
        login.setCredentials(b.user, random_.data(), static_cast<int>(random_.size()));
    else
        login.setCredentials(b.user, reinterpret_cast<const unsigned char*>(b.password.data()), static_cast<int>(b.password.size()));
    send(login);
    if (b.heartbeatAfterLogin) {
        Heartbeat hb;
        send(hb);
    }
    std::unique_ptr<MEDPPacket> p = receive();
    if (!p || p->getPacketType() != MEDPPacket::LOGIN_RESPONSE) return log_;
    log_.loginStatus = static_cast<LoginResponse&>(*p).getLoginStatus();
    if (log_.loginStatus != 0) {
        flush();
        close();
        return log_;
    }
    GetVDiskInfo ask;
    send(ask);
    p = receive();
    if (!p || p->getPacketType() != MEDPPacket::VDISK_INFO) return log_;
    auto& info = static_cast<VDiskInfo&>(*p);
    std::vector<bool> taken(info.getVDiskCount(), false);
    for (int i = 0; i < info.getVDiskCount(); ++i) {
        log_.diskTypes.push_back(info.getVDiskTypeAt(i));
        log_.diskStatus.push_back(info.getVDiskStatusAt(i));
    }
    int maps = 0;
    for (Medium& m : media) {
        for (int i = 0; i < info.getVDiskCount(); ++i) {
            int t = info.getVDiskTypeAt(i);
            if (taken[i] || (m.cd ? t != 2 : (t != 1 && t != 4))) continue;
            taken[i] = true;
            m.diskId = i;
            m.mapped = true;
            int id = i + b.mapDiskOffset;
            int capacity = static_cast<int>(m.data.size() / m.blockSize);
            if (m.cd) {
                VDiskRequest rq;
                rq.setRemoteDiskId(id);
                rq.setBlockSize(m.blockSize);
                rq.setCapacity(capacity);
                rq.setDriveFlags(m.writable ? 0 : 1);
                rq.setRequestBlockLimit(255);
                rq.setTOC(IMAGE_TOC, 0, sizeof IMAGE_TOC);
                send(rq);
            } else {
                VDiskRequest2 rq;
                rq.setRemoteDiskId(id);
                rq.setBlockSize(m.blockSize);
                rq.setCapacity(capacity);
                rq.setDriveFlags(m.writable ? 0 : 1);
                rq.setCylinders(80);
                rq.setHeads(2);
                rq.setSectors(18);
                send(rq);
            }
            ++maps;
            break;
        }
    }
    while (maps > 0) {
        p = receive();
        if (!p) break;
        switch (p->getPacketType()) {
        case MEDPPacket::READ_REQUEST:
            serveRead(media, static_cast<ReadRequest&>(*p), b);
            if (b.closeAfterReads >= 0 && static_cast<int>(log_.requestBlocks.size()) >= b.closeAfterReads) maps = 0;
            break;
        case MEDPPacket::VDISK_WRITE: {
            auto& w = static_cast<VDiskWrite&>(*p);
            log_.writes++;
            int status = 7;
            for (Medium& m : media)
                if (m.mapped && m.diskId == w.getRemoteDiskId() && m.writable) {
                    uint64_t at = static_cast<uint64_t>(static_cast<uint32_t>(w.getOffset())) * m.blockSize;
                    uint64_t n = static_cast<uint64_t>(w.getBlockCount()) * m.blockSize;
                    status = 3;
                    if (w.holdsBlocks(m.blockSize) && at + n <= m.data.size()) {
                        if (!b.ignoreWrites) w.getData(m.data.data() + at, m.blockSize);
                        status = 0;
                    }
                }
            ClientStatusMessage st(w.getRemoteDiskId(), status);
            send(st);
            break;
        }
        case MEDPPacket::DEVICE_STATUS: {
            auto& ds = static_cast<DeviceStatus&>(*p);
            log_.deviceStatus.push_back(ds.getStatus());
            if (ds.getStatus() == 6 || ds.getStatus() == 8 || ds.getStatus() == 9)
                for (Medium& m : media)
                    if (m.mapped && m.diskId == ds.getRemoteDiskId()) m.mapped = false;
            break;
        }
        case MEDPPacket::VDISK_RELEASE_CONTROLLER: {
            int id = static_cast<VDiskRelease&>(*p).getRemoteDiskId();
            log_.released.push_back(id);
            bool found = false;
            for (Medium& m : media)
                if (m.mapped && m.diskId == id) {
                    m.mapped = false;
                    found = true;
                }
            if (found) {
                VDiskRelease done;
                done.setRemoteDiskId(id);
                send(done);
            } else {
                ClientStatusMessage st(id, 7);
                send(st);
            }
            --maps;
            if (b.closeAfterReleases >= 0 && static_cast<int>(log_.released.size()) >= b.closeAfterReleases) maps = 0;
            break;
        }
        default:
            break;
        }
    }
    flush();
    close();
    return log_;
}

} // namespace simtest
