// The text store: line-break normalisation, loading, and the two edit entry points.
#include "editor/textstore.h"

#include "platform/hugepages.h"

#include <algorithm>
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

std::size_t NormalizeLineBreaks(std::string& bytes) {
    char* data = bytes.data();
    const std::size_t size = bytes.size();
    if (std::memchr(data, '\n', size) == nullptr)
        return size;
    BreakFinder finder(data, size);
    std::size_t read = 0, write = 0;
    while (read < size) {
        const std::size_t at = finder.next(read);
        std::memmove(data + write, data + read, at - read);
        write += at - read;
        if (at == size)
            break;
        const char other = data[at] == '\r' ? '\n' : '\r';
        data[write++] = kLineEnd;
        read = at + (at + 1 < size && data[at + 1] == other ? 2 : 1);
    }
    bytes.resize(write);
    return write;
}

std::string_view DetectLineEnd(std::string_view raw) noexcept {
    const std::size_t at = raw.find_first_of("\r\n");
    if (at == std::string_view::npos || raw[at] == '\n')
        return "\n";
    return at + 1 < raw.size() && raw[at + 1] == '\n' ? "\r\n" : "\r";
}

TextStore::TextStore() {
    m_attributes.insertValue(0, 1, LineAttributes{});
}

void TextStore::load(std::string&& normalized) {
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
    attributes.resize(lines);
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

void TextStore::insert(Position pos, std::string_view normalized) {
    if (normalized.empty())
        return;
    const std::int64_t line = lineOf(pos);
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
        m_starts.insertLine(next, pos + (p - data));
        m_attributes.insertValue(static_cast<std::size_t>(next), 1, LineAttributes{});
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
    piece.textDirty = piece.gutterDirty = true;
    m_attributes.insertValue(static_cast<std::size_t>(line + 1), 1, piece);
    linesInserted(line, 1);
    markDirty(line);
}

void TextStore::joinWithNext(std::int64_t line) {
    const bool highlighted = attributes(line).highlighted && attributes(line + 1).highlighted;
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
