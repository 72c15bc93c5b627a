// Where the benchmarks find their big input files, if anywhere.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace velloran::bench {

// The folder given by --data=DIR or VELLORAN_BENCH_DATA; empty when neither was given,
// and then each benchmark makes a small input of its own.
[[nodiscard]] const std::string& DataDir();

// The process's resident memory in bytes, or 0 when it cannot be read.
[[nodiscard]] std::size_t ResidentBytes();

// The peak resident memory in KiB of a program run with `args` (the program first), its
// output thrown away; -1 when it cannot be run or does not succeed. A child forked from
// this process would start with its pages counted, so a fresh copy of this binary,
// small, starts the program and reports the peak (`--peak-of`).
[[nodiscard]] long PeakKiBOf(const std::vector<std::string>& args);
// The launcher's side, run by main for "--peak-of PROGRAM ARGS...".
int ReportPeakOf(char** args);

} // namespace velloran::bench
