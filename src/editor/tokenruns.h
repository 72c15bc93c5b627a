// The token number of every character, kept as runs in chunks of a few thousand
// characters, so that a highlighted page costs a fraction of a byte per character.
#pragma once

#include "editor/linestarts.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velloran {

class TokenRuns {
public:
    // Every character gets token 0.
    void reset(Position length);
    void clear();

    [[nodiscard]] Position size() const noexcept { return m_size; }
    [[nodiscard]] std::uint8_t at(Position pos) const;

    // New characters get token 0.
    void insertZeros(Position pos, Position count);
    void erase(Position pos, Position count);

    void write(Position pos, const std::uint8_t* tokens, Position count);
    void read(Position pos, Position count, std::uint8_t* out) const;
    [[nodiscard]] bool equals(Position pos, const std::uint8_t* tokens, Position count) const;

    [[nodiscard]] std::size_t memoryBytes() const noexcept;

private:
    struct Chunk {
        Position start = 0;
        Position length = 0;
        std::vector<std::uint8_t> runs; // (token, count 1..255) pairs
    };
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    [[nodiscard]] std::size_t chunkOf(Position pos) const noexcept;
    // Decodes a chunk into the cache (writing the previous one back) and returns it.
    std::uint8_t* load(std::size_t chunk) const;
    void flush() const;
    void dropCache() const;
    // Replaces chunks [first, last) by the encoding of `tokens`, which start at `start`;
    // returns the index of the chunk after the new ones.
    std::size_t replaceChunks(std::size_t first, std::size_t last,
                              const std::vector<std::uint8_t>& tokens, Position start);
    // Calls visitPiece(decoded, offset in the range, length) for each chunk's part of
    // the range, until it returns false.
    template <typename Visit>
    bool visit(Position pos, Position count, Visit visitPiece) const;
    void shiftFrom(std::size_t chunk, Position delta) noexcept;

    // Reads and writes go through one decoded chunk that is encoded again only when
    // another chunk is needed: a highlighter writing line after line encodes each
    // chunk once, and painting reads a chunk at array speed.
    mutable std::vector<Chunk> m_chunks;
    mutable std::vector<std::uint8_t> m_cache;
    mutable std::size_t m_cached = kNone;
    mutable bool m_dirty = false;
    Position m_size = 0;
};

} // namespace velloran
