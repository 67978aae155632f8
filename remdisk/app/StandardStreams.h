#pragma once

// Opens /dev/null on any of descriptors 0, 1 and 2 that is closed, so no medium or trace
// file opened later can take one of them (a medium on descriptor 1 would receive the
// console text; a handle of 0 counts as invalid).
void ensureStandardStreams();
