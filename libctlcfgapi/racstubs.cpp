// Stubs for the operations whose modules are not built yet (see RAC_PENDING_OPS).
#include "racipmi_ops.h"

extern "C" {
#define RAC_STUB_(name) \
    unsigned name(RacIpmi* pRacIpmi) { return racNotSupported(pRacIpmi, #name); }
RAC_PENDING_OPS(RAC_STUB_)
#undef RAC_STUB_
}
