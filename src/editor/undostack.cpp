// Undo stack storage.
#include "editor/undostack.h"

#include "editor/codememoerror.h"

namespace velloran {

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
