// Command line of vantro-sim. Each endpoint is started by its own options.
#pragma once

#include "hshk/hshk_exchange.h"
#include "http/credential_response.h"
#include "medp/scenario.h"
#include "ipmi/fw_update.h"

#include <string>
#include <vector>

namespace sim {

struct SimOptions {
    int ipmiPort = -1;      // --ipmi-port N: serve IPMI (VM protocol) on 127.0.0.1:N, 0 = any free port
    std::string stateFile;  // --state FILE: controller state kept across runs
    int httpsPort = -1;     // --https-port N: credential web server
    int vmPort = -1;        // --vm-port N: HSHK and MEDP
    bool once = false;      // end after one virtual media session (or one credential request)
    int timeoutSeconds = 0; // 0: no overall limit
    bool tempPasswordSet = false;
    CredentialConfig credentials;
    HshkConfig hshk;
    ScenarioConfig scenario;
    bool virtualUsb = false; // --virtual-usb: present a real FAT loop device at phase 1
    bool help = false;
    FwUpdateOptions fw;     // --fw-...: the firmware-update side (fw_update.h)
};

// False with a message for an unknown option, a missing or bad value.
bool parseSimOptions(const std::vector<std::string>& args, SimOptions& out, std::string& error);
const char* simUsage();

} // namespace sim
