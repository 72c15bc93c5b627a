// Huge-page advice for big buffers.
#include "platform/hugepages.h"

#include <cstdint>
#include <sys/mman.h>

namespace velloran {

void AdviseHugePages(const void* data, std::size_t bytes) noexcept {
    constexpr std::uintptr_t kHugePage = 2 * 1024 * 1024;
    if (bytes < 2 * kHugePage)
        return;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

} // namespace velloran
