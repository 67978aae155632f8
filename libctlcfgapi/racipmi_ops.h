// Prototypes of the operations that fill the interface record's slots.
//
// Operations whose module is not built yet are listed in RAC_PENDING_OPS and answer through
// a stub (racstubs.cpp) with 4 for a null record and 11 otherwise. A module that lands moves
// its names from the list to a real prototype below.
#pragma once

#include "racipmi_private.h"

#define RAC_PENDING_OPS(X) \
    /* every family is built: nothing is pending */

#ifdef __cplusplus
extern "C" {
#endif

#define RAC_PENDING_DECL_(name) unsigned name(RacIpmi* pRacIpmi);
RAC_PENDING_OPS(RAC_PENDING_DECL_)
#undef RAC_PENDING_DECL_

// Built operations (getRacStatus is declared in the public header).

// sdr_sel: SEL and SDR access, declared in the public header.

#ifdef __cplusplus
}
#endif

#include "racfamily_ops.h"
