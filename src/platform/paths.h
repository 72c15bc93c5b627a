// Where the program lives, where it keeps its settings and where it finds its data.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velloran {

// The settings file name for a program file name: the name up to and including its
// first "." followed by "ini" ("velloran" → "velloran.ini", "my.tool" → "my.ini").
[[nodiscard]] std::string SettingsFileNameFor(std::string_view programName);

// The folder of the running program file, ending in "/".
[[nodiscard]] std::string ProgramDir();
// The running program file's name without folder.
[[nodiscard]] std::string ProgramName();

// $XDG_CONFIG_HOME/velloran/ (default ~/.config/velloran/), ending in "/". Created
// on demand by EnsureConfigDir, never by merely asking for it.
[[nodiscard]] std::string ConfigDir();
// Creates the config folder (and its parents) when missing; throws FileError.
void EnsureConfigDir();

// The first existing file among `relative` beside the program (`appDir`) and below
// each data folder; empty when none exists.
[[nodiscard]] std::string FindDataFile(std::string_view relative, const std::string& appDir,
                                       const std::vector<std::string>& dataDirs);

// The name without its folder.
[[nodiscard]] std::string ExtractFileName(std::string_view path);
// The folder part including the final "/", or empty.
[[nodiscard]] std::string ExtractFilePath(std::string_view path);
// The extension with its dot ("" when the name has none; a leading dot of a hidden
// file name is not an extension).
[[nodiscard]] std::string ExtractFileExt(std::string_view path);

[[nodiscard]] std::string AsciiLower(std::string_view text);
[[nodiscard]] std::string AsciiUpper(std::string_view text);
[[nodiscard]] bool SameTextAscii(std::string_view a, std::string_view b) noexcept;

} // namespace velloran
