#include "ipmi/ipmi_dispatch.h"

#include <cstdio>

namespace sim {

IpmiDispatcher::IpmiDispatcher(IpmiState state, std::string stateFile)
    : state_(std::move(state)), stateFile_(std::move(stateFile)) {}

void IpmiDispatcher::add(uint8_t netfn, uint8_t cmd, IpmiHandler h) { handlers_[{netfn, cmd}] = std::move(h); }

bool IpmiDispatcher::dispatch(const vmcodec::Request& req, vmcodec::Response& rsp) {
    std::lock_guard<std::mutex> lock(mu_);
    rsp = vmcodec::Response();
    rsp.seq = req.seq;
    rsp.netfn = static_cast<uint8_t>(req.netfn | 1);
    rsp.lun = req.lun;
    rsp.cmd = req.cmd;
    std::pair<uint8_t, uint8_t> key{req.netfn, req.cmd};
    IpmiContext ctx{req, state_};
    if (gate_ && !gate_(ctx)) {
        save(ctx);
        return false;
    }
    if (state_.silent.count(key)) return false;
    auto f = state_.failures.find(key);
    if (f != state_.failures.end()) {
        rsp.cc = f->second;
        return true;
    }
    auto h = handlers_.find(key);
    if (h == handlers_.end()) {
        rsp.cc = cc::kInvalidCommand;
        return true;
    }
    h->second(ctx, rsp);
    if (rsp.cc != cc::kOk && rsp.cc != cc::kOemStatus) rsp.data.clear();
    save(ctx);
    return !ctx.silent;
}

void IpmiDispatcher::save(const IpmiContext& ctx) {
    if (ctx.changed && !stateFile_.empty()) {
        if (!saveIpmiState(stateFile_, state_, saveError_))
            std::fprintf(stderr, "vantro-sim: cannot save IPMI state: %s\n", saveError_.c_str());
    }
}

IpmiState IpmiDispatcher::snapshot() {
    std::lock_guard<std::mutex> lock(mu_);
    return state_;
}

} // namespace sim
