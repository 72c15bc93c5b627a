// A gap buffer: a vector with a movable hole, so that edits near the previous edit
// cost only the distance between them, whatever the size of the whole.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <string>
#include <vector>

namespace velloran {

template <typename T, typename Storage = std::vector<T>>
class SplitVector {
public:
    SplitVector() = default;

    // Takes over a filled container; its spare capacity becomes the gap, so the first
    // edits after a load need no reallocation of the whole.
    void adopt(Storage&& items) {
        const std::size_t used = items.size();
        items.resize(items.capacity());
        m_body = std::move(items);
        m_gapStart = used;
        m_gapLength = m_body.size() - used;
    }

    [[nodiscard]] std::size_t size() const noexcept { return m_body.size() - m_gapLength; }

    [[nodiscard]] T at(std::size_t i) const noexcept {
        assert(i < size());
        return i < m_gapStart ? m_body[i] : m_body[i + m_gapLength];
    }

    [[nodiscard]] T& ref(std::size_t i) noexcept {
        assert(i < size());
        return i < m_gapStart ? m_body[i] : m_body[i + m_gapLength];
    }

    void set(std::size_t i, const T& value) noexcept { ref(i) = value; }

    void insert(std::size_t pos, const T* items, std::size_t count) {
        if (count == 0)
            return;
        makeRoomAt(pos, count);
        std::copy(items, items + count, m_body.begin() + pos);
        m_gapStart += count;
        m_gapLength -= count;
    }

    void insertValue(std::size_t pos, std::size_t count, const T& value) {
        if (count == 0)
            return;
        makeRoomAt(pos, count);
        std::fill(m_body.begin() + pos, m_body.begin() + pos + count, value);
        m_gapStart += count;
        m_gapLength -= count;
    }

    void erase(std::size_t pos, std::size_t count) {
        if (count == 0)
            return;
        assert(pos + count <= size());
        moveGapTo(pos);
        m_gapLength += count;
        // Shrinking a container that once held a big document gives its memory back.
        if (m_gapLength > 1024 * 1024 && m_gapLength > 2 * size())
            compact();
    }

    void fill(const T& value) { std::fill(m_body.begin(), m_body.end(), value); }

    void clear() {
        m_body = Storage();
        m_gapStart = m_gapLength = 0;
    }

    // A pointer to `count` contiguous items from `pos`; moves the gap out of the way
    // only when it lies inside the range.
    [[nodiscard]] const T* rangePointer(std::size_t pos, std::size_t count) {
        // Move the gap to whichever end of the range is nearer: searches look at the
        // text after the last edit, and this keeps that cheap.
        if (pos < m_gapStart && pos + count > m_gapStart)
            moveGapTo(m_gapStart - pos <= pos + count - m_gapStart ? pos : pos + count);
        return pos < m_gapStart ? m_body.data() + pos : m_body.data() + pos + m_gapLength;
    }

    void copyOut(std::size_t pos, std::size_t count, T* out) const {
        const std::size_t before = pos < m_gapStart ? std::min(count, m_gapStart - pos) : 0;
        std::copy(m_body.begin() + pos, m_body.begin() + pos + before, out);
        const std::size_t rest = pos + before + m_gapLength;
        std::copy(m_body.begin() + rest, m_body.begin() + rest + (count - before), out + before);
    }

    [[nodiscard]] std::size_t gapStart() const noexcept { return m_gapStart; }

    // The items before and after the gap, for readers that must not move it.
    struct Segments {
        const T* before;
        std::size_t beforeLength;
        const T* after; // after[0] is item beforeLength
        std::size_t afterLength;
    };
    [[nodiscard]] Segments segments() const noexcept {
        return {m_body.data(), m_gapStart, m_body.data() + m_gapStart + m_gapLength,
                size() - m_gapStart};
    }

    // Overwrites `count` items from `pos` without moving the gap.
    void write(std::size_t pos, const T* items, std::size_t count) {
        const std::size_t before = pos < m_gapStart ? std::min(count, m_gapStart - pos) : 0;
        std::copy(items, items + before, m_body.begin() + pos);
        const std::size_t rest = pos + before + m_gapLength;
        std::copy(items + before, items + count, m_body.begin() + rest);
    }

    // Whether `count` items from `pos` equal `items`, without moving the gap.
    [[nodiscard]] bool equals(std::size_t pos, const T* items, std::size_t count) const {
        const std::size_t before = pos < m_gapStart ? std::min(count, m_gapStart - pos) : 0;
        const std::size_t rest = pos + before + m_gapLength;
        return std::equal(items, items + before, m_body.begin() + pos) &&
               std::equal(items + before, items + count, m_body.begin() + rest);
    }

    // Items are counted in the container including the gap; for memory measurements.
    [[nodiscard]] std::size_t capacityBytes() const noexcept {
        return m_body.capacity() * sizeof(T);
    }

private:
    void moveGapTo(std::size_t pos) {
        if (pos == m_gapStart)
            return;
        auto base = m_body.begin();
        if (pos < m_gapStart)
            std::copy_backward(base + pos, base + m_gapStart, base + m_gapStart + m_gapLength);
        else
            std::copy(base + m_gapStart + m_gapLength, base + pos + m_gapLength, base + m_gapStart);
        m_gapStart = pos;
    }

    void makeRoomAt(std::size_t pos, std::size_t count) {
        assert(pos <= size());
        if (m_gapLength < count) {
            moveGapTo(size());
            const std::size_t grow =
                std::max<std::size_t>(count, std::max<std::size_t>(64, size() / 8));
            m_body.resize(m_gapStart + m_gapLength + grow);
            m_gapLength += grow;
        }
        moveGapTo(pos);
    }

    void compact() {
        moveGapTo(size());
        m_body.resize(m_gapStart + 64);
        m_body.shrink_to_fit();
        m_gapLength = 64;
    }

    Storage m_body;
    std::size_t m_gapStart = 0;
    std::size_t m_gapLength = 0;
};

} // namespace velloran
