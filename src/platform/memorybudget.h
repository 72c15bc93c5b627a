// How much more memory the program may take before the machine starts to swap or the
// process meets its address-space limit.
#pragma once

#include <cstdint>

namespace velloran {

// The smaller of the memory the system reports available and what the address-space
// limit (ulimit -v) leaves above the present size of the process; the maximum value
// when neither is known.
[[nodiscard]] std::uint64_t AvailableMemory() noexcept;

} // namespace velloran
