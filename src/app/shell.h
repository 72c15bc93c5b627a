// The program's start: single-instance check, then the windows in their order.
#pragma once

namespace velloran {

// Runs the program and returns its exit code.
int RunVelloran(int argc, char** argv);

} // namespace velloran
