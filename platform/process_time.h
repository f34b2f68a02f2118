// How long this process has been running, for start-up steps that share one
// time budget counted from the program's start.
#pragma once

namespace platform {

// Milliseconds since the process was started (by the kernel's account, so
// the time before main counts too); 0 when that cannot be read.
long ProcessAgeMs();

// Writes a step of the program's start as a debug line (only with
// QUORBITAL_DEBUG): "start: <step> at <ms> ms", counted from the process's
// start (to the kernel's 10 ms at the first step, finer between steps).
// Any thread.
void LogStartStep(const char* step);

}  // namespace platform
