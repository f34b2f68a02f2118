// How much memory the machine has.
#pragma once

#include <cstdint>

namespace platform {

// The machine's physical memory in bytes; 0 when it cannot be told.
std::uint64_t PhysicalMemoryBytes();

}  // namespace platform
