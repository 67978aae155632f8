// The client end of one virtual media session: the connection (set up through HSHK), the
// device registry, the request processor and the send, receive and heartbeat threads. It
// builds and queues every outgoing MEDP message and stops everything in a fixed order.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "devices/DeviceManager.h"
#include "devices/RequestProcessor.h"
#include "session/HeartBeatThread.h"
#include "session/ReceiveThread.h"
#include "session/SendThread.h"

class LocalDevice;
class MEDPPacket;
class RemoteDevice;
class VMSessionListener;
class ZInputStream;
class ZOutputStream;
class ZSocket;

class MEDPSession {
public:
    // The most a login credential can carry.
    static constexpr int MAX_CREDENTIAL = 32;
    static constexpr int REQUEST_BLOCK_LIMIT = 255;
    // How long a stop lets the send thread finish the packets queued before it.
    static constexpr int STOP_FLUSH_MS = 1000;

    MEDPSession();
    virtual ~MEDPSession();
    MEDPSession(const MEDPSession&) = delete;
    MEDPSession& operator=(const MEDPSession&) = delete;

    // Set-up exchange, then the receive, send and heartbeat threads. Throws the socket's and
    // the set-up's C strings, and "Connection failed." when no connection type is granted.
    void connect(const std::string& host, int port);

    ZOutputStream* getOutputStream();
    // Throws "MEDPSession input stream not set." without a socket.
    ZInputStream& getInputStream();
    DeviceManager& getDeviceManager() { return deviceManager; }
    RequestProcessor& getRequestProcessor() { return requestProcessor; }

    // The credential is the controller's random data (its first 32 bytes).
    void sendLogin(const std::string& user);
    // Throws "Password too long for the login request." for more than 32 characters.
    void sendLoginUser(const std::string& user, const std::string& password);
    void sendVDiskInfoRequest();
    // CD/DVD drives and ISO images; throws "Programmer error: Incorrect local device for
    // call" for any other type.
    void sendMapRequest(LocalDevice& local, RemoteDevice& remote, bool unused);
    // Floppy, USB and other block devices and their images.
    void sendMapRequest2(LocalDevice& local, RemoteDevice& remote, bool unused);
    // Takes ownership of packet.
    void sendRequest(MEDPPacket* packet);
    // Sends length bytes read for one request as ReadResponse packets of at most maxBlocks
    // blocks, each carrying offset. Only whole blocks are sent.
    void sendResponseData(RemoteDevice& remote, LocalDevice& local, int offset, int maxBlocks,
                          unsigned char* data, int length);
    void sendHeartbeatMsg();

    void fireLoginResponse(int status);
    void addListener(VMSessionListener& listener);
    void removeListener(VMSessionListener& listener);

    void stopSession();

    void setSilent(bool on);
    bool isSilent() const { return silent.load(); }
    bool isSessionStopped() const { return sessionStopped.load(); }
    void setNumMaps(int n) { numMaps.store(n); }
    int getNumMaps() const { return numMaps.load(); }

    // For tests: the send queue.
    SendThread& getSendThread() { return sendThread; }

private:
    void askThreadsToStop();
    void queueMapRequest(LocalDevice& local, RemoteDevice& remote, MEDPPacket* request);
    ZSocket* currentSocket() const { return socket.load(); }

    std::atomic<bool> sessionStopped{false};
    std::atomic<bool> silent{false};
    std::atomic<bool> destroying{false};
    int randomDataLength = 0;
    std::atomic<int> numMaps{0};
    unsigned char* randomData = nullptr;
    DeviceManager deviceManager;
    std::atomic<ZSocket*> socket{nullptr};
    SendThread sendThread;
    ReceiveThread receiveThread;
    RequestProcessor requestProcessor;
    std::vector<VMSessionListener*> listeners;
    HeartBeatThread heartBeatThread;

    // Serialises the start of the threads in connect against a stop from another thread,
    // and the closing steps of concurrent stops. Never held while joining a thread.
    std::mutex lifecycle;
    // Incremented by every stop; connect starts no threads when a stop came in meanwhile.
    std::atomic<unsigned> stops{0};
    std::mutex listenerLock;
};
