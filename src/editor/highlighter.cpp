// The re-highlighting run.
#include "editor/highlighter.h"

#include <algorithm>
#include <cstring>

namespace velloran {

namespace {

// Long tokens come in parts of this size, so that the clock is looked at often.
constexpr std::size_t kPart = 64 * 1024;
// Room behind a line's tokens, so that a short token is written as one word.
constexpr std::size_t kWorkSlack = 8;

// Most tokens are a few characters long: a call of memset for each costs more than the
// scanning of some of them.
void fillTokens(std::uint8_t* out, std::uint8_t token, Position n) noexcept {
    if (n <= static_cast<Position>(kWorkSlack)) {
        const std::uint64_t word = token * std::uint64_t{0x0101010101010101U};
        std::memcpy(out, &word, sizeof word);
    } else {
        std::memset(out, token, static_cast<std::size_t>(n));
    }
}

} // namespace

bool Highlighter::run(TextStore& store, const TCodeMemoParser& parser, std::int64_t untilLine,
                      Clock::time_point deadline) {
    if (const std::int64_t first = store.firstChangedLine(); first >= 0) {
        store.setFirstChangedLine(-1);
        start(store, parser, m_active ? std::min(first, m_line) : first);
    }
    if (!m_active)
        return true;
    const SplitVector<char, std::string>::Segments text = store.segments();
    TEdStream stream(text.before, text.beforeLength, text.after, text.afterLength);
    std::size_t sinceCheck = 0;
    while (true) {
        if (m_line > untilLine && sinceCheck >= kPart / 16) {
            sinceCheck = 0;
            if (Clock::now() >= deadline)
                return false;
        }
        if (m_pos >= m_lineEnd) {
            if (finishLine(store))
                break;
            continue;
        }
        stream.seek(static_cast<std::size_t>(m_pos));
        std::size_t length = 0;
        const std::uint8_t token =
            parser.nextToken(stream, m_state, length, static_cast<std::size_t>(m_pos) + kPart);
        sinceCheck += length + 64;
        // A token flows on across line ends; each line is judged once it is full.
        auto left = static_cast<Position>(std::max<std::size_t>(length, 1));
        while (left > 0) {
            // Read before the bytes are written, which may alias any member.
            const Position n = std::min(left, m_lineEnd - m_pos);
            std::uint8_t* const out = m_work.data() + (m_pos - m_lineStart);
            m_pos += n;
            left -= n;
            const bool full = m_pos >= m_lineEnd;
            fillTokens(out, token, n);
            if (full && finishLine(store)) {
                m_active = false;
                return true;
            }
        }
    }
    m_active = false;
    return true;
}

void Highlighter::guess(TextStore& store, const TCodeMemoParser& parser, std::int64_t first,
                        std::int64_t last) const {
    // Lines scanned above the first one, so that most constructs open there are seen.
    constexpr std::int64_t kLeadLines = 100;
    // A guess is not worth more than this many characters of scanning.
    constexpr Position kLimit = 4 << 20;
    first = std::max<std::int64_t>(first, 0);
    last = std::min(last, store.lineCount() - 1);
    if (first > last || !store.tokensEnabled())
        return;
    const Position to = store.lineStart(last) + store.lineLength(last);
    Position from = store.lineStart(std::max<std::int64_t>(first - kLeadLines, 0));
    if (to - from > kLimit)
        from = store.lineStart(first);
    if (to - from > kLimit)
        return;
    std::vector<std::uint8_t> tokens(static_cast<std::size_t>(to - from));
    const SplitVector<char, std::string>::Segments text = store.segments();
    TEdStream stream(text.before, text.beforeLength, text.after, text.afterLength);
    ParserState state = parser.resetState();
    for (Position pos = from; pos < to;) {
        stream.seek(static_cast<std::size_t>(pos));
        std::size_t length = 0;
        const std::uint8_t token =
            parser.nextToken(stream, state, length, static_cast<std::size_t>(to));
        const Position n = std::min<Position>(std::max<std::size_t>(length, 1), to - pos);
        std::memset(tokens.data() + (pos - from), token, static_cast<std::size_t>(n));
        pos += n;
    }
    for (std::int64_t line = first; line <= last; ++line) {
        LineAttributes& attributes = store.attributes(line);
        if (attributes.highlighted)
            continue;
        const Position start = store.lineStart(line);
        store.writeTokens(start, tokens.data() + (start - from), store.lineLength(line));
        attributes.textDirty = true;
    }
}

void Highlighter::start(TextStore& store, const TCodeMemoParser& parser, std::int64_t line) {
    line = std::clamp<std::int64_t>(line, 0, store.lineCount() - 1);
    if (line > 0)
        --line;
    const Position restart = restartPosition(store, parser, line);
    enterLine(store, store.lineOf(restart));
    // The part of the line before the restart keeps the token numbers it has.
    const std::span<const std::uint8_t> kept = store.tokenView(m_lineStart, restart - m_lineStart);
    std::fill(m_work.begin(), m_work.end(), 0);
    std::copy(kept.begin(), kept.end(), m_work.begin());
    m_pos = restart;
    m_state = parser.resetState();
    m_active = true;
}

Position Highlighter::restartPosition(const TextStore& store, const TCodeMemoParser& parser,
                                      std::int64_t line) const {
    while (line > 0 && !store.attributes(line).highlighted)
        --line;
    if (line == 0 && !store.attributes(0).highlighted)
        return 0;
    const Position lineStart = store.lineStart(line);
    const Position lineEnd = lineStart + store.lineLength(line);
    const std::uint8_t anchor = parser.tables().header.anchorToken;
    std::uint8_t target = anchor == 255 ? 0 : anchor;
    if (anchor == 0) {
        if (lineEnd == lineStart || store.tokenAt(lineStart) == 0)
            return lineStart;
        target = store.tokenAt(lineEnd - 1);
    }
    // Back to the nearest character with the target token, then to the start of its run,
    // through lines whose token numbers are current.
    Position p = lineEnd;
    std::int64_t at = line;
    const auto highlightedAt = [&](Position pos) {
        while (pos < store.lineStart(at))
            --at;
        return store.attributes(at).highlighted;
    };
    while (p > 0 && highlightedAt(p - 1) && store.tokenAt(p - 1) != target)
        --p;
    if (p == 0 || !highlightedAt(p - 1))
        return 0;
    --p;
    while (p > 0 && highlightedAt(p - 1) && store.tokenAt(p - 1) == target)
        --p;
    return p;
}

void Highlighter::enterLine(TextStore& store, std::int64_t line) {
    m_line = line;
    m_lineStart = store.lineStart(line);
    m_lineEnd = m_lineStart + store.lineLength(line);
    // Sized once per line; the run fills it token by token.
    m_work.resize(static_cast<std::size_t>(m_lineEnd - m_lineStart) + kWorkSlack);
}

bool Highlighter::finishLine(TextStore& store) {
    LineAttributes& attributes = store.attributes(m_line);
    const Position length = m_lineEnd - m_lineStart;
    const std::uint16_t endState = m_state.digest();
    const bool same = attributes.highlighted && attributes.endState == endState &&
                      store.tokens().equals(m_lineStart, m_work.data(), length);
    const bool last = m_line + 1 >= store.lineCount();
    if (same && m_state.settled() && m_line >= store.lastChangedLine() &&
        (last || store.attributes(m_line + 1).highlighted)) {
        store.setLastChangedLine(-1);
        return true;
    }
    if (!same) {
        store.writeTokens(m_lineStart, m_work.data(), length);
        attributes.textDirty = true;
    }
    attributes.highlighted = true;
    attributes.endState = endState;
    if (last) {
        store.setLastChangedLine(-1);
        return true;
    }
    enterLine(store, m_line + 1);
    return false;
}

TokenStream::TokenStream(const TCodeMemoParser& parser, std::string_view text)
    : m_parser(parser), m_stream(text), m_state(parser.resetState()) {
}

void TokenStream::read(std::size_t pos, std::size_t count, std::uint8_t* out) {
    if (pos < m_pos) {
        m_state = m_parser.resetState();
        m_pos = 0;
        m_left = 0;
    }
    const std::size_t end = pos + count;
    while (m_pos < end) {
        if (m_left == 0) {
            // As the editor's run asks, parts included, so the numbers are the same.
            m_stream.seek(m_pos);
            std::size_t length = 0;
            m_token = m_parser.nextToken(m_stream, m_state, length, m_pos + kPart);
            m_left = std::max<std::size_t>(length, 1);
        }
        const std::size_t to = m_pos < pos ? pos : end;
        const std::size_t n = std::min(m_left, to - m_pos);
        if (m_pos >= pos)
            std::memset(out + (m_pos - pos), m_token, n);
        m_pos += n;
        m_left -= n;
    }
}

} // namespace velloran
