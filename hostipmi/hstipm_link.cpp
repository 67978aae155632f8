#include "hstipm_link.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

namespace hstipm {

namespace {

std::mutex gMu;
std::unique_ptr<vmcodec::BmcLink> gLink;
std::string gAddress;
std::string gReported; // last link error shown, so retries do not repeat it

vmcodec::BmcLink* link() {
    const char* env = std::getenv(vmcodec::kBmcEnv);
    std::string address = (env && *env) ? env : vmcodec::kDefaultBmc;
    if (!gLink || address != gAddress) {
        std::string host;
        uint16_t port = 0;
        if (!vmcodec::parseHostPort(address, host, port)) {
            std::string msg = std::string(vmcodec::kBmcEnv) + "=\"" + address + "\" is not host:port";
            if (msg != gReported) std::fprintf(stderr, "libhstipm32: %s\n", msg.c_str());
            gReported = msg;
            gLink.reset();
            return nullptr;
        }
        gLink.reset(new vmcodec::BmcLink(host, port));
        gAddress = address;
    }
    return gLink.get();
}

} // namespace

int replyTimeoutMs(int32_t timeout) {
    if (timeout <= 0) return 3000;
    if (timeout > 6000) return 60000;
    return timeout * 10;
}

Reply call(uint8_t netfn, uint8_t cmd, const vmcodec::Bytes& req, int32_t timeout) {
    std::lock_guard<std::mutex> lock(gMu);
    Reply r;
    vmcodec::BmcLink* l = link();
    if (l == nullptr) return r;
    vmcodec::Response rsp;
    if (l->transact(netfn, cmd, req, rsp, replyTimeoutMs(timeout)) != vmcodec::BmcLink::Result::Ok) {
        std::string msg = gAddress + ": " + l->lastError();
        if (msg != gReported) {
            std::fprintf(stderr, "libhstipm32: BMC %s (%s=host:port selects the BMC)\n", msg.c_str(),
                         vmcodec::kBmcEnv);
            gReported = msg;
        }
        return r;
    }
    gReported.clear();
    r.status = rsp.cc == 0 ? 0 : kCcBase + rsp.cc;
    r.data = std::move(rsp.data);
    return r;
}

void resetLink() {
    std::lock_guard<std::mutex> lock(gMu);
    gLink.reset();
}

} // namespace hstipm
