// Trace-log helpers shared by the library's modules. Each module defines RAC_MODULE (its
// name as it appears in the trace lines) before including this header.
#pragma once

#include "ctlcfgapi.h"

#define RAC_DEBUG(fmt, ...) \
    TraceLogMessage(TRACELOG_LEVEL_DEBUG, "DEBUG: %s [%d]: " fmt, RAC_MODULE, __LINE__, ##__VA_ARGS__)
#define RAC_ERROR(fmt, ...) \
    TraceLogMessage(TRACELOG_LEVEL_ERROR, "ERROR: %s [%d]: " fmt, RAC_MODULE, __LINE__, ##__VA_ARGS__)
#define RAC_DUMP(title, addr, len) TraceHexDump(TRACELOG_LEVEL_DEBUG, (title), (addr), (len))

// Entry line of an operation of the interface record.
#define RAC_TRACE_OP(name) RAC_DEBUG("\n****************************************\n%s:\n\n", name)
// Entry line of a shared internal function.
#define RAC_TRACE_FN(name) RAC_DEBUG("\n%s:\n\n", name)
