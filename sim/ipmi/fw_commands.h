// Puts the firmware-update side into the simulator's IPMI command table.
#pragma once

#include "ipmi/fw_update.h"
#include "ipmi/ipmi_dispatch.h"

#include <memory>

namespace sim {

// After addStandardCommands: replaces Get Device ID, adds the firmware commands, keeps the
// controller silent while it restarts and takes the reset action of the extended
// configuration.
void addFirmwareCommands(IpmiDispatcher& d, std::shared_ptr<FwUpdateController> fw);

} // namespace sim
