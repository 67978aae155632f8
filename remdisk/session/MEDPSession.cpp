#include "session/MEDPSession.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "devices/DeviceTypes.h"
#include "devices/LocalDevice.h"
#include "devices/RemoteDevice.h"
#include "foundation/ZSocket.h"
#include "foundation/ZTrace.h"
#include "protocol/GetVDiskInfo.h"
#include "protocol/Heartbeat.h"
#include "protocol/LoginMessage.h"
#include "protocol/ReadResponse.h"
#include "protocol/VDiskRequest.h"
#include "protocol/VDiskRequest2.h"
#include "session/ProtocolHSHK.h"
#include "session/VMSessionListener.h"

MEDPSession::MEDPSession()
    : deviceManager(*this), sendThread(*this), receiveThread(*this), requestProcessor(*this),
      heartBeatThread(*this) {
    deviceManager.updateLocalDeviceList();
}

MEDPSession::~MEDPSession() {
    destroying.store(true);
    {
        std::lock_guard<std::mutex> hold(lifecycle);
        askThreadsToStop();
        // No thread may outlive the session: cut a blocked read short and wait for all three.
        if (ZSocket* s = currentSocket())
            s->shutdownConnection();
    }
    sendThread.join();
    heartBeatThread.join();
    receiveThread.join();
    if (ZSocket* s = socket.exchange(nullptr)) {
        s->close();
        delete s;
    }
    delete[] randomData;
    ZTRACE(1, "%s Destructor called\n", "MEDPSession::~");
}

void MEDPSession::askThreadsToStop() {
    if (heartBeatThread.isRunning())
        heartBeatThread.stopThread();
    if (receiveThread.isRunning())
        receiveThread.stopThread();
    if (sendThread.isRunning())
        sendThread.stopThread();
}

void MEDPSession::connect(const std::string& host, int port) {
    static const char* const where = "MEDPSession::connect";
    ZTRACE(1, "%s started\n", where);
    if (destroying.load())
        return;
    const unsigned stopsBefore = stops.load();

    // Threads of an earlier connection.
    {
        std::lock_guard<std::mutex> hold(lifecycle);
        askThreadsToStop();
        if (ZSocket* s = currentSocket())
            s->shutdownConnection();
    }
    receiveThread.join();
    sendThread.join();
    heartBeatThread.join();

    if (!silent.load())
        std::printf(" Connecting to: %s at port %i\n", host.c_str(), port);
    ZTRACE(1, "%s Connecting to: %s at port %i\n", where, host.c_str(), port);

    std::unique_ptr<ProtocolHSHK> hshk(new ProtocolHSHK(host.c_str(), port));
    hshk->setSilent(silent.load());
    hshk->setConnectionCapabilities(ProtocolHSHK::CAP_TLS);
    std::unique_ptr<ZSocket> fresh(hshk->getSocket(2, 2000));
    if (!fresh) {
        ZTRACE(0, "%s Connection Failed. Throwing Exception.\n", where);
        throw "Connection failed.";
    }
    ZTRACE(5, "%s got socket\n", where);
    fresh->setNoDelay(true);

    std::lock_guard<std::mutex> hold(lifecycle);
    if (stops.load() != stopsBefore || destroying.load()) {
        // Stopped while the connection was being set up: do not start serving.
        ZTRACE(0, "%s session stopped during connection set-up\n", where);
        fresh->close();
        return;
    }
    delete[] randomData;
    randomDataLength = hshk->getRandomDataLength();
    randomData = new unsigned char[randomDataLength > 0 ? randomDataLength : 1]();
    if (randomDataLength > 0)
        std::memcpy(randomData, hshk->getRandomData(), static_cast<size_t>(randomDataLength));
    if (ZSocket* old = socket.exchange(fresh.release())) {
        old->close();
        delete old;
    }
    sessionStopped.store(false);

    ZTRACE(1, "%s Starting send and recv threads\n", where);
    try {
        if (!receiveThread.start() || !sendThread.start() || !heartBeatThread.start())
            throw "Unable to start the session threads.";
    } catch (const char* text) {
        ZTRACE(0, "%s const Exception %s caught\n", where, text);
        std::printf("Error: %s\n", text);
    } catch (...) {
        ZTRACE(0, "%s ... Exception caught\n", where);
        std::printf("??? Error\n");
    }
}

ZOutputStream* MEDPSession::getOutputStream() { return currentSocket(); }

ZInputStream& MEDPSession::getInputStream() {
    ZSocket* s = currentSocket();
    if (!s) {
        ZTRACE(0, "%s socket is NULL. Throwing Exception.\n", "MEDPSession::getInputStream");
        throw "MEDPSession input stream not set.";
    }
    return *s;
}

void MEDPSession::sendLogin(const std::string& user) {
    static const char* const where = "MEDPSession::sendLogin";
    if (destroying.load())
        return;
    ZTRACE(1, "%s Sending login request for user:[%s]\n", where, user.c_str());
    if (user.size() > static_cast<size_t>(LoginMessage::MAX_USER_NAME))
        throw "Invalid username specified for login request.";
    auto* login = new LoginMessage();
    // The login carries 32 bytes of credential; longer random data is cut there.
    login->setCredentials(user, randomData, std::min(randomDataLength, MAX_CREDENTIAL));
    ZTRACE(1, "%s Sending request to sendThread\n", where);
    sendRequest(login);
}

void MEDPSession::sendLoginUser(const std::string& user, const std::string& password) {
    if (destroying.load())
        return;
    ZTRACE(1, "%s Sending login request with password for user: %s\n", "MEDPSession::sendLoginUser",
           user.c_str());
    if (user.size() > static_cast<size_t>(LoginMessage::MAX_USER_NAME))
        throw "Invalid username specified for login request.";
    // A cut password could only fail the login with a misleading message.
    if (password.size() > static_cast<size_t>(MAX_CREDENTIAL))
        throw "Password too long for the login request.";
    auto* login = new LoginMessage();
    login->setCredentials(user, reinterpret_cast<const unsigned char*>(password.data()),
                          static_cast<int>(password.size()));
    sendRequest(login);
}

void MEDPSession::sendVDiskInfoRequest() {
    if (destroying.load())
        return;
    sendRequest(new GetVDiskInfo());
}

void MEDPSession::queueMapRequest(LocalDevice& local, RemoteDevice& remote, MEDPPacket* request) {
    if (!silent.load())
        std::printf("\nMapping %s to Remote Device[%i] as %s.", local.getPath().c_str(),
                    remote.getId(), local.isWritable() ? "Read/Write" : "Read Only");
    deviceManager.map(local, remote);
    sendRequest(request);
    ++numMaps;
    std::printf(" Success.\n");
    std::fflush(stdout);
}

void MEDPSession::sendMapRequest(LocalDevice& local, RemoteDevice& remote, bool) {
    if (destroying.load())
        return;
    auto request = std::make_unique<VDiskRequest>();
    request->setRemoteDiskId(remote.getId());
    request->setBlockSize(local.getBlockSize());
    request->setCapacity(local.getCapacity());
    request->setDriveFlags(local.isWritable() ? 0 : 1);
    request->setRequestBlockLimit(REQUEST_BLOCK_LIMIT);
    if (local.getType() != CD_DVD && local.getType() != ISO_IMAGE) {
        ZTRACE(0, "%s Incorrect local device for call\n", "MEDPSession::sendMapRequest (CD_DVD_ISO)");
        throw "Programmer error: Incorrect local device for call";
    }
    int tocLength = 0;
    unsigned char* toc = local.getTOC(tocLength);
    request->setTOC(toc, 0, tocLength);
    local.openDevice(true);
    // The flags follow what opening found out about writability.
    request->setDriveFlags(local.isWritable() ? 0 : 1);
    queueMapRequest(local, remote, request.release());
}

void MEDPSession::sendMapRequest2(LocalDevice& local, RemoteDevice& remote, bool) {
    if (destroying.load())
        return;
    ZTRACE(1, "%s for local,remote:[%i,%i] capacity[%d] cylinders[%d] sectors[%d]\n",
           "MEDPSession::sendMapRequest2", local.getId(), remote.getId(), local.getCapacity(),
           local.getCylinders(), local.getSectors());
    local.openDevice(true);
    auto request = std::make_unique<VDiskRequest2>();
    request->setRemoteDiskId(remote.getId());
    request->setBlockSize(local.getBlockSize());
    request->setCapacity(local.getCapacity());
    request->setCylinders(local.getCylinders());
    request->setHeads(local.getHeads());
    request->setSectors(local.getSectors());
    request->setDriveFlags(local.isWritable() ? 0 : 1);
    request->setRequestBlockLimit(REQUEST_BLOCK_LIMIT);
    queueMapRequest(local, remote, request.release());
}

void MEDPSession::sendRequest(MEDPPacket* packet) {
    if (destroying.load()) {
        delete packet;
        return;
    }
    ZTRACE(9, "%s calling sendThread.send\n", "MEDPSession::sendRequest");
    sendThread.send(packet);
}

void MEDPSession::sendResponseData(RemoteDevice& remote, LocalDevice& local, int offset,
                                   int maxBlocks, unsigned char* data, int length) {
    static const char* const where = "MEDPSession::sendResponseData";
    if (destroying.load())
        return;
    const int blockSize = local.getBlockSize();
    if (blockSize <= 0 || !data || length < blockSize) {
        if (length > 0)
            ZTRACE(0, "%s nothing sent for %i bytes with bs=%i\n", where, length, blockSize);
        return;
    }
    // A limit below one block per packet is read as one block per packet.
    const int perPacket = std::max(1, maxBlocks);
    const int increment = std::min(perPacket, length / blockSize);
    int position = 0;
    int remaining = length;
    while (remaining >= blockSize) {
        const int blocks =
            remaining >= increment * blockSize ? increment : remaining / blockSize;
        ZTRACE(9, "%s sending %i(blocks), remaining=%i(bytes), increment=%i\n", where, blocks,
               remaining, increment);
        auto* response = new ReadResponse();
        response->setRemoteDistId(remote.getId());
        response->setOffset(offset);
        response->setBlockCount(blocks);
        response->setData(data, position, blocks * blockSize);
        sendRequest(response);
        position += blocks * blockSize;
        remaining -= blocks * blockSize;
        ZTRACE(8, "%s remaining %i\n", where, remaining);
    }
    if (remaining > 0)
        ZTRACE(0, "%s %i bytes short of a block not sent\n", where, remaining);
}

void MEDPSession::sendHeartbeatMsg() {
    if (destroying.load())
        return;
    sendRequest(new Heartbeat());
}

void MEDPSession::fireLoginResponse(int status) {
    std::vector<VMSessionListener*> current;
    {
        std::lock_guard<std::mutex> hold(listenerLock);
        current = listeners;
    }
    for (VMSessionListener* l : current)
        l->loginResponse(status);
}

void MEDPSession::addListener(VMSessionListener& listener) {
    std::lock_guard<std::mutex> hold(listenerLock);
    listeners.push_back(&listener);
}

void MEDPSession::removeListener(VMSessionListener& listener) {
    std::lock_guard<std::mutex> hold(listenerLock);
    auto found = std::find(listeners.begin(), listeners.end(), &listener);
    if (found != listeners.end())
        listeners.erase(found);
}

void MEDPSession::setSilent(bool on) {
    silent.store(on);
    requestProcessor.setSilent(on);
}

void MEDPSession::stopSession() {
    static const char* const where = "MEDPSession::stopSession";
    ZTRACE(1, "%s **************\n", where);
    if (destroying.load())
        return;
    try {
        ++stops;
        // What was queued before the stop (the answer to a release, say) still goes out,
        // as long as the connection takes it within a moment.
        if (sendThread.isRunning() && !sendThread.isStopRequested())
            sendThread.waitUntilSent(STOP_FLUSH_MS);
        {
            std::lock_guard<std::mutex> hold(lifecycle);
            askThreadsToStop();
            // A read blocked in the receive thread returns at once; its thread then sees
            // the stop request and leaves quietly.
            if (ZSocket* s = currentSocket())
                s->shutdownConnection();
        }
        ZTRACE(1, "%s Waiting for receive thread to end.\n", where);
        receiveThread.join();
        ZTRACE(1, "%s Waiting for send thread to end.\n", where);
        sendThread.join();
        ZTRACE(1, "%s Waiting for heartbeat thread to end.\n", where);
        heartBeatThread.join();

        std::lock_guard<std::mutex> hold(lifecycle);
        if (ZSocket* s = currentSocket())
            s->close();
        for (LocalDevice* local : deviceManager.getLocalDeviceList())
            if (local->isFileHandleValid())
                local->closeDevice();
        requestProcessor.freeBuffer();
        sessionStopped.store(true);
    } catch (const char* text) {
        ZTRACE(0, "%s exception caught: %s\n", where, text);
    }
    ZTRACE(1, "%s Socket Closed and Threads Stopped.\n", where);
}
