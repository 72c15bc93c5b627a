// Writing and reading whole files: writes replace the target atomically so that a
// failure never leaves a truncated or half-written file behind.
#pragma once

#include <string>
#include <string_view>

namespace velloran {

// Writes `bytes` to a temporary file in the target's folder, flushes it to disk and
// renames it over `path`. An existing file keeps its permission bits; a new one gets
// 0666 less the umask. Throws FileError (with the system's reason) and leaves any
// existing file untouched on failure; the temporary file is removed.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Reads the whole file. Throws FileError when it cannot be opened or read.
[[nodiscard]] std::string ReadWholeFile(const std::string& path);

[[nodiscard]] bool FileExists(const std::string& path) noexcept;

} // namespace velloran
