// Asking the kernel to back a big buffer with huge pages before it is first written:
// filling tens of megabytes of fresh memory otherwise costs one page fault per 4 KiB.
#pragma once

#include <cstddef>

namespace velloran {

// Advises huge pages for the whole pages inside [data, data + bytes); does nothing for
// small buffers or where the system declines.
void AdviseHugePages(const void* data, std::size_t bytes) noexcept;

// Room an editor leaves after a buffer of `count` items for the edits to come.
[[nodiscard]] constexpr std::size_t EditingSlack(std::size_t count) noexcept {
    return count / 64 + 64;
}

// Capacity for `count` items of `Container` and some slack for edits, advised before
// anything is written to it.
template <typename Container>
void ReserveHuge(Container& container, std::size_t count) {
    container.reserve(count + EditingSlack(count));
    AdviseHugePages(container.data(), container.capacity() * sizeof(*container.data()));
}

} // namespace velloran
