// Undo stack storage.
#include "editor/undostack.h"

#include "editor/codememoerror.h"

namespace velloran {

void TUndoStack::push(UndoEntry&& entry) {
    if (m_cursor < m_entries.size())
        m_entries.resize(m_cursor);
    m_entries.push_back(std::move(entry));
    m_cursor = m_entries.size();
}

UndoEntry TUndoStack::pop() {
    if (m_cursor == 0)
        throw TCodeMemoException("Stack underflow");
    m_entries.resize(m_cursor);
    UndoEntry top = std::move(m_entries.back());
    m_entries.pop_back();
    m_cursor = m_entries.size();
    return top;
}

void TUndoStack::clear() noexcept {
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_cursor = 0;
}

} // namespace velloran
