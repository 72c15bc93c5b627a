// Writing and reading whole files: writes replace the target atomically so that a
// failure never leaves a truncated or half-written file behind, and reads take only
// regular files of a size that fits their kind.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velloran {

// Writes `bytes` to a temporary file in the target's folder, flushes it to disk and
// renames it over `path`. An existing file keeps its permission bits and group; a new
// one gets 0666 less the umask. Throws FileError (with the system's reason) and leaves
// any existing file untouched on failure; the temporary file is removed.
//
// A replacement is a new file with one name and our owner, so an existing file with
// other hard links, another owner or a group we cannot give is overwritten in place
// instead, as is one whose folder does not let us make the temporary file. Such a
// write is not atomic: room for the new size is taken first, so running out of space
// or over a size limit usually fails before an old byte changes, and the error text
// says when the file may have been left incomplete.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// The largest file a read takes, and how the refusal explains it: the message reads
// "File is too large to open: "NAME" has SIZE; " followed by `why` and the limit.
struct ReadLimit {
    std::uint64_t maxBytes;
    std::string_view why;
};

inline constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
// Settings, server profiles, user tag lists: hand-edited key lines.
inline constexpr ReadLimit kSettingsReadLimit{16 * kMiB, "a settings file may have at most"};
// Compiled highlighting languages are tens of kilobytes.
inline constexpr ReadLimit kParserImageReadLimit{16 * kMiB, "a language file may have at most"};
// Project files, templates and anything else without a limit of its own.
inline constexpr ReadLimit kDefaultReadLimit{256 * kMiB, "a file of this kind may have at most"};

// Reads the whole file. Throws FileError when it cannot be opened or read, when it is
// not a regular file (a FIFO would block the read for ever, a device never end it),
// or when it is larger than `limit` (checked before reading and again while reading,
// for a file that grows).
[[nodiscard]] std::string ReadWholeFile(const std::string& path,
                                        const ReadLimit& limit = kDefaultReadLimit);

// The refusal text for a file of `size` bytes over `limit`.
[[nodiscard]] std::string FileTooLargeText(const std::string& path, std::uint64_t size,
                                           const ReadLimit& limit);

// "512 bytes", "1.5 KB", "2.0 GB" (units of 1024).
[[nodiscard]] std::string ByteSizeText(std::uint64_t bytes);

[[nodiscard]] bool FileExists(const std::string& path) noexcept;

// Under a file-size limit the kernel ends a process whose write passes it. With this
// the write fails with EFBIG instead and takes the ordinary error path. A caught
// signal (rather than an ignored one) returns to its default in programs we start.
void CatchFileSizeSignal() noexcept;

} // namespace velloran
