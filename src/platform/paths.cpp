// Program, settings and data locations, and the small file-name helpers used everywhere.
#include "platform/paths.h"

#include "platform/atomicfile.h"
#include "platform/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace velloran {

std::string SettingsFileNameFor(std::string_view programName) {
    const auto dot = programName.find('.');
    std::string base(dot == std::string_view::npos ? programName : programName.substr(0, dot));
    return base + ".ini";
}

namespace {

std::string executablePath() {
    std::string buffer(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size())
        return {};
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}

std::string withSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

} // namespace

std::string ProgramDir() {
    const std::string dir = ExtractFilePath(executablePath());
    return dir.empty() ? std::string("./") : dir;
}

std::string ProgramName() {
    const std::string name = ExtractFileName(executablePath());
    return name.empty() ? std::string("velloran") : name;
}

std::string ConfigDir() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    if (xdg != nullptr && xdg[0] == '/')
        return withSlash(xdg) + "velloran/";
    const char* home = std::getenv("HOME");
    return withSlash(home != nullptr && home[0] != '\0' ? home : "/tmp") + ".config/velloran/";
}

void EnsureConfigDir() {
    const std::string dir = ConfigDir();
    for (size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos != dir.size() && dir[pos] != '/')
            continue;
        const std::string part = dir.substr(0, pos);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw FileError("Cannot create the folder \"" + part + "\": " + std::strerror(errno));
    }
}

std::string FindDataFile(std::string_view relative, const std::string& appDir,
                         const std::vector<std::string>& dataDirs) {
    std::string candidate = withSlash(appDir) + std::string(relative);
    if (FileExists(candidate))
        return candidate;
    for (const auto& dir : dataDirs) {
        candidate = withSlash(dir) + std::string(relative);
        if (FileExists(candidate))
            return candidate;
    }
    return {};
}

std::string ExtractFileName(std::string_view path) {
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFilePath(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string ExtractFileExt(std::string_view path) {
    const std::string name = ExtractFileName(path);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return {};
    return name.substr(dot);
}

namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lowerAscii);
    return out;
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), upperAscii);
    return out;
}

// Only ASCII letters fold: in Latin-1 0xC9 and 0xE9 differ as 'E' and 'e' do, and must
// not match, nor must halves of UTF-8 sequences.
bool SameTextAscii(std::string_view a, std::string_view b) noexcept {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

} // namespace velloran
