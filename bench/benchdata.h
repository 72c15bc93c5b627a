// Where the benchmarks find their big input files, if anywhere.
#pragma once

#include <cstddef>
#include <string>

namespace velloran::bench {

// The folder given by --data=DIR or VELLORAN_BENCH_DATA; empty when neither was given,
// and then each benchmark makes a small input of its own.
[[nodiscard]] const std::string& DataDir();

// The process's resident memory in bytes, or 0 when it cannot be read.
[[nodiscard]] std::size_t ResidentBytes();

} // namespace velloran::bench
