// How long this process has been running, for start-up steps that share one
// time budget counted from the program's start.
#pragma once

namespace platform {

// Milliseconds since the process was started (by the kernel's account, so
// the time before main counts too); 0 when that cannot be read.
long ProcessAgeMs();

}  // namespace platform
