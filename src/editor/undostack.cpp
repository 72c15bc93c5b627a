// Undo stack storage.
#include "editor/undostack.h"

#include "editor/codememoerror.h"

#include <algorithm>

namespace velloran {

namespace {

std::size_t breaksIn(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r'));
}

} // namespace

LineEndList UndoTransaction::oldEnds() const noexcept {
    if (lineEnds.empty())
        return {.uniform = lineEnd};
    const std::size_t count = std::min(breaksIn(oldText), lineEnds.size());
    return {.each = std::span(lineEnds).first(count), .uniform = lineEnd};
}

LineEndList UndoTransaction::newEnds() const noexcept {
    if (lineEnds.empty())
        return {.uniform = lineEnd};
    const std::size_t skip = std::min(breaksIn(oldText), lineEnds.size());
    return {.each = std::span(lineEnds).subspan(skip), .uniform = lineEnd};
}

void UndoTransaction::compactLineEnds() {
    if (lineEnds.empty())
        return;
    const LineEnd first = lineEnds.front();
    if (std::ranges::all_of(lineEnds, [first](LineEnd end) { return end == first; })) {
        lineEnd = first;
        std::vector<LineEnd>().swap(lineEnds);
    }
}

void TUndoStack::push(UndoTransaction&& record) {
    if (m_cursor < m_records.size())
        m_records.resize(m_cursor);
    m_records.push_back(std::move(record));
    m_cursor = m_records.size();
}

UndoTransaction TUndoStack::pop() {
    if (m_cursor == 0)
        throw TCodeMemoException("Stack underflow");
    m_records.resize(m_cursor);
    UndoTransaction top = std::move(m_records.back());
    m_records.pop_back();
    m_cursor = m_records.size();
    return top;
}

void TUndoStack::clear() noexcept {
    // A log that grew large gives its memory back; a small one keeps it for reuse.
    if (m_records.capacity() > 65536)
        std::vector<UndoTransaction>().swap(m_records);
    m_records.clear();
    m_cursor = 0;
}

} // namespace velloran
