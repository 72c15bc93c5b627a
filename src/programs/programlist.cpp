// Reads and writes the external program list and checks that a program can be started.
#include "programs/programlist.h"

#include "platform/inifile.h"

#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace velloran::programs {

namespace {
constexpr const char* kSection = "programs";

bool isExecutableFile(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec) && ::access(p.c_str(), X_OK) == 0;
}
} // namespace

std::vector<Program> readPrograms(const IniFile& ini) {
    std::vector<Program> result;
    const int n = ini.readInteger(kSection, "numprogs", 0);
    for (int i = 0; i < n; ++i) {
        const std::string index = std::to_string(i);
        result.push_back({ini.readString(kSection, "progname" + index, ""),
                          ini.readString(kSection, "progpath" + index, "")});
    }
    return result;
}

void writePrograms(IniFile& ini, const std::vector<Program>& programs) {
    ini.writeInteger(kSection, "numprogs", static_cast<int>(programs.size()));
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const std::string index = std::to_string(i);
        ini.writeString(kSection, "progname" + index, programs[i].name);
        ini.writeString(kSection, "progpath" + index, programs[i].path);
    }
}

bool isRunnable(const std::string& path, const std::string& searchPath) {
    if (path.empty())
        return false;
    if (path.find('/') != std::string::npos)
        return isExecutableFile(path);
    std::size_t start = 0;
    while (start <= searchPath.size()) {
        std::size_t end = searchPath.find(':', start);
        if (end == std::string::npos)
            end = searchPath.size();
        const std::string dir = searchPath.substr(start, end - start);
        // An empty PATH entry would mean the current folder; never search it implicitly.
        if (!dir.empty() && isExecutableFile(std::filesystem::path(dir) / path))
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace velloran::programs
