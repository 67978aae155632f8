// One line of the simulator's progress output on standard output, whole and flushed even
// when endpoint threads write at the same time.
#pragma once

namespace sim {

void simLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace sim
