// The line list the editor control publishes as `Lines`: every operation goes through
// the control's edit-message protocol, so it shares the control's undo log.
#pragma once

#include "editor/editmodel.h"

#include <string>
#include <string_view>

namespace velloran {

class TCodeMemoStrings {
public:
    explicit TCodeMemoStrings(EditModel& memo) : m_memo(memo) {}

    // A control holding one empty line counts as empty.
    [[nodiscard]] std::int64_t count() const;
    // Line `index` without its line end; empty past the end.
    [[nodiscard]] std::string get(std::int64_t index) const;
    [[nodiscard]] std::string text() const { return m_memo.getText(); }

    void put(std::int64_t index, std::string_view line);
    void insert(std::int64_t index, std::string_view line);
    void append(std::string_view line) { insert(count(), line); }
    void remove(std::int64_t index);
    void clear();
    // Does nothing when the text is already `text` (after line-break normalisation).
    void setText(std::string_view text);
    void beginUpdate() { m_memo.lockPainting(); }
    void endUpdate() { m_memo.unlockPainting(); }
    void assign(const TCodeMemoStrings& other) { setText(other.text()); }

private:
    EditModel& m_memo;
};

} // namespace velloran
