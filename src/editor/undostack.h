// The undo log's storage: one record per transaction on a stack with a cursor, so that
// records above the cursor are the redo list and a new change discards them.
#pragma once

#include "editor/lineend.h"
#include "editor/linestarts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velloran {

// One undoable change: the text from `start` that was `oldText` became `newText`, and
// the selection moved from the old anchor and caret to the new ones. A replacement
// starts at the old selection, a block indent at the first line it touched.
struct UndoTransaction {
    std::uint8_t code = 0; // the log operation code
    Position start = 0;
    Position oldAnchor = 0;
    Position oldCaret = 0;
    Position newAnchor = 0;
    Position newCaret = 0;
    std::string oldText;
    std::string newText;
    // How the CRs of `oldText` and then of `newText` end, one a CR; empty when every
    // one of them ends as `lineEnd` (most changes, so they cost nothing here).
    std::vector<LineEnd> lineEnds;
    LineEnd lineEnd = LineEnd::Lf;

    [[nodiscard]] LineEndList oldEnds() const noexcept;
    [[nodiscard]] LineEndList newEnds() const noexcept;
    // Drops `lineEnds` when all of its entries are alike.
    void compactLineEnds();
};

class TUndoStack {
public:
    // Discards every record above the cursor, then adds `record` on top.
    void push(UndoTransaction&& record);
    // Removes and returns the record under the cursor; "Stack underflow" when empty.
    UndoTransaction pop();
    void clear() noexcept;

    // Records up to the cursor: what undo can still take back.
    [[nodiscard]] std::size_t count() const noexcept { return m_cursor; }
    [[nodiscard]] std::size_t total() const noexcept { return m_records.size(); }
    [[nodiscard]] const UndoTransaction& at(std::size_t index) const { return m_records.at(index); }
    void setCursor(std::size_t cursor) noexcept { m_cursor = cursor; }

private:
    std::vector<UndoTransaction> m_records;
    std::size_t m_cursor = 0;
};

} // namespace velloran
