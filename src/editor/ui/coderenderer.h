// Paints display lines of an editing model (gutter, styled text, selection, caret) onto
// any QPainter, so that the editor control and the printer share one renderer.
#pragma once

#include "editor/cells.h"
#include "editor/editmodel.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

class QPainter;
class QPaintDevice;

namespace velloran {

[[nodiscard]] inline QColor ToQColor(Color c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// Document bytes in their encoding to Qt text and back; characters the encoding cannot
// hold become "?".
[[nodiscard]] QString DocumentToQString(std::string_view bytes, Encoding encoding);
[[nodiscard]] std::string QStringToDocument(const QString& text, Encoding encoding);

// The fonts text is drawn in and the fixed cell grid they set.
struct CellMetrics {
    std::array<QFont, 8> fonts; // indexed by FontStyleBits
    int cellWidth = 8;
    int lineHeight = 16;
    int ascent = 12;

    // `device` is where the text goes (a printer); null means the screen.
    [[nodiscard]] static CellMetrics forFont(const QFont& font, QPaintDevice* device = nullptr);
};

// One character of a display line and the cells it covers.
struct LineGlyph {
    Position pos = 0;
    int bytes = 1;
    char32_t ch = 0;
    std::int64_t cell = 0;
    int cells = 1;
};

// A display line laid out in cells: tabs to the next tab stop, wide characters in two
// cells. Keeps the glyphs from `fromCell` on and stops once `untilCell` is covered, so
// long lines cost only what is shown.
class LineLayout {
public:
    LineLayout(const EditModel& model, std::int64_t line, std::int64_t fromCell = 0,
               std::int64_t untilCell = std::numeric_limits<std::int64_t>::max());

    [[nodiscard]] const std::vector<LineGlyph>& glyphs() const noexcept { return m_glyphs; }
    // The cell after the last glyph laid out.
    [[nodiscard]] std::int64_t endCell() const noexcept { return m_endCell; }
    // The caret position nearest to a fractional cell (a mouse position).
    [[nodiscard]] Position positionNear(double cell) const noexcept;
    // The character covering `cell`, or -1 past the line's text.
    [[nodiscard]] Position positionCovering(std::int64_t cell) const noexcept;

private:
    Position m_caretEnd = 0;
    std::int64_t m_endCell = 0;
    std::vector<LineGlyph> m_glyphs;
};

// The cell of `pos` within its display line.
[[nodiscard]] std::int64_t CellOfPosition(const EditModel& model, Position pos);

// What to paint and where.
struct RenderSettings {
    QRect page;                   // gutter and text, on the painter's device
    QRect clip;                   // only lines crossing it are painted; empty = page
    std::int64_t firstLine = 0;   // display line at the top, 0-based
    std::int64_t firstColumn = 0; // cell at the left edge of the text
    int gutterWidth = 0;          // pixels; 0 hides the gutter
    int margin = 2;               // pixels between gutter and text
    bool partialLastLine = true;  // the screen shows a cut line, a printer does not
    bool showSelection = true;
    bool showCaret = false;
    bool blockCaret = false;
    Position dropPosition = -1; // where dragged text would land, or -1
    int rightMargin = -1;       // column of the margin line, -1 for none
    int wrapColumn = -1;        // column of the wrap line, -1 for none
    Color selectedText = 0xFFFFFF;
    Color selectedBack = 0x800000;

    [[nodiscard]] int textLeft() const noexcept { return page.left() + gutterWidth + margin; }
};

class CodeRenderer {
public:
    // Called for each mark set on a painted line, with the line's gutter cell.
    std::function<void(QPainter*, QRect, int mark)> drawMark;

    // Paints from `settings.firstLine` down the page; returns how many lines fit whole
    // (a printer's page advances by this much).
    int paint(QPainter& painter, const EditModel& model, const CellMetrics& metrics,
              const RenderSettings& settings) const;

    [[nodiscard]] static int linesPerPage(int height, const CellMetrics& metrics) noexcept;
    // Where a position's cell is on the page (one cell wide), or an empty rect when the
    // position's line is not on it.
    [[nodiscard]] static QRect cellRect(const EditModel& model, const CellMetrics& metrics,
                                        const RenderSettings& settings, Position pos);

private:
    void paintGutter(QPainter& painter, const EditModel& model, const CellMetrics& metrics,
                     const QRect& row, std::int64_t line) const;
    static void paintColumnLines(QPainter& painter, const CellMetrics& metrics,
                                 const RenderSettings& settings, int bottom);
    static void paintCaret(QPainter& painter, const EditModel& model, const CellMetrics& metrics,
                           const RenderSettings& settings, Position pos, bool block);
};

} // namespace velloran
