// Starts the endpoints the options name, waits for the end of the run (signal, --once
// verdict or --timeout) and stops them. Returns the process exit status.
#pragma once

#include "sim_options.h"

namespace sim {

int runSimulator(SimOptions& opts);

} // namespace sim
