#include "devices/RequestProcessor.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "devices/DeviceManager.h"
#include "devices/DeviceTypes.h"
#include "devices/LocalDevice.h"
#include "devices/RemoteDevice.h"
#include "foundation/ZTrace.h"
#include "media/VMProvider.h"
#include "protocol/ClientStatusMessage.h"
#include "protocol/DeviceStatus.h"
#include "protocol/LoginResponse.h"
#include "protocol/ReadRequest.h"
#include "protocol/VDiskInfo.h"
#include "protocol/VDiskRelease.h"
#include "protocol/VDiskWrite.h"
#include "session/MEDPSession.h"

namespace {
// Status codes the client reports.
const int STATUS_OK = 0;
const int STATUS_READ_FAILED = 2;
const int STATUS_WRITE_FAILED = 3;
const int STATUS_REFUSED = 7;
const int STATUS_PARTIAL_WRITE = -1;

VMProvider& providerOf(DeviceManager& manager) {
    VMProvider* provider = manager.getVMProvider();
    if (!provider)
        throw "No VMProvider has been set.";
    return *provider;
}
} // namespace

RequestProcessor::RequestProcessor(MEDPSession& owner) : session(owner), silent(owner.isSilent()) {}

RequestProcessor::~RequestProcessor() {
    ZTRACE(0, "%s Destructor called\n", "RequestProcessor::");
    freeBuffer();
}

void RequestProcessor::freeBuffer() {
    ZTRACE(0, "%s freeBuffer called\n", "RequestProcessor::");
    delete[] buffer;
    buffer = nullptr;
    bufferSize = 0;
}

void RequestProcessor::sendClientStatus(int diskId, int status) {
    session.sendRequest(new ClientStatusMessage(diskId, status));
}

void RequestProcessor::process(MEDPPacket* packet) {
    if (!packet)
        return;
    ZTRACE(2, "%s  Received packet: type=%x, name=%s\n", "RequestProcessor::process",
           packet->getPacketType(), packet->getDisplayMessage().c_str());
    switch (packet->getPacketType()) {
    case MEDPPacket::LOGIN_RESPONSE:
        process(static_cast<LoginResponse*>(packet));
        break;
    case MEDPPacket::VDISK_INFO:
        process(static_cast<VDiskInfo*>(packet));
        break;
    case MEDPPacket::VDISK_RELEASE_CONTROLLER:
        process(static_cast<VDiskRelease*>(packet));
        break;
    case MEDPPacket::READ_REQUEST:
        process(static_cast<ReadRequest*>(packet));
        break;
    case MEDPPacket::VDISK_WRITE:
        process(static_cast<VDiskWrite*>(packet));
        break;
    case MEDPPacket::DEVICE_STATUS:
        process(static_cast<DeviceStatus*>(packet));
        break;
    default:
        ZTRACE(0, "%s *** Unknown packet type: %x ***\n", "RequestProcessor::process",
               packet->getPacketType());
        break;
    }
}

void RequestProcessor::process(LoginResponse* packet) {
    session.fireLoginResponse(packet->getLoginStatus());
}

void RequestProcessor::process(VDiskInfo* packet) {
    static const char* const where = "RequestProcessor::process(VDI)";
    const int count = packet->getVDiskCount();
    ZTRACE(1, "%s for %i remote devices.\n", where, count);
    std::vector<ReportedRemoteDevice> list;
    int cdCount = 0;
    int blockCount = 0;
    for (int i = 0; i < count; ++i) {
        const int type = packet->getVDiskTypeAt(i);
        ZTRACE(1, "%s vdisk: %i Type: %i\n", where, i, type);
        char name[64];
        ReportedRemoteDevice d;
        if (type == 2) {
            d.type = REMOTE_CD_DVD;
            std::snprintf(name, sizeof name, "CD/DVD (%i)", cdCount++);
        } else if (type == 1 || type == 4) {
            d.type = REMOTE_BLOCK_DEVICE;
            std::snprintf(name, sizeof name, "Generic Block Device (%i)", blockCount++);
        } else {
            continue;
        }
        d.id = i;
        d.status = packet->getVDiskStatusAt(i);
        d.name = name;
        list.push_back(d);
    }
    session.getDeviceManager().updateRemoteDeviceList(list);
}

void RequestProcessor::process(ReadRequest* packet) {
    static const char* const where = "RequestProcessor::process(ReadRequest)";
    const int id = packet->getRemoteDiskId();
    RemoteDevice* remote = session.getDeviceManager().getRemoteDeviceForId(id);
    if (!remote || !remote->isMapped()) {
        ZTRACE(0, "%s Read request for unknown or unmapped vdisk with id: %i\n", where, id);
        sendClientStatus(id, STATUS_REFUSED);
        return;
    }
    if (!remote->getLocalDevice()) {
        ZTRACE(0, "%s Read request for unmapped drive: %i\n", where, id);
        sendClientStatus(id, STATUS_REFUSED);
        return;
    }
    int status;
    try {
        status = serveRead(*packet);
    } catch (const char* text) {
        // A missing provider is the session's problem, not this request's.
        if (std::strcmp(text, "No VMProvider has been set.") == 0)
            throw;
        ZTRACE(0, "%s const Exception: %s\n", where, text);
        std::printf("%s", text);
        status = STATUS_REFUSED;
    } catch (int e) {
        ZTRACE(0, "%s int Exception : %i\n", where, e);
        std::printf("Exception %i\n", e);
        status = STATUS_REFUSED;
    } catch (unsigned int e) {
        ZTRACE(0, "%s unsigned int Exception : %i\n", where, static_cast<int>(e));
        std::printf("Exception: %i\n", static_cast<int>(e));
        status = STATUS_REFUSED;
    } catch (const std::exception& e) {
        ZTRACE(0, "%s exception e : %s\n", where, e.what());
        std::printf("exception: %s\n", e.what());
        status = STATUS_REFUSED;
    } catch (...) {
        ZTRACE(0, "%s ... Exception: %i\n", where, errno);
        status = STATUS_REFUSED;
    }
    sendClientStatus(id, status);
}

int RequestProcessor::serveRead(ReadRequest& request) {
    static const char* const where = "RequestProcessor::process(ReadRequest)";
    RemoteDevice& remote = *session.getDeviceManager().getRemoteDeviceForId(request.getRemoteDiskId());
    LocalDevice& local = *remote.getLocalDevice();
    int count = request.getBlockCount();
    int offset = request.getOffset();
    const int bs = local.getBlockSize();
    const int maxBlocks = request.getMaxBlocksPerPacket();
    ZTRACE(4, "%s Reading %i blocks at offset %i with bs=%i and max blocks=%i\n", where, count,
           offset, bs, maxBlocks);
    VMProvider& provider = providerOf(session.getDeviceManager());
    if (count <= 0)
        return count == 0 ? STATUS_OK : STATUS_READ_FAILED;
    if (bs <= 0 || offset < 0) {
        ZTRACE(0, "%s ## invalid read: offset %i, bs=%i ##\n", where, offset, bs);
        return STATUS_READ_FAILED;
    }

    // One pass reads what the buffer holds: the whole request unless it is very large.
    const int passBlocks = static_cast<int>(
        std::min<int64_t>(count, std::max<int64_t>(1, MAX_READ_BUFFER / bs)));
    const int wanted = passBlocks * bs;
    if (bufferSize < wanted) {
        freeBuffer();
        buffer = new unsigned char[static_cast<size_t>(wanted)];
        bufferSize = wanted;
    }
    int64_t remaining = int64_t(count) * bs;
    long handle = local.getFileHandle();
    while (remaining > 0) {
        if (handle <= 0) {
            ZTRACE(0, "%s ############################FILE CLOSED REOPENING#############\n", where);
            handle = provider.openDrive(local.getDisplayableType(), local.isWritable(), false);
            local.setFileHandle(handle);
        }
        const int blocks = std::min(count, passBlocks);
        const int n = provider.readDrive(local, handle, offset, blocks, buffer);
        if (n == -1) {
            ZTRACE(0, "%s ## READ FAILED: SENT STATUS <>0 ##\n", where);
            return STATUS_READ_FAILED;
        }
        // Only whole blocks go out. Nothing whole means the medium ends here: the request
        // cannot be served any further.
        const int whole = n > 0 ? (n / bs) : 0;
        if (whole <= 0) {
            ZTRACE(0, "%s ## READ AT END OF MEDIUM: offset %i, %i blocks short ##\n", where, offset,
                   count);
            return STATUS_READ_FAILED;
        }
        session.sendResponseData(remote, local, offset, maxBlocks, buffer, whole * bs);
        remaining -= int64_t(whole) * bs;
        if (remaining > 0) {
            offset += whole;
            count -= whole;
        }
    }
    return STATUS_OK;
}

void RequestProcessor::process(VDiskWrite* packet) {
    static const char* const where = "RequestProcessor::process(VDiskWrite)";
    const int id = packet->getRemoteDiskId();
    int status = STATUS_OK;
    ZTRACE(9, "%s ----Process Write request for remote device: %i.\n", where, id);
    RemoteDevice* remote = session.getDeviceManager().getRemoteDeviceForId(id);
    LocalDevice* local = remote ? remote->getLocalDevice() : nullptr;
    if (!remote || !remote->isMapped()) {
        ZTRACE(0, "%s write request for unknown or unmapped vdisk with id: %i\n", where, id);
        status = STATUS_REFUSED;
    } else if (!local) {
        ZTRACE(0, "%s write request for unmapped drive: %i\n", where, id);
        status = STATUS_REFUSED;
    } else if (!local->isWritable()) {
        ZTRACE(0, "%s write request for read only drive: %i\n", where, id);
        status = STATUS_REFUSED;
    } else {
        const int count = packet->getBlockCount();
        const int offset = packet->getOffset();
        const int bs = local->getBlockSize();
        ZTRACE(9, "%s  writing at offset %i, no of blocks %i with bs=%i \n", where, offset, count, bs);
        VMProvider& provider = providerOf(session.getDeviceManager());
        const int64_t end = int64_t(offset) + count;
        if (bs <= 0 || count < 0 || !packet->holdsBlocks(bs)) {
            // Writing what is not there would put stale bytes on the medium.
            ZTRACE(0, "%s write of %i blocks of %i bytes carries only %i bytes: refused\n", where,
                   count, bs, packet->getDataLength());
            status = STATUS_WRITE_FAILED;
        } else if (offset < 0 || end > local->getCapacity()) {
            // An image file would grow instead of failing.
            ZTRACE(0, "%s write of blocks %i to %lld beyond the medium's %i blocks: refused\n",
                   where, offset, static_cast<long long>(end), local->getCapacity());
            status = STATUS_WRITE_FAILED;
        } else if (count > 0) {
            std::vector<unsigned char> data(static_cast<size_t>(count) * static_cast<size_t>(bs));
            packet->getData(data.data(), bs);
            if (local->getFileHandle() <= 0) {
                ZTRACE(0, "%s #########FILE CLOSED REOPENING#############\n", where);
                local->setFileHandle(
                    provider.openDrive(local->getDisplayableType(), local->isWritable(), false));
            }
            const long long position = static_cast<long long>(offset) * bs;
            int n = 0;
            // A failed seek would put the data somewhere else.
            if (provider.seekDrive(local->getFileHandle(), position) == position)
                n = provider.writeDrive(*local, offset, count, data.data());
            else
                ZTRACE(0, "%s seek to %lld failed\n", where, position);
            if (n == count * bs)
                status = STATUS_OK;
            else if (n <= 0)
                status = STATUS_WRITE_FAILED;
            else
                status = STATUS_PARTIAL_WRITE;
        }
    }
    ZTRACE(9, "%s Sending status=%d for id=%i\n", where, status, id);
    sendClientStatus(id, status);
}

void RequestProcessor::process(DeviceStatus* packet) {
    static const char* const where = "RequestProcessor::process(DeviceStatus)";
    const int id = packet->getRemoteDiskId();
    const int status = packet->getStatus();
    if (status == 0) {
        ZTRACE(1, "%s VDisk status OK for id=%i\n", where, id);
        return;
    }
    ZTRACE(1, "%s Error Status: %i [%s]\n", where, status, DeviceStatus::statusText(status));
    if (status != 6 && status != 8 && status != 9)
        return;
    if (!silent.load())
        std::printf("  Attempting to unmap device due to errors.\n");
    ZTRACE(0, "%s Attempting to unmap device due to errors.\n", where);
    RemoteDevice* remote = session.getDeviceManager().getRemoteDeviceForId(id);
    if (!remote) {
        ZTRACE(0, "%s Cannot find a remote device with ID=%i\n", where, id);
        return;
    }
    if (LocalDevice* local = remote->getLocalDevice())
        session.getDeviceManager().unmap(*local);
}

void RequestProcessor::process(VDiskRelease* packet) {
    static const char* const where = "RequestProcessor::process(VDiskRelease)";
    const int id = packet->getRemoteDiskId();
    ZTRACE(1, "%s -Process VDisk Release request for remote device %i.\n", where, id);
    DeviceManager& manager = session.getDeviceManager();
    RemoteDevice* remote = manager.getRemoteDeviceForId(id);
    if (!remote || !remote->isMapped()) {
        ZTRACE(0, "%s release request for unmapped vdisk(1) %i\n", where, id);
        sendClientStatus(id, STATUS_REFUSED);
        return;
    }
    LocalDevice* local = remote->getLocalDevice();
    if (!local) {
        ZTRACE(0, "%s release request for unmapped vdisk(2) %i\n", where, id);
        sendClientStatus(id, STATUS_REFUSED);
        return;
    }
    const std::string path = local->getPath();
    ZTRACE(1, "%s UNMAP LocalDevice: %s\n", where, path.c_str());
    if (local->getFileHandle() == 0) {
        ZTRACE(0, "%s release request for unmapped vdisk(3) %i\n", where, id);
        sendClientStatus(id, STATUS_REFUSED);
        return;
    }
    auto* answer = new VDiskRelease();
    answer->setRemoteDiskId(id);
    session.sendRequest(answer);
    manager.unmap(*local);
    local->closeDevice();
    if (local->getType() == CD_DVD) {
        ZTRACE(1, "%s unlock CD and eject %s\n", where, path.c_str());
        if (VMProvider* provider = manager.getVMProvider()) {
            if (provider->unLockCd(path) < 0)
                ZTRACE(0, "%s unLock Errno: %i %s\n", where, errno, std::strerror(errno));
            if (provider->ejectCd(path) < 0)
                ZTRACE(0, "%s eject Errno: %i %s\n", where, errno, std::strerror(errno));
        }
    }
    local->setFileHandle(0);
    if (!silent.load()) {
        std::printf("\n%s Released.", path.c_str());
        std::fflush(stdout);
    }
    const int n = session.getNumMaps() - 1;
    session.setNumMaps(n);
    if (n <= 0) {
        if (!silent.load())
            std::printf("\nAll Virtual Media Released.\nTerminating.\n");
        ZTRACE(0, "%s All Virtual Media Released. Program Ending. Success!\n", where);
        session.stopSession();
    }
}
