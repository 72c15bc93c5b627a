// The `Lines` adapter over the edit-message protocol.
#include "editor/codememostrings.h"

namespace velloran {

std::int64_t TCodeMemoStrings::count() const {
    const std::int64_t lines = m_memo.lineCount();
    return lines == 1 && m_memo.lineLengthAt(0) == 0 ? 0 : lines;
}

std::string TCodeMemoStrings::get(std::int64_t index) const {
    return m_memo.getLine(index);
}

void TCodeMemoStrings::put(std::int64_t index, std::string_view line) {
    const Position start = m_memo.lineIndex(index);
    if (start < 0)
        return;
    m_memo.setSel(start, start + m_memo.lineLengthAt(start));
    m_memo.replaceSel(line);
}

void TCodeMemoStrings::insert(std::int64_t index, std::string_view line) {
    const Position start = m_memo.lineIndex(index);
    if (start >= 0 && index < count()) {
        m_memo.setSel(start, start);
        m_memo.replaceSel(std::string(line) + '\r');
        return;
    }
    const Position end = m_memo.length();
    m_memo.setSel(end, end);
    const bool lastEmpty = m_memo.lineLengthAt(end) == 0;
    m_memo.replaceSel(lastEmpty ? std::string(line) : '\r' + std::string(line));
}

void TCodeMemoStrings::remove(std::int64_t index) {
    const Position start = m_memo.lineIndex(index);
    if (start < 0)
        return;
    const Position next = m_memo.lineIndex(index + 1);
    m_memo.setSel(start, next >= 0 ? next : start + m_memo.lineLengthAt(start));
    m_memo.replaceSel({});
}

void TCodeMemoStrings::clear() {
    m_memo.selectAll();
    m_memo.replaceSel({});
}

void TCodeMemoStrings::setText(std::string_view text) {
    std::string normalized(text);
    NormalizeLineBreaks(normalized);
    if (static_cast<Position>(normalized.size()) == m_memo.length() &&
        m_memo.store().text(0, m_memo.length()) == normalized)
        return;
    m_memo.setText(normalized);
}

} // namespace velloran
