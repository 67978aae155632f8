// The controller's side of the packed extended-configuration groups: a write carries every
// field of its group, and only the fields its mask selects replace the stored ones.
#pragma once

#include "ipmi/ipmi_state.h"

#include <cstdint>

namespace sim {

// Merges a complete incoming parameter (header included) into the stored one for a packed
// group token. False when the token is not a packed group or either parameter does not parse
// exactly as that group (the caller then stores the incoming bytes as they are).
bool mergeExtGroup(uint8_t token, const Bytes& stored, const Bytes& incoming, Bytes& out);

} // namespace sim
