// The registered external programs as the settings file keeps them, without Qt.
#pragma once

#include <string>
#include <vector>

namespace velloran {
class IniFile;
}

namespace velloran::programs {

struct Program {
    std::string name;
    std::string path;
};

// Reads "numprogs" entries of the "programs" section; a missing count reads as none
// and a negative one is treated as none rather than trusted.
[[nodiscard]] std::vector<Program> readPrograms(const IniFile& ini);

// Writes the count and every entry; keys of entries beyond the new count stay in the
// file untouched, because the count alone decides what is read back.
void writePrograms(IniFile& ini, const std::vector<Program>& programs);

// True when `path` names an executable file, or is a bare command name (no "/")
// found as an executable in one of the folders of `searchPath` (colon separated).
[[nodiscard]] bool isRunnable(const std::string& path, const std::string& searchPath);

} // namespace velloran::programs
