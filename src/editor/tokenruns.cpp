#include "editor/tokenruns.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velloran {

namespace {

// Small enough that decoding one is cheap, large enough that the per-chunk cost and
// the shifting of later chunks after an edit stay negligible.
constexpr Position kChunkLength = 4096;
constexpr Position kMaxChunkLength = 2 * kChunkLength;

// The positions where a run of one token starts, with `count` behind the last; returns
// the number of runs. Highlighted text changes token every few characters: found
// sixteen characters at a time, the starts cost no branch per character, and the
// encoder after them no chain of loads per run.
std::size_t runStarts(const std::uint8_t* tokens, Position count, std::uint32_t* starts) noexcept {
    std::size_t n = 0;
    if (count > 0)
        starts[n++] = 0;
    Position at = 1;
#if defined(__SSE2__)
    for (; at + 16 <= count; at += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tokens + at));
        const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tokens + at - 1));
        auto changed =
            static_cast<unsigned>(~_mm_movemask_epi8(_mm_cmpeq_epi8(here, before))) & 0xFFFFU;
        for (; changed != 0; changed &= changed - 1)
            starts[n++] = static_cast<std::uint32_t>(at + std::countr_zero(changed));
    }
#endif
    for (; at < count; ++at) {
        starts[n] = static_cast<std::uint32_t>(at);
        n += tokens[at] != tokens[at - 1] ? 1 : 0;
    }
    starts[n] = static_cast<std::uint32_t>(std::max<Position>(count, 0));
    return n;
}

// A chunk is encoded as a count P of palette entries, the P token numbers, then one
// byte per run: the palette index in the high nibble and the run length less one in
// the low one. Highlighted text changes token every two or three characters, so this
// is what makes runs pay. A chunk with more than 16 different tokens has P = 0 and a
// (token, length) pair per run.
void encode(const std::uint8_t* tokens, Position count, std::vector<std::uint8_t>& runs) {
    // Encoded on the stack, then copied once at its exact size: the editor's run
    // encodes every chunk of a page it highlights. A chunk that meets a seventeenth
    // token turns the runs packed so far into pairs and goes on so.
    constexpr std::size_t kRoom = 1 + 16 + 2 * static_cast<std::size_t>(kMaxChunkLength);
    std::array<std::uint8_t, kRoom> packedStack;
    std::array<std::uint8_t, kRoom> pairsStack;
    std::array<std::uint32_t, kMaxChunkLength + 1> startsStack;
    std::vector<std::uint8_t> heap;
    std::vector<std::uint32_t> startsHeap;
    std::uint8_t* body = packedStack.data() + 1 + 16; // moved down behind the palette
    std::uint8_t* pairs = pairsStack.data();
    std::uint32_t* starts = startsStack.data();
    if (static_cast<std::size_t>(count) > static_cast<std::size_t>(kMaxChunkLength)) {
        heap.resize(2 * (1 + 16 + 2 * static_cast<std::size_t>(count)));
        body = heap.data() + 1 + 16;
        pairs = heap.data() + heap.size() / 2;
        startsHeap.resize(static_cast<std::size_t>(count) + 1);
        starts = startsHeap.data();
    }
    const std::size_t runCount = runStarts(tokens, count, starts);
    std::array<std::int16_t, 256> index;
    index.fill(-1);
    std::array<std::uint8_t, 16> palette;
    std::size_t colours = 0;
    std::size_t size = 0;
    std::size_t run = 0;
    for (; run < runCount; ++run) {
        const std::uint8_t token = tokens[starts[run]];
        if (index[token] < 0) {
            if (colours == 16)
                break;
            index[token] = static_cast<std::int16_t>(colours);
            palette[colours++] = token;
        }
        const auto code = static_cast<std::uint8_t>(index[token] << 4);
        auto length = static_cast<Position>(starts[run + 1] - starts[run]);
        for (; length > 16; length -= 16)
            body[size++] = code | 15U;
        body[size++] = static_cast<std::uint8_t>(code | (length - 1));
    }
    const std::uint8_t* out = body - 1 - colours;
    if (run < runCount) {
        const auto addPair = [&](std::uint8_t token, Position n) {
            for (; n > 255; n -= 255) {
                pairs[size++] = token;
                pairs[size++] = 255;
            }
            pairs[size++] = token;
            pairs[size++] = static_cast<std::uint8_t>(n);
        };
        // The packed runs so far, merged where a long run was split in sixteens.
        const std::size_t packedSize = size;
        size = 0;
        pairs[size++] = 0;
        for (std::size_t k = 0; k < packedSize;) {
            const std::uint8_t token = palette[body[k] >> 4];
            Position n = 0;
            for (; k < packedSize && palette[body[k] >> 4] == token; ++k)
                n += (body[k] & 15U) + 1;
            addPair(token, n);
        }
        for (; run < runCount; ++run)
            addPair(tokens[starts[run]], static_cast<Position>(starts[run + 1] - starts[run]));
        out = pairs;
    } else {
        std::uint8_t* head = body - 1 - colours;
        head[0] = static_cast<std::uint8_t>(colours);
        std::copy_n(palette.data(), colours, head + 1);
        size += 1 + colours;
    }
    if (runs.capacity() == size)
        runs.assign(out, out + size);
    else
        runs = std::vector<std::uint8_t>(out, out + size); // no spare capacity kept
}

void decode(const std::vector<std::uint8_t>& runs, std::uint8_t* out) {
    const std::size_t paletteSize = runs.empty() ? 0 : runs[0];
    const std::uint8_t* palette = runs.data() + 1;
    if (paletteSize > 0) {
        for (std::size_t i = 1 + paletteSize; i < runs.size(); ++i) {
            const std::size_t n = (runs[i] & 15U) + 1;
            std::memset(out, palette[runs[i] >> 4], n);
            out += n;
        }
        return;
    }
    for (std::size_t i = 1; i + 1 < runs.size(); i += 2) {
        std::memset(out, runs[i], runs[i + 1]);
        out += runs[i + 1];
    }
}

} // namespace

void TokenRuns::reset(Position length) {
    clear();
    const std::vector<std::uint8_t> zeros(static_cast<std::size_t>(kChunkLength), 0);
    Chunk whole;
    whole.length = kChunkLength;
    encode(zeros.data(), kChunkLength, whole.runs);
    m_chunks.reserve(static_cast<std::size_t>(length / kChunkLength + 1));
    for (Position at = 0; at < length; at += kChunkLength) {
        Chunk& chunk = m_chunks.emplace_back(whole);
        chunk.start = at;
        if (length - at < kChunkLength) {
            chunk.length = length - at;
            encode(zeros.data(), chunk.length, chunk.runs);
        }
    }
    m_size = length;
}

void TokenRuns::clear() {
    dropCache();
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_size = 0;
}

std::size_t TokenRuns::chunkOf(Position pos) const noexcept {
    assert(pos >= 0 && pos < m_size);
    if (m_cached != kNone && pos >= m_chunks[m_cached].start &&
        pos < m_chunks[m_cached].start + m_chunks[m_cached].length)
        return m_cached;
    const auto after = std::upper_bound(m_chunks.begin(), m_chunks.end(), pos,
                                        [](Position p, const Chunk& c) { return p < c.start; });
    return static_cast<std::size_t>(after - m_chunks.begin()) - 1;
}

std::uint8_t* TokenRuns::load(std::size_t chunk) const {
    if (chunk != m_cached) {
        flush();
        m_cache.resize(static_cast<std::size_t>(m_chunks[chunk].length));
        decode(m_chunks[chunk].runs, m_cache.data());
        m_cached = chunk;
    }
    return m_cache.data();
}

void TokenRuns::flush() const {
    if (!m_dirty)
        return;
    Chunk& chunk = m_chunks[m_cached];
    encode(m_cache.data(), chunk.length, chunk.runs);
    m_dirty = false;
}

void TokenRuns::dropCache() const {
    flush();
    m_cached = kNone;
    // A paste of a large text passes through the cache; do not keep its size.
    if (m_cache.capacity() > static_cast<std::size_t>(4 * kMaxChunkLength))
        std::vector<std::uint8_t>().swap(m_cache);
}

std::uint8_t TokenRuns::at(Position pos) const {
    const std::size_t chunk = chunkOf(pos);
    return load(chunk)[pos - m_chunks[chunk].start];
}

std::size_t TokenRuns::replaceChunks(std::size_t first, std::size_t last,
                                     const std::vector<std::uint8_t>& tokens, Position start) {
    std::vector<Chunk> pieces;
    const Position count = static_cast<Position>(tokens.size());
    const Position pieceLength = count <= kMaxChunkLength ? count : kChunkLength;
    for (Position at = 0; at < count; at += pieceLength) {
        Chunk piece;
        piece.start = start + at;
        piece.length = std::min(pieceLength, count - at);
        encode(tokens.data() + at, piece.length, piece.runs);
        pieces.push_back(std::move(piece));
    }
    m_chunks.erase(m_chunks.begin() + static_cast<std::ptrdiff_t>(first),
                   m_chunks.begin() + static_cast<std::ptrdiff_t>(last));
    m_chunks.insert(m_chunks.begin() + static_cast<std::ptrdiff_t>(first),
                    std::make_move_iterator(pieces.begin()), std::make_move_iterator(pieces.end()));
    return first + pieces.size();
}

void TokenRuns::shiftFrom(std::size_t chunk, Position delta) noexcept {
    for (std::size_t i = chunk; i < m_chunks.size(); ++i)
        m_chunks[i].start += delta;
}

void TokenRuns::insertZeros(Position pos, Position count) {
    assert(pos >= 0 && pos <= m_size);
    if (count <= 0)
        return;
    if (m_chunks.empty()) {
        reset(count);
        return;
    }
    const std::size_t chunk = pos == m_size ? m_chunks.size() - 1 : chunkOf(pos);
    const Position start = m_chunks[chunk].start;
    std::vector<std::uint8_t> tokens(static_cast<std::size_t>(m_chunks[chunk].length) +
                                     static_cast<std::size_t>(count));
    const std::uint8_t* old = load(chunk);
    const std::size_t before = static_cast<std::size_t>(pos - start);
    std::copy_n(old, before, tokens.begin());
    std::copy(old + before, old + m_chunks[chunk].length,
              tokens.begin() + static_cast<std::ptrdiff_t>(before) + count);
    dropCache();
    shiftFrom(replaceChunks(chunk, chunk + 1, tokens, start), count);
    m_size += count;
}

void TokenRuns::erase(Position pos, Position count) {
    assert(pos >= 0 && count >= 0 && pos + count <= m_size);
    if (count <= 0)
        return;
    const std::size_t first = chunkOf(pos);
    const std::size_t last = chunkOf(pos + count - 1);
    const Position start = m_chunks[first].start;
    // Only the kept head of the first chunk and tail of the last are decoded.
    const std::uint8_t* head = load(first);
    std::vector<std::uint8_t> kept(head, head + (pos - start));
    const std::uint8_t* tail = load(last);
    kept.insert(kept.end(), tail + (pos + count - m_chunks[last].start),
                tail + m_chunks[last].length);
    dropCache();
    shiftFrom(replaceChunks(first, last + 1, kept, start), -count);
    m_size -= count;
}

template <typename Visit>
bool TokenRuns::visit(Position pos, Position count, Visit visitPiece) const {
    assert(pos >= 0 && count >= 0 && pos + count <= m_size);
    for (Position done = 0; done < count;) {
        const std::size_t chunk = chunkOf(pos + done);
        const Position offset = pos + done - m_chunks[chunk].start;
        const Position n = std::min(count - done, m_chunks[chunk].length - offset);
        if (!visitPiece(load(chunk) + offset, done, static_cast<std::size_t>(n)))
            return false;
        done += n;
    }
    return true;
}

void TokenRuns::write(Position pos, const std::uint8_t* tokens, Position count) {
    visit(pos, count, [&](std::uint8_t* piece, Position done, std::size_t n) {
        std::memcpy(piece, tokens + done, n);
        m_dirty = true;
        return true;
    });
}

void TokenRuns::read(Position pos, Position count, std::uint8_t* out) const {
    visit(pos, count, [&](const std::uint8_t* piece, Position done, std::size_t n) {
        std::memcpy(out + done, piece, n);
        return true;
    });
}

bool TokenRuns::equals(Position pos, const std::uint8_t* tokens, Position count) const {
    return visit(pos, count, [&](const std::uint8_t* piece, Position done, std::size_t n) {
        return std::memcmp(piece, tokens + done, n) == 0;
    });
}

std::size_t TokenRuns::memoryBytes() const noexcept {
    std::size_t bytes = m_chunks.capacity() * sizeof(Chunk) + m_cache.capacity();
    for (const Chunk& chunk : m_chunks)
        bytes += chunk.runs.capacity();
    return bytes;
}

} // namespace velloran
