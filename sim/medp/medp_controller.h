// The controller's side of one MEDP session: checks the login, lists the virtual disks,
// and puts every drive the client maps through the scenario (whole-medium read against
// the expected digest, write check, past-end read, status report), then releases the
// drives as asked. Runs on the thread that accepted the connection.
#pragma once

#include "medp/drive_report.h"
#include "medp/scenario.h"
#include "protocol/MEDPPacket.h"
#include "protocol/PacketReceiver.h"
#include "server_stream.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sim {

struct SessionResult {
    bool completed = false;  // the scenario ran to its end
    bool failed = false;     // a check failed or the client broke the protocol
    std::string outcome;     // what happened, for the summary line
    std::vector<DriveReport> drives;
    int heartbeats = 0;
    bool ok() const { return completed && !failed; }
};

class MedpController {
public:
    // hshkRandom: the random data this side sent in the set-up exchange (the client's
    // credential when it logs in without a password).
    MedpController(ServerStream& stream, const ScenarioConfig& config, std::vector<uint8_t> hshkRandom,
                   const std::atomic<bool>* stop);
    SessionResult run();

private:
    struct Drive {
        DriveReport report;
        int expectation = -1;
        bool done = false;
        bool unmappedByStatus = false;
    };
    using Sink = std::function<void(const uint8_t*, size_t)>;

    void login();
    void serveDrives();
    void processDrive(Drive& d);
    void readWhole(Drive& d);
    void checkWrite(Drive& d);
    void checkPastEnd(Drive& d);
    void checkDeviceStatus(Drive& d);
    void finish();
    void releaseDrive(Drive& d);
    void waitForClose(long ms, const char* failureIfOpen);

    // One request: returns the client's status; got counts the data bytes.
    int readRange(Drive& d, uint32_t offset, uint32_t count, const Sink& sink, uint64_t& got);
    int writeRange(Drive& d, uint32_t offset, uint32_t count, const std::vector<uint8_t>& data);
    int awaitStatus(Drive& d, const char* what);

    // What else ends a wait for the next message (with a null result).
    enum class Until { MESSAGE, HEARTBEAT, MAP };
    // The next message that needs an answer from the scenario; heartbeats, disk list
    // requests and map requests are handled on the way.
    std::unique_ptr<MEDPPacket> next(const std::string& waitingFor, long ms, Until until = Until::MESSAGE);
    std::unique_ptr<MEDPPacket> receiveRaw(const std::string& waitingFor);
    void addDrive(MEDPPacket& request);
    void sendDiskList();
    void send(MEDPPacket& p);

    ServerStream& stream_;
    const ScenarioConfig& config_;
    std::vector<uint8_t> hshkRandom_;
    const std::atomic<bool>* stop_;
    PacketReceiver receiver_;
    std::deque<Drive> drives_;  // in map order; a deque keeps references valid while it grows
    std::vector<bool> expectationUsed_;
    int heartbeats_ = 0;
    bool loginRefusedOnPurpose_ = false;
};

} // namespace sim
