// Lazily shifted line start positions.
#include "editor/linestarts.h"

namespace velloran {

void LineStarts::reset(Position length) {
    std::vector<Position> fresh{0, length};
    adopt(std::move(fresh));
}

void LineStarts::adopt(std::vector<Position>&& startsAndEnd) {
    m_body.adopt(std::move(startsAndEnd));
    m_stepLine = 0;
    m_stepLength = 0;
}

std::int64_t LineStarts::lineOf(Position pos) const noexcept {
    std::int64_t low = 0;
    std::int64_t high = lines() - 1;
    if (pos >= start(high))
        return high;
    while (low < high) {
        const std::int64_t middle = (low + high + 1) / 2;
        if (pos < start(middle))
            high = middle - 1;
        else
            low = middle;
    }
    return low;
}

void LineStarts::applyStepTo(std::int64_t line) {
    if (m_stepLength != 0)
        for (std::int64_t i = m_stepLine + 1; i <= line; ++i)
            m_body.ref(static_cast<std::size_t>(i)) += m_stepLength;
    m_stepLine = line;
    if (m_stepLine >= lines()) {
        m_stepLine = lines();
        m_stepLength = 0;
    }
}

void LineStarts::retractStepTo(std::int64_t line) {
    if (m_stepLength != 0)
        for (std::int64_t i = m_stepLine; i > line; --i)
            m_body.ref(static_cast<std::size_t>(i)) -= m_stepLength;
    m_stepLine = line;
}

void LineStarts::shiftAfter(std::int64_t line, Position delta) {
    if (m_stepLength == 0) {
        m_stepLine = line;
        m_stepLength = delta;
        return;
    }
    // Keep the pending shift next to where the user is editing, so typing costs
    // nothing per line while jumps pay only for the distance.
    if (line >= m_stepLine)
        applyStepTo(line);
    else if (line >= m_stepLine - lines() / 10)
        retractStepTo(line);
    else {
        applyStepTo(lines());
        m_stepLine = line;
        m_stepLength = delta;
        return;
    }
    m_stepLength += delta;
}

void LineStarts::insertLine(std::int64_t line, Position pos) {
    if (m_stepLine < line)
        applyStepTo(line - 1);
    // Values after the step line lack the pending shift, so store this one likewise
    // when it lands after it.
    m_body.insertValue(static_cast<std::size_t>(line), 1,
                       line > m_stepLine ? pos - m_stepLength : pos);
    if (line <= m_stepLine)
        ++m_stepLine;
}

void LineStarts::removeLine(std::int64_t line) {
    if (line > m_stepLine)
        applyStepTo(line);
    m_body.erase(static_cast<std::size_t>(line), 1);
    --m_stepLine;
}

} // namespace velloran
