// Where the running program finds its settings file and its read-only data.
#pragma once

#include <string>
#include <vector>

namespace velloran {

struct ProgramPaths {
    std::string appDir;
    std::string iniFileName;
    std::vector<std::string> dataDirs; // searched after appDir for read-only files
};

// The program's folder, the settings file in the config folder, and the installed
// data folder.
[[nodiscard]] ProgramPaths CurrentProgramPaths();

} // namespace velloran
