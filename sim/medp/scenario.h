// What the simulated controller does with a virtual media session: which disks it lists,
// how it checks the login, and what it does with each drive the client maps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// MEDP virtual disk types in the disk list.
constexpr int DISK_BLOCK = 1;   // floppy
constexpr int DISK_CD = 2;
constexpr int DISK_USB = 4;     // generic block device

struct ListedDisk {
    int type = DISK_CD;
    int status = 0;
};

// What one mapped drive must read as. kind "" matches any drive, "cd" a CD/DVD drive,
// "floppy" (or "usb") a block drive.
struct DriveExpectation {
    std::string kind;
    std::string sha256;  // lower-case hex; from the file when file is set
    std::string file;
    uint64_t fileSize = 0;
};

enum class LoginAuth { ANY, PASSWORD, RANDOM };
enum class Finish { RELEASE_ALL, RELEASE_ONE, NONE, CLOSE };

struct ScenarioConfig {
    std::vector<ListedDisk> disks{{DISK_CD, 0}, {DISK_BLOCK, 0}};
    std::string loginUser = "vmuser";
    std::string loginPassword;          // the temporary password handed out over HTTPS
    LoginAuth loginAuth = LoginAuth::ANY;
    int loginStatus = -1;               // -1: 0 when the login checks out, else 1
    int drives = -1;                    // drives to wait for; -1: one per expectation, at least 1
    std::vector<DriveExpectation> expectations;
    int readSize = 65536;               // bytes per read request (whole blocks, at least one)
    int maxBlocks = 8;                  // maximum blocks per response packet
    bool write = false;                 // write a pattern and read it back (refusal on read-only drives)
    int writeBlocks = 4;
    int64_t writeOffset = -1;           // first block written; -1: the middle of the medium
    bool readPastEnd = false;           // one read at the capacity must end with a non-zero status
    int deviceStatus = -1;              // DeviceStatus code sent to each drive after its checks
    bool expectHeartbeat = false;       // wait for a heartbeat before finishing
    Finish finish = Finish::RELEASE_ALL;
    int ioTimeoutMs = 30000;            // longest wait for any single answer of the client
};

// The byte the write check puts at medium offset pos.
inline uint8_t writePatternByte(uint64_t pos) { return static_cast<uint8_t>(pos % 251); }

// Largest MEDP payload the simulator accepts from a client: 255 blocks of 4 KiB plus the
// offset and count of a read response.
constexpr int SIM_MAX_PAYLOAD = 8 + 255 * 4096;

} // namespace sim
