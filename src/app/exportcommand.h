// The command-line export mode: a file written to standard output as text, RTF or HTML,
// with no window and no hand-over to a running instance.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velloran {

inline constexpr int kExitFileError = 1;
inline constexpr int kExitUsageError = 2;

// Whether the parameters after the program name ask for an export, well formed or not.
[[nodiscard]] bool IsExportCommand(const std::vector<std::string>& args);

// `args` are the parameters after the program name. Returns nullopt when they are not
// an export request ("--export=FORMAT FILE", in either order); otherwise the exit
// status, after writing the export to `out` or a one-line "velloran: ..." to `err`.
[[nodiscard]] std::optional<int> RunExportCommand(const std::vector<std::string>& args,
                                                  std::ostream& out, std::ostream& err);

// The local time now as "YYYY-MM-DD HH:MM:SS", the date stamped into exported pages.
[[nodiscard]] std::string LocalDateText();

} // namespace velloran
