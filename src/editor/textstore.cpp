// The text store: line-break normalisation, loading, and the two edit entry points.
#include "editor/textstore.h"

#include "platform/hugepages.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace velloran {

namespace {

// Finds the next CR or LF from `from` by leapfrogging two memchr scans, which keeps
// long stretches without line ends at memory speed.
class BreakFinder {
public:
    BreakFinder(const char* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t next(std::size_t from) {
        refresh(m_nextCr, '\r', from);
        refresh(m_nextLf, '\n', from);
        return std::min(m_nextCr, m_nextLf);
    }

private:
    void refresh(std::size_t& cached, char wanted, std::size_t from) {
        if (cached != kUnknown && (cached >= from || cached == m_size))
            return;
        const void* hit = std::memchr(m_data + from, wanted, m_size - from);
        cached = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - m_data) : m_size;
    }

    static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
    const char* m_data;
    std::size_t m_size;
    std::size_t m_nextCr = kUnknown;
    std::size_t m_nextLf = kUnknown;
};

} // namespace

std::size_t NormalizeLineBreaks(std::string& bytes, std::vector<LineEnd>* ends) {
    char* data = bytes.data();
    const std::size_t size = bytes.size();
    if (std::memchr(data, '\n', size) == nullptr) {
        if (ends)
            for (const char* p = data;
                 (p = static_cast<const char*>(std::memchr(p, kLineEnd, size - (p - data)))) !=
                 nullptr;
                 ++p)
                ends->push_back(LineEnd::Cr);
        return size;
    }
    BreakFinder finder(data, size);
    std::size_t read = 0, write = 0;
    while (read < size) {
        const std::size_t at = finder.next(read);
        std::memmove(data + write, data + read, at - read);
        write += at - read;
        if (at == size)
            break;
        const bool cr = data[at] == '\r';
        const bool pair = at + 1 < size && data[at + 1] == (cr ? '\n' : '\r');
        if (ends)
            ends->push_back(cr ? (pair ? LineEnd::CrLf : LineEnd::Cr)
                               : (pair ? LineEnd::LfCr : LineEnd::Lf));
        data[write++] = kLineEnd;
        read = at + (pair ? 2 : 1);
    }
    bytes.resize(write);
    return write;
}

LineEnd PrevailingLineEnd(std::span<const LineEnd> ends) noexcept {
    std::array<std::size_t, 4> counts{};
    std::array<std::size_t, 4> first{};
    first.fill(ends.size());
    for (std::size_t i = 0; i < ends.size(); ++i) {
        const auto kind = static_cast<std::size_t>(ends[i]);
        if (counts[kind]++ == 0)
            first[kind] = i;
    }
    std::size_t best = static_cast<std::size_t>(LineEnd::Lf);
    for (std::size_t kind = 0; kind < counts.size(); ++kind)
        if (counts[kind] > counts[best] ||
            (counts[kind] == counts[best] && counts[kind] > 0 && first[kind] < first[best]))
            best = kind;
    return static_cast<LineEnd>(best);
}

TextStore::TextStore() {
    m_attributes.insertValue(0, 1, LineAttributes{});
}

void TextStore::load(std::string&& normalized, std::span<const LineEnd> ends) {
    const char* data = normalized.data();
    const std::size_t size = normalized.size();
    const auto lines = static_cast<std::size_t>(std::count(data, data + size, kLineEnd)) + 1;
    std::vector<Position> starts;
    ReserveHuge(starts, lines + 1);
    starts.push_back(0);
    for (const char* p = data;
         (p = static_cast<const char*>(std::memchr(p, kLineEnd, size - (p - data)))) != nullptr;) {
        ++p;
        starts.push_back(p - data);
    }
    starts.push_back(static_cast<Position>(size));
    m_text.adopt(std::move(normalized));
    m_starts.adopt(std::move(starts));
    std::vector<LineAttributes> attributes;
    ReserveHuge(attributes, lines);
    attributes.resize(lines, LineAttributes{.lineEnd = m_newLineEnd});
    for (std::size_t i = 0, n = std::min(ends.size(), lines); i < n; ++i)
        attributes[i].lineEnd = ends[i];
    m_attributes.adopt(std::move(attributes));
    if (m_tokensOn)
        m_tokens.reset(length());
    m_firstChanged = 0;
    m_lastChanged = static_cast<std::int64_t>(lines) - 1;
}

void TextStore::enableTokens(bool on) {
    if (on)
        m_tokens.reset(length());
    else
        m_tokens.clear();
    m_tokensOn = on;
    for (std::int64_t line = 0, count = lineCount(); line < count; ++line)
        attributes(line).highlighted = false;
    m_firstChanged = 0;
    m_lastChanged = lineCount() - 1;
}

std::span<const std::uint8_t> TextStore::tokenView(Position pos, Position count) {
    if (!m_tokensOn || count <= 0)
        return {};
    m_tokenView.resize(static_cast<std::size_t>(count));
    m_tokens.read(pos, count, m_tokenView.data());
    return m_tokenView;
}

Position TextStore::lineTextLength(std::int64_t line) const noexcept {
    return lineLength(line) - (endsWithLineEnd(line) ? 1 : 0);
}

bool TextStore::endsWithLineEnd(std::int64_t line) const noexcept {
    const Position end = m_starts.start(line + 1);
    return end > m_starts.start(line) && charAt(end - 1) == kLineEnd;
}

std::string TextStore::text(Position pos, Position count) const {
    std::string out(static_cast<std::size_t>(count), '\0');
    m_text.copyOut(static_cast<std::size_t>(pos), out.size(), out.data());
    return out;
}

std::string TextStore::lineText(std::int64_t line) const {
    return text(lineStart(line), lineTextLength(line));
}

std::string_view TextStore::view(Position pos, Position count) {
    const char* data =
        m_text.rangePointer(static_cast<std::size_t>(pos), static_cast<std::size_t>(count));
    return {data, static_cast<std::size_t>(count)};
}

void TextStore::appendLineEnds(Position pos, Position count, std::vector<LineEnd>& out) const {
    if (count <= 0)
        return;
    // The CR of a line lies inside the range exactly when the next line starts in it.
    for (std::int64_t line = lineOf(pos), last = lineOf(pos + count); line < last; ++line)
        if (endsWithLineEnd(line))
            out.push_back(lineEnd(line));
}

bool TextStore::lineEndsAre(LineEnd end, Position pos, Position count) const noexcept {
    if (count <= 0)
        return true;
    for (std::int64_t line = lineOf(pos), last = lineOf(pos + count); line < last; ++line)
        if (lineEnd(line) != end && endsWithLineEnd(line))
            return false;
    return true;
}

void TextStore::insert(Position pos, std::string_view normalized, LineEndList ends) {
    if (normalized.empty())
        return;
    const std::int64_t line = lineOf(pos);
    // The split line's own end goes with its last piece; the CRs put in before it end
    // as given.
    const LineEnd splitEnd = attributes(line).lineEnd;
    std::size_t breaks = 0;
    m_text.insert(static_cast<std::size_t>(pos), normalized.data(), normalized.size());
    if (m_tokensOn)
        m_tokens.insertZeros(pos, static_cast<Position>(normalized.size()));
    m_starts.shiftAfter(line, static_cast<Position>(normalized.size()));
    std::int64_t next = line + 1;
    const char* data = normalized.data();
    const std::size_t size = normalized.size();
    for (const char* p = data;
         (p = static_cast<const char*>(std::memchr(p, kLineEnd, size - (p - data)))) != nullptr;) {
        ++p;
        attributes(next - 1).lineEnd = ends.at(breaks++);
        m_starts.insertLine(next, pos + (p - data));
        m_attributes.insertValue(static_cast<std::size_t>(next), 1,
                                 LineAttributes{.lineEnd = splitEnd});
        ++next;
    }
    linesInserted(line, next - line - 1);
    noteChanged(line, next - 1);
}

void TextStore::erase(Position pos, Position count) {
    if (count <= 0)
        return;
    const std::int64_t first = lineOf(pos);
    const std::int64_t last = lineOf(pos + count);
    if (last > first)
        attributes(first).lineEnd = attributes(last).lineEnd;
    for (std::int64_t i = first; i < last; ++i)
        m_starts.removeLine(first + 1);
    m_attributes.erase(static_cast<std::size_t>(first + 1), static_cast<std::size_t>(last - first));
    m_text.erase(static_cast<std::size_t>(pos), static_cast<std::size_t>(count));
    if (m_tokensOn)
        m_tokens.erase(pos, count);
    m_starts.shiftAfter(first, -count);
    linesRemoved(first, last - first);
    noteChanged(first, first);
}

void TextStore::splitLineAt(Position pos, const LineAttributes& attributes) {
    // Token numbers belong to characters, so soft breaks leave them valid.
    const std::int64_t line = lineOf(pos);
    m_starts.insertLine(line + 1, pos);
    LineAttributes piece = attributes;
    piece.highlighted = this->attributes(line).highlighted;
    piece.lineEnd = this->attributes(line).lineEnd;
    piece.textDirty = piece.gutterDirty = true;
    m_attributes.insertValue(static_cast<std::size_t>(line + 1), 1, piece);
    linesInserted(line, 1);
    markDirty(line);
}

void TextStore::joinWithNext(std::int64_t line) {
    const bool highlighted = attributes(line).highlighted && attributes(line + 1).highlighted;
    attributes(line).lineEnd = attributes(line + 1).lineEnd;
    m_starts.removeLine(line + 1);
    m_attributes.erase(static_cast<std::size_t>(line + 1), 1);
    linesRemoved(line, 1);
    markDirty(line);
    attributes(line).highlighted = highlighted;
}

Position TextStore::longestLineLength() const {
    Position longest = 0;
    for (std::int64_t line = 0, count = lineCount(); line < count; ++line)
        longest = std::max(longest, lineLength(line));
    return longest;
}

std::size_t TextStore::memoryBytes() const noexcept {
    return m_text.capacityBytes() + m_attributes.capacityBytes() + m_tokens.memoryBytes() +
           static_cast<std::size_t>(lineCount() + 1) * sizeof(Position);
}

void TextStore::noteChanged(std::int64_t line, std::int64_t lastLine) noexcept {
    if (m_firstChanged < 0 || line < m_firstChanged)
        m_firstChanged = line;
    if (lastLine > m_lastChanged)
        m_lastChanged = lastLine;
    markDirty(line);
    attributes(line).highlighted = false;
}

void TextStore::markDirty(std::int64_t line) noexcept {
    LineAttributes& changed = attributes(line);
    changed.textDirty = changed.gutterDirty = true;
}

void TextStore::linesInserted(std::int64_t after, std::int64_t count) noexcept {
    if (m_lastChanged > after)
        m_lastChanged += count;
}

void TextStore::linesRemoved(std::int64_t after, std::int64_t count) noexcept {
    if (m_lastChanged > after)
        m_lastChanged = std::max(after, m_lastChanged - count);
}

} // namespace velloran
