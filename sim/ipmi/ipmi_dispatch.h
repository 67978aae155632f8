// The simulated controller's IPMI command table: one handler per (network function,
// command). Command families register themselves; unknown commands answer C1h.
#pragma once

#include "ipmi/ipmi_state.h"
#include "vm_codec.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace sim {

// What a handler sees: the request, the state it may read and change, and a flag it sets
// after a change so the state is saved.
struct IpmiContext {
    const vmcodec::Request& req;
    IpmiState& state;
    bool changed = false;
    bool silent = false; // set by a handler that sends no response at all
};

// A handler fills the completion code and data of the response.
using IpmiHandler = std::function<void(IpmiContext&, vmcodec::Response&)>;

class IpmiDispatcher {
public:
    // stateFile may be empty (state kept in memory only).
    IpmiDispatcher(IpmiState state, std::string stateFile);

    void add(uint8_t netfn, uint8_t cmd, IpmiHandler h);

    // Asked before every request; false keeps the controller silent (a restart, say). It may
    // change the state (and then sets the context's changed flag).
    void setGate(std::function<bool(IpmiContext&)> gate) { gate_ = std::move(gate); }

    // Asked before an extended-configuration parameter is stored: 0 lets it be stored, any
    // other value is the completion code that refuses the write.
    using ExtcfgWriteHook = std::function<uint8_t(IpmiContext&, uint8_t token, uint8_t index, const Bytes&)>;
    void setExtcfgWriteHook(ExtcfgWriteHook hook) { extcfgWrite_ = std::move(hook); }
    uint8_t extcfgWritten(IpmiContext& c, uint8_t token, uint8_t index, const Bytes& p) const {
        return extcfgWrite_ ? extcfgWrite_(c, token, index, p) : 0;
    }

    // False when the command is configured to stay silent (no response is sent).
    bool dispatch(const vmcodec::Request& req, vmcodec::Response& rsp);

    IpmiState snapshot();
    const std::string& lastSaveError() const { return saveError_; }

private:
    void save(const IpmiContext& ctx);

    std::mutex mu_;
    IpmiState state_;
    std::string stateFile_;
    std::string saveError_;
    std::map<std::pair<uint8_t, uint8_t>, IpmiHandler> handlers_;
    std::function<bool(IpmiContext&)> gate_;
    ExtcfgWriteHook extcfgWrite_;
};

// Completion codes used by the handlers.
namespace cc {
// kOemStatus: the reply's first data byte is a status of the maker's own (kept with the code).
constexpr uint8_t kOemStatus = 0xFF;
constexpr uint8_t kOk = 0x00, kInvalidCommand = 0xC1, kBadReservation = 0xC5, kLengthInvalid = 0xC7,
                  kOutOfRange = 0xC9, kNotPresent = 0xCB, kInvalidField = 0xCC;
}

// The command families this controller answers (ipmi_commands.cpp).
void addAppCommands(IpmiDispatcher& d);
void addSensorCommands(IpmiDispatcher& d);
void addStorageCommands(IpmiDispatcher& d);
void addExtendedConfigCommands(IpmiDispatcher& d);

inline void addStandardCommands(IpmiDispatcher& d) {
    addAppCommands(d);
    addSensorCommands(d);
    addStorageCommands(d);
    addExtendedConfigCommands(d);
}

} // namespace sim
