#pragma once

#include <cstdint>

namespace platform {

// Milliseconds from a steady clock, cut to 32 bits. Compare two readings by unsigned
// subtraction: the difference stays right across the wrap.
std::uint32_t tickCount();

void sleepMs(int ms);

} // namespace platform
