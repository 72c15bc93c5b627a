// Where the benchmarks find their big input files, if anywhere.
#pragma once

#include <string>

namespace velloran::bench {

// The folder given by --data=DIR or VELLORAN_BENCH_DATA; empty when neither was given,
// and then each benchmark makes a small input of its own.
[[nodiscard]] const std::string& DataDir();

} // namespace velloran::bench
