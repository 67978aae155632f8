#include "medp/medp_controller.h"

#include "medp/sha256_digest.h"
#include "protocol/ClientStatusMessage.h"
#include "protocol/DeviceStatus.h"
#include "protocol/LoginMessage.h"
#include "protocol/LoginResponse.h"
#include "protocol/ReadRequest.h"
#include "protocol/ReadResponse.h"
#include "protocol/VDiskInfo.h"
#include "protocol/VDiskRelease.h"
#include "protocol/VDiskRequest.h"
#include "protocol/VDiskRequest2.h"
#include "protocol/VDiskWrite.h"
#include "sim_log.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace sim {

namespace {

struct SessionFailure {
    std::string what;
};
struct ClientClosed {
    std::string waitingFor;
};
struct Stopped {};

// The client accepts payloads up to 32,767 bytes; a write carries offset and count too.
constexpr int CLIENT_MAX_PAYLOAD = 0x7FFF;
constexpr long FOREVER_MS = 24L * 3600 * 1000;
constexpr long CLOSE_AFTER_RELEASE_MS = 5000;

bool validBlockSize(int bs) { return bs == 512 || bs == 1024 || bs == 2048 || bs == 4096; }

bool kindMatches(const std::string& kind, bool cd) {
    return kind.empty() || (cd ? kind == "cd" : (kind == "floppy" || kind == "usb"));
}

} // namespace

MedpController::MedpController(ServerStream& stream, const ScenarioConfig& config, std::vector<uint8_t> hshkRandom,
                               const std::atomic<bool>* stop)
    : stream_(stream), config_(config), hshkRandom_(std::move(hshkRandom)), stop_(stop),
      receiver_(true, SIM_MAX_PAYLOAD), expectationUsed_(config.expectations.size(), false) {}

SessionResult MedpController::run() {
    SessionResult result;
    try {
        login();
        if (loginRefusedOnPurpose_) {
            result.outcome = "login refused as configured";
        } else {
            serveDrives();
            finish();
            result.outcome = "completed";
        }
        result.completed = true;
    } catch (const SessionFailure& f) {
        result.failed = true;
        result.outcome = f.what;
    } catch (const ClientClosed& c) {
        result.failed = true;
        result.outcome = "client closed the connection while the simulator waited for " + c.waitingFor;
    } catch (const Stopped&) {
        result.outcome = "stopped before the scenario completed";
    }
    for (const Drive& d : drives_) {
        result.drives.push_back(d.report);
        if (d.report.failed) result.failed = true;
    }
    if (result.failed && result.outcome == "completed") result.outcome = "a drive check failed";
    result.heartbeats = heartbeats_;
    return result;
}

// ---- messages ----------------------------------------------------------------------------

void MedpController::send(MEDPPacket& p) {
    unsigned char* header = p.encodeHeader();
    unsigned char* payload = p.encodePayload();
    int n = p.getPayloadLength();
    std::vector<unsigned char> bytes(header, header + MEDPPacket::HEADER_SIZE);
    if (payload && n > 0) bytes.insert(bytes.end(), payload, payload + n);
    delete[] header;
    delete[] payload;
    stream_.setTimeLimitMs(config_.ioTimeoutMs);
    if (stream_.write(bytes.data(), static_cast<int>(bytes.size())) < 0) {
        if (stop_ && *stop_) throw Stopped();
        throw SessionFailure{"connection lost while sending " + p.getDisplayMessage()};
    }
}

std::unique_ptr<MEDPPacket> MedpController::receiveRaw(const std::string& waitingFor) {
    MEDPPacket* raw = nullptr;
    try {
        raw = receiver_.receive(stream_);
    } catch (const char* e) {
        if (stop_ && *stop_) throw Stopped();
        if (stream_.timedOut()) throw SessionFailure{"timed out waiting for " + waitingFor};
        if (std::strcmp(e, "Socket Closed by peer.") == 0) throw ClientClosed{waitingFor};
        throw SessionFailure{std::string("protocol error: ") + e};
    } catch (int length) {
        throw SessionFailure{"protocol error: packet of " + std::to_string(length) + " bytes is too long"};
    }
    if (!raw) throw SessionFailure{"protocol error: message of a type no client sends (waiting for " + waitingFor + ")"};
    return std::unique_ptr<MEDPPacket>(raw);
}

std::unique_ptr<MEDPPacket> MedpController::next(const std::string& waitingFor, long ms, Until until) {
    stream_.setTimeLimitMs(ms);
    for (;;) {
        std::unique_ptr<MEDPPacket> p = receiveRaw(waitingFor);
        switch (p->getPacketType()) {
        case MEDPPacket::HEARTBEAT:
            heartbeats_++;
            if (until == Until::HEARTBEAT) return nullptr;
            break;
        case MEDPPacket::GET_VDISK_INFO:
            sendDiskList();
            stream_.setTimeLimitMs(ms);
            break;
        case MEDPPacket::VDISK_REQUEST:
        case MEDPPacket::VDISK_REQUEST2:
            addDrive(*p);
            if (until == Until::MAP) return nullptr;
            stream_.setTimeLimitMs(ms);
            break;
        case MEDPPacket::LOGIN:
            throw SessionFailure{"protocol error: a second login request"};
        default:
            return p;
        }
    }
}

void MedpController::sendDiskList() {
    VDiskInfo info;
    for (const ListedDisk& d : config_.disks) info.addVDisk(d.type, d.status, 0);
    send(info);
    simLog("medp: disk list sent (%zu disks)", config_.disks.size());
}

void MedpController::addDrive(MEDPPacket& request) {
    Drive d;
    DriveReport& r = d.report;
    bool cd = request.getPacketType() == MEDPPacket::VDISK_REQUEST;
    int flags;
    if (cd) {
        auto& m = static_cast<VDiskRequest&>(request);
        r.diskId = m.getRemoteDiskId();
        r.blockSize = m.getBlockSize();
        r.capacity = static_cast<uint32_t>(m.getCapacity());
        flags = m.getDriveFlags();
        const unsigned char* toc = m.getTOC();
        int n = m.getTOCLength();
        if (n < 4 || MEDPPacket::decodeShort(toc, 0) != n - 2)
            throw SessionFailure{"protocol error: map request with a table of contents of " + std::to_string(n) + " bytes that does not describe itself"};
    } else {
        auto& m = static_cast<VDiskRequest2&>(request);
        r.diskId = m.getRemoteDiskId();
        r.blockSize = m.getBlockSize();
        r.capacity = static_cast<uint32_t>(m.getCapacity());
        flags = m.getDriveFlags();
        int clamped = r.capacity < 256 ? static_cast<int>(r.capacity) : 255;
        if (m.getClampedCapacity() != clamped)
            throw SessionFailure{"protocol error: map request byte 9 is " + std::to_string(m.getClampedCapacity()) + ", expected " + std::to_string(clamped)};
    }
    r.cd = cd;
    r.readOnly = (flags & 1) != 0;
    if (r.diskId < 0 || r.diskId >= static_cast<int>(config_.disks.size()))
        throw SessionFailure{"protocol error: map request for disk " + std::to_string(r.diskId) + ", which is not in the list"};
    int type = config_.disks[r.diskId].type;
    if (cd != (type == DISK_CD) || (!cd && type != DISK_BLOCK && type != DISK_USB))
        throw SessionFailure{"protocol error: " + std::string(cd ? "CD" : "block device") + " map request for disk " +
                             std::to_string(r.diskId) + " of type " + std::to_string(type)};
    for (const Drive& other : drives_)
        if (other.report.diskId == r.diskId)
            throw SessionFailure{"protocol error: disk " + std::to_string(r.diskId) + " mapped twice"};
    if (!validBlockSize(r.blockSize) || r.capacity == 0 || (flags & ~1) != 0)
        throw SessionFailure{"protocol error: map request for disk " + std::to_string(r.diskId) + " with block size " +
                             std::to_string(r.blockSize) + ", capacity " + std::to_string(r.capacity) + ", flags " + std::to_string(flags)};
    for (size_t i = 0; i < config_.expectations.size(); ++i)
        if (!expectationUsed_[i] && kindMatches(config_.expectations[i].kind, cd)) {
            expectationUsed_[i] = true;
            d.expectation = static_cast<int>(i);
            break;
        }
    simLog("medp: disk %d mapped as %s, %u blocks of %d bytes, %s", r.diskId, cd ? "cd" : "floppy", r.capacity,
           r.blockSize, r.readOnly ? "read-only" : "read/write");
    drives_.push_back(d);
}

// ---- login -----------------------------------------------------------------------------

void MedpController::login() {
    stream_.setTimeLimitMs(config_.ioTimeoutMs);
    std::unique_ptr<MEDPPacket> p;
    do {
        p = receiveRaw("the login request");
        if (p->getPacketType() == MEDPPacket::HEARTBEAT) heartbeats_++;
    } while (p->getPacketType() == MEDPPacket::HEARTBEAT);
    if (p->getPacketType() != MEDPPacket::LOGIN)
        throw SessionFailure{"protocol error: " + p->getDisplayMessage() + " before the login"};
    auto& m = static_cast<LoginMessage&>(*p);

    unsigned char passwordBlock[32] = {};
    std::memcpy(passwordBlock, config_.loginPassword.data(), std::min<size_t>(32, config_.loginPassword.size()));
    unsigned char randomBlock[32] = {};
    if (!hshkRandom_.empty()) std::memcpy(randomBlock, hshkRandom_.data(), std::min<size_t>(32, hshkRandom_.size()));
    bool userOk = m.getUserName() == config_.loginUser;
    bool byPassword = std::memcmp(m.getAuthData(), passwordBlock, 32) == 0 && config_.loginAuth != LoginAuth::RANDOM;
    bool byRandom = !hshkRandom_.empty() && std::memcmp(m.getAuthData(), randomBlock, 32) == 0 &&
                    config_.loginAuth != LoginAuth::PASSWORD;
    bool accepted = userOk && (byPassword || byRandom);
    int status = config_.loginStatus >= 0 ? config_.loginStatus : (accepted ? 0 : 1);

    LoginResponse resp;
    resp.setLoginStatus(status);
    resp.setUserName(m.getUserName());
    send(resp);
    const char* how = !userOk ? "unknown user" : byPassword ? "password" : byRandom ? "random data" : "wrong credential";
    simLog("medp: login of user \"%s\" (%s), status %d", m.getUserName().c_str(), how, status);
    if (status == 0) return;
    // After a refusal the client ends its session.
    waitForClose(config_.ioTimeoutMs, "client kept the connection open after its login was refused");
    if (config_.loginStatus > 0) {
        loginRefusedOnPurpose_ = true;
        return;
    }
    throw SessionFailure{std::string("login refused: ") + how};
}

// ---- drives ----------------------------------------------------------------------------

void MedpController::serveDrives() {
    size_t want = config_.drives >= 0 ? static_cast<size_t>(config_.drives)
                                      : std::max<size_t>(1, config_.expectations.size());
    size_t done = 0;
    for (;;) {
        auto pending = std::find_if(drives_.begin(), drives_.end(), [](const Drive& d) { return !d.done; });
        if (pending != drives_.end()) {
            processDrive(*pending);
            ++done;
            continue;
        }
        if (done >= want) return;
        std::unique_ptr<MEDPPacket> p = next("a map request", config_.ioTimeoutMs, Until::MAP);
        if (p) throw SessionFailure{"protocol error: " + p->getDisplayMessage() + " while no request was outstanding"};
    }
}

void MedpController::processDrive(Drive& d) {
    d.done = true;
    try {
        readWhole(d);
        if (config_.write) checkWrite(d);
        if (config_.readPastEnd) checkPastEnd(d);
        if (config_.deviceStatus >= 0) checkDeviceStatus(d);
    } catch (const SessionFailure&) {
        d.report.failed = true;
        throw;
    }
}

int MedpController::readRange(Drive& d, uint32_t offset, uint32_t count, const Sink& sink, uint64_t& got) {
    ReadRequest rq;
    rq.setRemoteDiskId(d.report.diskId);
    rq.setOffset(static_cast<int>(offset));
    rq.setBlockCount(static_cast<int>(count));
    rq.setMaxBlocksPerPacket(config_.maxBlocks);
    send(rq);
    got = 0;
    const uint64_t bs = static_cast<uint64_t>(d.report.blockSize);
    std::string at = " for disk " + std::to_string(d.report.diskId) + " at block " + std::to_string(offset);
    for (;;) {
        std::unique_ptr<MEDPPacket> p = next("read data" + at, config_.ioTimeoutMs);
        if (p->getPacketType() == MEDPPacket::CLIENT_STATUS) {
            auto& s = static_cast<ClientStatusMessage&>(*p);
            if (s.getRemoteDiskId() != d.report.diskId)
                throw SessionFailure{"protocol error: status for disk " + std::to_string(s.getRemoteDiskId()) + " answers a read" + at};
            return s.getStatus();
        }
        if (p->getPacketType() != MEDPPacket::READ_RESPONSE)
            throw SessionFailure{"protocol error: " + p->getDisplayMessage() + " in answer to a read" + at};
        auto& r = static_cast<ReadResponse&>(*p);
        uint64_t blocks = static_cast<uint32_t>(r.getBlockCount());
        if (r.getRemoteDiskId() != d.report.diskId || static_cast<uint32_t>(r.getOffset()) != offset)
            throw SessionFailure{"protocol error: read response for disk " + std::to_string(r.getRemoteDiskId()) + " block " +
                                 std::to_string(static_cast<uint32_t>(r.getOffset())) + " answers a read" + at};
        if (blocks == 0 || blocks > static_cast<uint64_t>(config_.maxBlocks))
            throw SessionFailure{"protocol error: read response of " + std::to_string(blocks) + " blocks (at most " +
                                 std::to_string(config_.maxBlocks) + " per packet)" + at};
        if (static_cast<uint64_t>(r.getDataLength()) != blocks * bs)
            throw SessionFailure{"protocol error: read response of " + std::to_string(blocks) + " blocks carries " +
                                 std::to_string(r.getDataLength()) + " bytes" + at};
        if (got + blocks * bs > count * bs)
            throw SessionFailure{"protocol error: more data than the " + std::to_string(count) + " blocks asked for" + at};
        sink(r.getData(), static_cast<size_t>(r.getDataLength()));
        got += blocks * bs;
    }
}

void MedpController::readWhole(Drive& d) {
    DriveReport& r = d.report;
    const uint32_t perRequest = std::max<uint32_t>(1, static_cast<uint32_t>(config_.readSize / r.blockSize));
    Sha256 sha;
    // Without an expectation nothing is hashed, so the figure shows the transfer alone.
    const bool digest = d.expectation >= 0;
    auto start = std::chrono::steady_clock::now();
    for (uint64_t offset = 0; offset < r.capacity;) {
        uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(perRequest, r.capacity - offset));
        uint64_t got = 0;
        int status = readRange(d, static_cast<uint32_t>(offset), n, [&](const uint8_t* p, size_t len) {
            if (digest) sha.update(p, len);
        }, got);
        r.bytesRead += got;
        if (status != 0 || got != static_cast<uint64_t>(n) * r.blockSize)
            throw SessionFailure{"read of " + std::to_string(n) + " blocks at block " + std::to_string(offset) + " of disk " +
                                 std::to_string(r.diskId) + " ended with status " + std::to_string(status) + " after " +
                                 std::to_string(got) + " bytes"};
        offset += n;
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!digest) return;  // "not checked"
    const std::string hex = sha.hex();
    const DriveExpectation& e = config_.expectations[d.expectation];
    uint64_t mediumBytes = static_cast<uint64_t>(r.capacity) * r.blockSize;
    if (!e.file.empty() && e.fileSize != mediumBytes) {
        r.verify = "MISMATCH (medium is " + std::to_string(mediumBytes) + " bytes, " + e.file + " is " + std::to_string(e.fileSize) + ")";
        r.failed = true;
    } else if (hex != e.sha256) {
        r.verify = "MISMATCH (sha256 " + hex + ", expected " + e.sha256 + ")";
        r.failed = true;
    } else {
        r.verify = "ok";
    }
}

int MedpController::awaitStatus(Drive& d, const char* what) {
    std::unique_ptr<MEDPPacket> p = next(std::string("the status of a ") + what, config_.ioTimeoutMs);
    auto* s = p->getPacketType() == MEDPPacket::CLIENT_STATUS ? static_cast<ClientStatusMessage*>(p.get()) : nullptr;
    if (!s || s->getRemoteDiskId() != d.report.diskId)
        throw SessionFailure{"protocol error: " + p->getDisplayMessage() + " in answer to a " + what + " on disk " + std::to_string(d.report.diskId)};
    return s->getStatus();
}

int MedpController::writeRange(Drive& d, uint32_t offset, uint32_t count, const std::vector<uint8_t>& data) {
    const int bs = d.report.blockSize;
    const uint32_t perPacket = std::max(1, (CLIENT_MAX_PAYLOAD - 8) / bs);
    int worst = 0;
    for (uint32_t done = 0; done < count;) {
        uint32_t n = std::min(perPacket, count - done);
        VDiskWrite w;
        w.setRemoteDiskId(d.report.diskId);
        w.setOffset(static_cast<int>(offset + done));
        w.setBlockCount(static_cast<int>(n));
        w.setData(data.data() + static_cast<size_t>(done) * bs, static_cast<int>(n * bs));
        send(w);
        int status = awaitStatus(d, "write");
        if (status != 0 && worst == 0) worst = status;
        done += n;
    }
    return worst;
}

void MedpController::checkWrite(Drive& d) {
    DriveReport& r = d.report;
    const uint32_t blocks = static_cast<uint32_t>(std::min<int64_t>(std::max(1, config_.writeBlocks), r.capacity));
    int64_t offset = config_.writeOffset >= 0 ? config_.writeOffset : r.capacity / 2;
    offset = std::min<int64_t>(offset, static_cast<int64_t>(r.capacity) - blocks);
    const size_t bytes = static_cast<size_t>(blocks) * r.blockSize;
    auto readBack = [&](std::vector<uint8_t>& into) {
        into.clear();
        uint64_t got = 0;
        int status = readRange(d, static_cast<uint32_t>(offset), blocks,
                               [&](const uint8_t* p, size_t n) { into.insert(into.end(), p, p + n); }, got);
        if (status != 0 || into.size() != bytes)
            throw SessionFailure{"read-back of disk " + std::to_string(r.diskId) + " ended with status " + std::to_string(status)};
    };
    std::vector<uint8_t> before, after;
    readBack(before);
    std::vector<uint8_t> pattern(bytes);
    for (size_t i = 0; i < bytes; ++i) pattern[i] = writePatternByte(static_cast<uint64_t>(offset) * r.blockSize + i);
    int status = writeRange(d, static_cast<uint32_t>(offset), blocks, pattern);
    readBack(after);
    std::string where = std::to_string(blocks) + " blocks at block " + std::to_string(offset);
    if (!r.readOnly) {
        if (status == 0 && after == pattern) {
            r.write = "ok (" + where + ")";
        } else {
            r.write = "FAILED (" + where + ": status " + std::to_string(status) + (after == pattern ? "" : ", data differs") + ")";
            r.failed = true;
        }
    } else if (status != 0 && after == before) {
        r.write = "refused on the read-only drive (status " + std::to_string(status) + ")";
    } else {
        r.write = "FAILED (read-only drive: status " + std::to_string(status) + (after == before ? "" : ", data changed") + ")";
        r.failed = true;
    }
}

void MedpController::checkPastEnd(Drive& d) {
    uint64_t got = 0;
    int status = readRange(d, d.report.capacity, 1, [](const uint8_t*, size_t) {}, got);
    if (status != 0 && got == 0) {
        d.report.pastEnd = "refused (status " + std::to_string(status) + ")";
    } else {
        d.report.pastEnd = "FAILED (status " + std::to_string(status) + ", " + std::to_string(got) + " bytes)";
        d.report.failed = true;
    }
}

void MedpController::checkDeviceStatus(Drive& d) {
    const int code = config_.deviceStatus;
    DeviceStatus ds;
    ds.setRemoteDiskId(d.report.diskId);
    ds.setStatus(code);
    send(ds);
    // The client answers no status report; a read shows what it did with the drive.
    bool unmaps = code == 6 || code == 8 || code == 9;
    uint64_t got = 0;
    int status = readRange(d, 0, 1, [](const uint8_t*, size_t) {}, got);
    bool served = status == 0 && got == static_cast<uint64_t>(d.report.blockSize);
    std::string text = std::to_string(code);
    if (unmaps && status != 0 && got == 0) {
        d.unmappedByStatus = true;
        d.report.deviceStatus = text + " unmapped the drive";
    } else if (!unmaps && served) {
        d.report.deviceStatus = text + " kept the drive";
    } else {
        d.report.deviceStatus = text + " FAILED (a read then ended with status " + std::to_string(status) + ")";
        d.report.failed = true;
    }
}

// ---- end of the session ------------------------------------------------------------------

void MedpController::releaseDrive(Drive& d) {
    VDiskRelease rel(MEDPPacket::VDISK_RELEASE_CONTROLLER);
    rel.setRemoteDiskId(d.report.diskId);
    send(rel);
    std::unique_ptr<MEDPPacket> p = next("the release of disk " + std::to_string(d.report.diskId), config_.ioTimeoutMs);
    if (p->getPacketType() == MEDPPacket::VDISK_RELEASE_CLIENT &&
        static_cast<VDiskRelease&>(*p).getRemoteDiskId() == d.report.diskId) {
        d.report.release = "released";
        return;
    }
    if (p->getPacketType() == MEDPPacket::CLIENT_STATUS && static_cast<ClientStatusMessage&>(*p).getRemoteDiskId() == d.report.diskId) {
        int status = static_cast<ClientStatusMessage&>(*p).getStatus();
        d.report.release = "release refused (status " + std::to_string(status) + ")";
        // Only a drive the client already unmapped may refuse.
        if (!d.unmappedByStatus || status == 0) d.report.failed = true;
        return;
    }
    throw SessionFailure{"protocol error: " + p->getDisplayMessage() + " in answer to the release of disk " + std::to_string(d.report.diskId)};
}

void MedpController::waitForClose(long ms, const char* failureIfOpen) {
    try {
        for (;;) {
            std::unique_ptr<MEDPPacket> p = next("the client to close the connection", ms);
            throw SessionFailure{"protocol error: " + p->getDisplayMessage() + " while waiting for the client to close"};
        }
    } catch (const ClientClosed&) {
        return;
    } catch (const SessionFailure& f) {
        if (stream_.timedOut() && failureIfOpen) throw SessionFailure{failureIfOpen};
        throw;
    }
}

void MedpController::finish() {
    if (config_.expectHeartbeat && heartbeats_ == 0) {
        std::unique_ptr<MEDPPacket> p = next("a heartbeat", config_.ioTimeoutMs, Until::HEARTBEAT);
        if (p) throw SessionFailure{"protocol error: " + p->getDisplayMessage() + " while waiting for a heartbeat"};
    }
    switch (config_.finish) {
    case Finish::CLOSE:
        stream_.close();
        return;
    case Finish::RELEASE_ONE:
        if (!drives_.empty()) releaseDrive(drives_.front());
        waitForClose(FOREVER_MS, nullptr);
        return;
    case Finish::NONE:
        waitForClose(FOREVER_MS, nullptr);
        return;
    case Finish::RELEASE_ALL: {
        bool all = true;
        for (Drive& d : drives_) {
            releaseDrive(d);
            all = all && d.report.release == "released";
        }
        // The release of the last mapped medium ends the client's session.
        if (all) waitForClose(CLOSE_AFTER_RELEASE_MS, "client kept the connection open after the last release");
        else waitForClose(FOREVER_MS, nullptr);
        return;
    }
    }
}

} // namespace sim
