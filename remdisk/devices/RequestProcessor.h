// Where the controller's messages take effect, on the receive thread: the login result, the
// virtual disk list, block reads and writes on the mapped media, status reports and
// releases.
#pragma once

#include <atomic>
#include <cstdint>

class DeviceStatus;
class LoginResponse;
class MEDPPacket;
class MEDPSession;
class ReadRequest;
class VDiskInfo;
class VDiskRelease;
class VDiskWrite;

class RequestProcessor {
public:
    // The read buffer never grows beyond this; larger reads are served in several passes.
    static constexpr int MAX_READ_BUFFER = 16 * 1024 * 1024;

    explicit RequestProcessor(MEDPSession& session);
    virtual ~RequestProcessor();
    RequestProcessor(const RequestProcessor&) = delete;
    RequestProcessor& operator=(const RequestProcessor&) = delete;

    // The caller keeps the packet.
    void process(MEDPPacket* packet);
    void process(LoginResponse* packet);
    void process(VDiskInfo* packet);
    void process(ReadRequest* packet);
    void process(VDiskWrite* packet);
    void process(DeviceStatus* packet);
    void process(VDiskRelease* packet);

    void sendClientStatus(int diskId, int status);
    void freeBuffer();
    void setSilent(bool on) { silent.store(on); }

    int getReadBufferSize() const { return bufferSize; }

private:
    // Serves a read of a mapped drive; returns the status to report.
    int serveRead(ReadRequest& request);

    MEDPSession& session;
    std::atomic<bool> silent;
    unsigned char* buffer = nullptr;
    int bufferSize = 0;
};
