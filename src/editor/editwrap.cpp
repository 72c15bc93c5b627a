// Soft word wrap: cutting logical lines into display lines and joining them again.
#include "editor/editmodel.h"

#include <algorithm>

namespace velloran {

int EditModel::wrapWidth() const noexcept {
    const int width = m_wrapAtColumn != 0 ? m_wrapAtColumn : m_visibleColumns - 4;
    return std::max(20, width);
}

void EditModel::setOptions(std::uint32_t options) {
    const bool rewrap = ((options ^ m_options) & (cmoWordWrap | cmoWrapOverride)) != 0;
    m_options = options;
    if (rewrap)
        rewrapAll();
    markChanged(kChangeText);
    notifyChange();
}

void EditModel::setWordWrap(bool on) {
    setOptions(on ? m_options | cmoWordWrap : m_options & ~cmoWordWrap);
}

void EditModel::setWrapAtColumn(int column) {
    column = std::clamp(column, 0, 0xFFFF);
    if (column == m_wrapAtColumn)
        return;
    m_wrapAtColumn = column;
    if (wordWrap())
        rewrapAll();
}

void EditModel::setWrapOverride(std::string characters) {
    m_wrapOverride = std::move(characters);
    if (wordWrap() && hasOption(cmoWrapOverride))
        rewrapAll();
}

void EditModel::setVisibleColumns(int columns) {
    if (columns == m_visibleColumns)
        return;
    const int before = wrapWidth();
    m_visibleColumns = columns;
    if (wordWrap() && wrapWidth() != before)
        rewrapAll();
}

void EditModel::rewrapAll() {
    for (std::int64_t line = lineCount() - 1; line > 0; --line)
        if (m_store.attributes(line).flags & kWrapContinuation)
            m_store.joinWithNext(line - 1);
    if (wordWrap())
        for (std::int64_t line = 0; line < lineCount();)
            line = rewrapLogicalLine(line);
    markChanged(kChangeText);
}

void EditModel::rewrapRange(Position from, Position to) {
    std::int64_t line = logicalLineStart(m_store.lineOf(from));
    while (line < lineCount()) {
        line = rewrapLogicalLine(line);
        if (line >= lineCount() || m_store.lineStart(line) > to)
            break;
    }
}

std::int64_t EditModel::rewrapLogicalLine(std::int64_t line) {
    joinLogicalLine(line);
    if (wordWrap())
        cutLogicalLine(line);
    ++line;
    while (line < lineCount() && (m_store.attributes(line).flags & kWrapContinuation))
        ++line;
    return line;
}

void EditModel::joinLogicalLine(std::int64_t line) {
    // The joined line keeps the first piece's record: its bookmarks, marks and data.
    while (line + 1 < lineCount() && (m_store.attributes(line + 1).flags & kWrapContinuation))
        m_store.joinWithNext(line);
}

void EditModel::cutLogicalLine(std::int64_t line) {
    const std::string text = m_store.lineText(line);
    if (text.empty())
        return;
    if (hasOption(cmoWrapOverride) && !m_wrapOverride.empty()) {
        const std::size_t first = CharLengthAt(m_encoding, text, 0);
        if (m_wrapOverride.find(text.substr(0, first)) != std::string::npos)
            return;
    }
    const int width = wrapWidth();
    const Position base = m_store.lineStart(line);
    LineAttributes continuation;
    continuation.flags = kWrapContinuation;
    std::size_t pieceStart = 0;
    while (true) {
        std::size_t limit = pieceStart;
        for (int n = 0; n < width && limit < text.size(); ++n)
            limit += static_cast<unsigned char>(text[limit]) < 0x80
                         ? 1
                         : CharLengthAt(m_encoding, text, limit);
        if (limit >= text.size())
            return;
        // Break after the last space of a full piece; the spaces that follow it stay
        // with the piece, so no display line starts with a blank.
        std::size_t cut = limit;
        const std::size_t space =
            std::string_view(text).substr(pieceStart, limit - pieceStart + 1).rfind(' ');
        if (space != std::string_view::npos) {
            cut = pieceStart + space + 1;
            while (cut < text.size() && text[cut] == ' ')
                ++cut;
        }
        if (cut >= text.size())
            return;
        m_store.splitLineAt(base + static_cast<Position>(cut), continuation);
        pieceStart = cut;
    }
}

} // namespace velloran
