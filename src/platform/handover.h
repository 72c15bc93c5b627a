// The fixed terms of the hand-over between a second start and the running instance.
#pragma once

#include <cstddef>
#include <string_view>

namespace velloran {

// Window class whose name marks a running instance.
inline constexpr std::string_view kInstanceClass = "tfeditor";
// Longest command line handed to a running instance, terminator included; long
// enough for any path the system accepts.
inline constexpr std::size_t kHandoverLimit = 4096;

} // namespace velloran
