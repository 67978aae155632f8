// The firmware-update side on the simulator's IPMI command table: Get Device ID and the
// firmware commands answered by the FwUpdateController, the controller silent while it
// restarts, and the reset action written through the extended configuration.
#include "ipmi/fw_commands.h"

namespace sim {

namespace {

constexpr uint8_t kApp = 0x06, kFirmware = 0x08;
constexpr uint8_t kActionToken = 0x14;

// Runs fn on the firmware state held in the controller's state, and writes it back when it
// changed.
template <typename Fn>
auto withFwState(FwUpdateController& fw, IpmiContext& c, Fn fn) -> decltype(fn(std::declval<FwState&>())) {
    FwState s = fw_state_from_pairs(c.state.fw, fw.initialState());
    auto result = fn(s);
    std::map<std::string, std::string> pairs;
    fw_state_to_pairs(s, &pairs);
    if (pairs != c.state.fw) {
        c.state.fw = std::move(pairs);
        c.changed = true;
    }
    return result;
}

} // namespace

void addFirmwareCommands(IpmiDispatcher& d, std::shared_ptr<FwUpdateController> fw) {
    auto handler = [fw](IpmiContext& c, vmcodec::Response& r) {
        FwReply reply;
        withFwState(*fw, c, [&](FwState& s) {
            return fw->handle(c.req.netfn, c.req.cmd, c.req.data, s, &reply);
        });
        c.silent = !reply.respond;
        r.cc = reply.completionCode;
        r.data = reply.data;
    };
    d.add(kApp, 0x01, handler); // Get Device ID, with the running firmware's version
    for (uint8_t cmd = 0x10; cmd <= 0x16; ++cmd)
        d.add(kFirmware, cmd, handler);

    d.setGate([fw](IpmiContext& c) {
        return !withFwState(*fw, c, [&](FwState& s) { return fw->rebooting(s); });
    });
    d.setExtcfgWriteHook([fw](IpmiContext& c, uint8_t token, uint8_t, const Bytes& p) -> uint8_t {
        if (token != kActionToken)
            return 0;
        return withFwState(*fw, c, [&](FwState& s) { return fw->racAction(p, s); });
    });
}

} // namespace sim
