// The undo log's storage: a stack of entries with a cursor, so that entries above the
// cursor are the redo list and a new entry discards them.
#pragma once

#include "editor/linestarts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velloran {

enum class UndoKind : std::uint8_t { Range = 0, Text = 1, Stream = 4, Marker = 5 };

struct UndoEntry {
    UndoKind kind = UndoKind::Marker;
    std::uint8_t code = 0; // operation code of a marker
    Position first = 0;    // a range: anchor and caret, or block start and end
    Position second = 0;
    std::string text; // removed or inserted characters, in store form

    static UndoEntry marker(std::uint8_t code) { return {UndoKind::Marker, code, 0, 0, {}}; }
    static UndoEntry range(Position a, Position b) { return {UndoKind::Range, 0, a, b, {}}; }
    static UndoEntry textOf(std::string text, UndoKind kind = UndoKind::Text) {
        return {kind, 0, 0, 0, std::move(text)};
    }
};

class TUndoStack {
public:
    // Discards every entry above the cursor, then adds `entry` on top.
    void push(UndoEntry&& entry);
    // Removes and returns the entry under the cursor; "Stack underflow" when empty.
    UndoEntry pop();
    void clear() noexcept;

    // Entries up to the cursor: what undo can still take back.
    [[nodiscard]] std::size_t count() const noexcept { return m_cursor; }
    [[nodiscard]] std::size_t total() const noexcept { return m_entries.size(); }
    [[nodiscard]] const UndoEntry& at(std::size_t index) const { return m_entries.at(index); }
    void setCursor(std::size_t cursor) noexcept { m_cursor = cursor; }

private:
    std::vector<UndoEntry> m_entries;
    std::size_t m_cursor = 0;
};

} // namespace velloran
