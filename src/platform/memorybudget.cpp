// Free memory from /proc and the address-space limit, for refusing a load that cannot fit.
#include "platform/memorybudget.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <sys/resource.h>
#include <unistd.h>

namespace velloran {
namespace {

constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();

// MemAvailable counts the page cache the kernel can drop, which MemFree does not.
std::uint64_t systemAvailable() noexcept {
    std::FILE* file = std::fopen("/proc/meminfo", "re");
    if (file == nullptr)
        return kUnknown;
    std::uint64_t result = kUnknown;
    char line[256];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        unsigned long long kib = 0;
        if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
            result = static_cast<std::uint64_t>(kib) * 1024;
            break;
        }
    }
    std::fclose(file);
    return result;
}

std::uint64_t addressSpaceLeft() noexcept {
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return kUnknown;
    std::FILE* file = std::fopen("/proc/self/statm", "re");
    if (file == nullptr)
        return kUnknown;
    unsigned long long pages = 0;
    const bool read = std::fscanf(file, "%llu", &pages) == 1;
    std::fclose(file);
    if (!read)
        return kUnknown;
    const std::uint64_t used =
        static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    const auto cap = static_cast<std::uint64_t>(limit.rlim_cur);
    return cap > used ? cap - used : 0;
}

} // namespace

std::uint64_t AvailableMemory() noexcept {
    return std::min(systemAvailable(), addressSpaceLeft());
}

} // namespace velloran
