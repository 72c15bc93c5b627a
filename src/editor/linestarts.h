// The start positions of the display lines, kept so that an edit shifts the lines after
// it lazily: positions after the "step" line are stored without the pending shift,
// which is applied only as far as later look-ups and edits need it.
#pragma once

#include "editor/splitvector.h"

#include <cstdint>

namespace velloran {

using Position = std::int64_t;

class LineStarts {
public:
    LineStarts() { reset(0); }

    // One line covering `length` characters.
    void reset(Position length);

    // Lines whose starts are given (first must be 0), then the end of the text.
    void adopt(std::vector<Position>&& startsAndEnd);

    [[nodiscard]] std::int64_t lines() const noexcept {
        return static_cast<std::int64_t>(m_body.size()) - 1;
    }

    // Start of `line`; `lines()` gives the end of the text.
    [[nodiscard]] Position start(std::int64_t line) const noexcept {
        const Position value = m_body.at(static_cast<std::size_t>(line));
        return line > m_stepLine ? value + m_stepLength : value;
    }

    // The line holding `pos`; a position on a line start belongs to that line.
    [[nodiscard]] std::int64_t lineOf(Position pos) const noexcept;

    // Every line after `line` moves by `delta`.
    void shiftAfter(std::int64_t line, Position delta);

    // A new line starting at `pos` gets index `line`.
    void insertLine(std::int64_t line, Position pos);
    void removeLine(std::int64_t line);

private:
    void applyStepTo(std::int64_t line);
    void retractStepTo(std::int64_t line);

    SplitVector<Position> m_body;
    std::int64_t m_stepLine = 0;
    Position m_stepLength = 0;
};

} // namespace velloran
