// The line renderer: cell layout of display lines and painting of gutter, text runs,
// selection, column lines and caret.
#include "editor/ui/coderenderer.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace velloran {

namespace {

const QColor kGutterBack(232, 232, 232);
const QColor kGutterEdge(160, 160, 160);
const QColor kRightMarginColour(192, 192, 192);
const QColor kWrapColumnColour(128, 160, 224);

// Characters drawn together in one run: printable ASCII, and control characters that
// show as ".". Everything else is placed cell by cell, so that glyphs from fallback
// fonts cannot push the grid.
bool IsRunChar(char32_t ch) noexcept {
    return ch < 127 && ch != '\t';
}

QChar ShownAscii(char32_t ch) noexcept {
    return ch < 32 ? QChar('.') : QChar(static_cast<char16_t>(ch));
}

// Font, colours: what makes two characters part of the same run.
struct Look {
    std::uint8_t font = 0;
    Color fg = 0;
    Color bg = 0xFFFFFF;
    friend bool operator==(const Look&, const Look&) = default;
};

// Paints the text part of display lines.
class TextLinePainter {
public:
    TextLinePainter(QPainter& painter, const EditModel& model, const CellMetrics& metrics,
                    const RenderSettings& settings)
        : m_painter(painter), m_model(model), m_store(model.store()), m_sheet(model.styleSheet()),
          m_metrics(metrics), m_settings(settings),
          m_selStart(settings.showSelection ? model.selectionStart() : 0),
          m_selEnd(settings.showSelection ? model.selectionEnd() : 0) {
        // Cells up to the one holding the page's right edge; a page must not carry text
        // beyond it, or printed wrap cuts would show characters twice.
        const int columns = (settings.page.right() - settings.textLeft()) / metrics.cellWidth + 1;
        m_lastCell = settings.firstColumn + std::max(columns, 1);
    }

    void paint(std::int64_t line, int y);

private:
    [[nodiscard]] Look lookAt(const LineGlyph& glyph) const;
    [[nodiscard]] int xOf(std::int64_t cell) const {
        return m_settings.textLeft() +
               static_cast<int>((cell - m_settings.firstColumn) * m_metrics.cellWidth);
    }
    [[nodiscard]] bool selected(Position pos) const noexcept {
        return pos >= m_selStart && pos < m_selEnd;
    }
    void add(const LineGlyph& glyph, const Look& look);
    void flush();
    void fillCells(std::int64_t cell, std::int64_t cells, Color back);
    void drawText(std::int64_t cell, std::int64_t cells, const QString& text, const Look& look);

    QPainter& m_painter;
    const EditModel& m_model;
    const TextStore& m_store;
    const StyleSheet& m_sheet;
    const CellMetrics& m_metrics;
    const RenderSettings& m_settings;
    Position m_selStart;
    Position m_selEnd;
    std::int64_t m_lastCell = 0;
    // The line being painted.
    int m_y = 0;
    const LineAttributes* m_attributes = nullptr;
    Color m_lineBack = 0xFFFFFF;
    // The run being collected.
    QString m_run;
    std::int64_t m_runCell = 0;
    std::int64_t m_runEnd = 0;
    Look m_runLook;
};

void TextLinePainter::paint(std::int64_t line, int y) {
    m_y = y;
    m_attributes = &m_store.attributes(line);
    m_lineBack = m_attributes->lineData != -1 ? static_cast<Color>(m_attributes->lineData)
                                              : m_sheet.defaultStyle.back;
    const int left = m_settings.page.left() + m_settings.gutterWidth;
    m_painter.fillRect(QRect(left, y, m_settings.page.right() - left + 1, m_metrics.lineHeight),
                       ToQColor(m_lineBack));
    const LineLayout layout(m_model, line, m_settings.firstColumn, m_lastCell);
    for (const LineGlyph& glyph : layout.glyphs())
        add(glyph, lookAt(glyph));
    flush();
    // A selected line end shows as one selected cell after the text.
    const Position lineEnd = m_store.lineStart(line) + m_store.lineTextLength(line);
    if (m_store.endsWithLineEnd(line) && selected(lineEnd) && layout.endCell() < m_lastCell)
        fillCells(layout.endCell(), 1, m_settings.selectedBack);
}

Look TextLinePainter::lookAt(const LineGlyph& glyph) const {
    const TextStyle& style = m_sheet.styleForToken(m_store.tokenAt(glyph.pos));
    Look look{static_cast<std::uint8_t>(style.fontStyle & 7), style.color, style.back};
    if (m_attributes->lineData != -1) {
        look.bg = m_lineBack;
        if (m_attributes->lineData2 != -1)
            look.fg = static_cast<Color>(m_attributes->lineData2);
    }
    if (selected(glyph.pos)) {
        look.fg = m_settings.selectedText;
        look.bg = m_settings.selectedBack;
    }
    return look;
}

void TextLinePainter::add(const LineGlyph& glyph, const Look& look) {
    if (glyph.ch == '\t') {
        flush();
        fillCells(glyph.cell, glyph.cells, look.bg);
        return;
    }
    if (!IsRunChar(glyph.ch)) {
        flush();
        const char32_t ch = glyph.ch;
        drawText(glyph.cell, glyph.cells, ch == 127 ? QString(".") : QString::fromUcs4(&ch, 1),
                 look);
        return;
    }
    if (!m_run.isEmpty() && (look != m_runLook || glyph.cell != m_runEnd))
        flush();
    if (m_run.isEmpty()) {
        m_runCell = glyph.cell;
        m_runLook = look;
    }
    m_run.append(ShownAscii(glyph.ch));
    m_runEnd = glyph.cell + glyph.cells;
}

void TextLinePainter::flush() {
    if (m_run.isEmpty())
        return;
    drawText(m_runCell, m_runEnd - m_runCell, m_run, m_runLook);
    m_run.clear();
}

void TextLinePainter::fillCells(std::int64_t cell, std::int64_t cells, Color back) {
    if (cells <= 0 || back == m_lineBack)
        return;
    m_painter.fillRect(
        QRect(xOf(cell), m_y, static_cast<int>(cells * m_metrics.cellWidth), m_metrics.lineHeight),
        ToQColor(back));
}

void TextLinePainter::drawText(std::int64_t cell, std::int64_t cells, const QString& text,
                               const Look& look) {
    fillCells(cell, cells, look.bg);
    m_painter.setFont(m_metrics.fonts[look.font]);
    m_painter.setPen(ToQColor(look.fg));
    m_painter.drawText(QPoint(xOf(cell), m_y + m_metrics.ascent), text);
}

// The small glyph of bookmark `index`: a rounded box with its digit.
void PaintBookmark(QPainter& painter, const CellMetrics& metrics, QRect box, int index) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QColor(0, 0, 128));
    painter.setBrush(QColor(255, 255, 204));
    painter.drawRoundedRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
    QFont font = metrics.fonts[kBold];
    font.setPixelSize(std::max(6, box.height() * 3 / 4));
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 128));
    painter.drawText(box, Qt::AlignCenter, QString::number(index));
    painter.setRenderHint(QPainter::Antialiasing, false);
}

// A hooked arrow: this line goes on from the line above.
void PaintWrapGlyph(QPainter& painter, const QRect& box) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(64, 64, 64), 1.2));
    painter.setBrush(Qt::NoBrush);
    const qreal right = box.right() - 1.5;
    const qreal left = box.left() + 1.5;
    const qreal top = box.top() + 2.5;
    const qreal mid = box.center().y() + 1.5;
    QPainterPath path;
    path.moveTo(right, top);
    path.lineTo(right, mid);
    path.lineTo(left, mid);
    path.moveTo(left + 3.5, mid - 3.5);
    path.lineTo(left, mid);
    path.lineTo(left + 3.5, mid + 3.5);
    painter.drawPath(path);
    painter.setRenderHint(QPainter::Antialiasing, false);
}

} // namespace

QString DocumentToQString(std::string_view bytes, Encoding encoding) {
    if (encoding == Encoding::Utf8)
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char byte : bytes)
        text.append(
            QChar(static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(byte)))));
    return text;
}

std::string QStringToDocument(const QString& text, Encoding encoding) {
    if (encoding == Encoding::Utf8)
        return text.toUtf8().toStdString();
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t ch : text.toUcs4()) {
        const std::string one = EncodeChar(encoding, ch);
        bytes += one.empty() ? std::string("?") : one;
    }
    return bytes;
}

CellMetrics CellMetrics::forFont(const QFont& font, QPaintDevice* device) {
    CellMetrics metrics;
    const QFontMetrics fm = device ? QFontMetrics(font, device) : QFontMetrics(font);
    metrics.cellWidth = std::max(1, fm.horizontalAdvance(QLatin1Char('M')));
    metrics.lineHeight = std::max(1, fm.height());
    metrics.ascent = fm.ascent();
    for (std::size_t bits = 0; bits < metrics.fonts.size(); ++bits) {
        QFont styled = font;
        styled.setBold(bits & kBold);
        styled.setItalic(bits & kItalic);
        styled.setUnderline(bits & kUnderline);
        // Runs are drawn as one string: spacing makes every advance exactly one cell.
        const QFontMetricsF real = device ? QFontMetricsF(styled, device) : QFontMetricsF(styled);
        const qreal advance = real.horizontalAdvance(QLatin1Char('M'));
        if (std::abs(advance - metrics.cellWidth) > 0.001)
            styled.setLetterSpacing(QFont::AbsoluteSpacing, metrics.cellWidth - advance);
        metrics.fonts[bits] = styled;
    }
    return metrics;
}

LineLayout::LineLayout(const EditModel& model, std::int64_t line, std::int64_t fromCell,
                       std::int64_t untilCell) {
    const TextStore& store = model.store();
    const Position start = store.lineStart(line);
    const Position textLength = store.lineTextLength(line);
    m_caretEnd = start + textLength;
    if (!store.endsWithLineEnd(line) && line + 1 < store.lineCount())
        m_caretEnd = std::max(start, model.prevCharPos(store.lineStart(line + 1)));
    // Every character covers at least one cell in at most four bytes.
    Position wanted = textLength;
    if (untilCell < textLength / 4)
        wanted = std::min(textLength, 4 * (untilCell + 2));
    const std::string text = store.text(start, wanted);
    WalkCells(
        text, model.encoding(), model.tabWidth(),
        [&](std::size_t i, int length, char32_t ch, std::int64_t cell, int cells) {
            if (cell > untilCell)
                return false;
            m_endCell = cell + cells;
            if (m_endCell > fromCell)
                m_glyphs.push_back({start + static_cast<Position>(i), length, ch, cell, cells});
            return true;
        });
}

Position LineLayout::positionNear(double cell) const noexcept {
    for (const LineGlyph& glyph : m_glyphs)
        if (cell < static_cast<double>(glyph.cell) + glyph.cells / 2.0)
            return std::min(glyph.pos, m_caretEnd);
    if (m_glyphs.empty())
        return m_caretEnd;
    const LineGlyph& last = m_glyphs.back();
    return std::min(last.pos + last.bytes, m_caretEnd);
}

Position LineLayout::positionCovering(std::int64_t cell) const noexcept {
    for (const LineGlyph& glyph : m_glyphs)
        if (cell >= glyph.cell && cell < glyph.cell + glyph.cells)
            return glyph.pos;
    return -1;
}

std::int64_t CellOfPosition(const EditModel& model, Position pos) {
    const TextStore& store = model.store();
    pos = std::clamp<Position>(pos, 0, store.length());
    const Position start = store.lineStart(store.lineOf(pos));
    const std::string text = store.text(start, pos - start);
    std::int64_t end = 0;
    WalkCells(text, model.encoding(), model.tabWidth(),
              [&](std::size_t, int, char32_t, std::int64_t cell, int cells) {
                  end = cell + cells;
                  return true;
              });
    return end;
}

int CodeRenderer::linesPerPage(int height, const CellMetrics& metrics) noexcept {
    return std::max(0, height / std::max(1, metrics.lineHeight));
}

int CodeRenderer::paint(QPainter& painter, const EditModel& model, const CellMetrics& metrics,
                        const RenderSettings& settings) const {
    const QRect& page = settings.page;
    const QRect clip = settings.clip.isEmpty() ? page : settings.clip.intersected(page);
    const int lineHeight = metrics.lineHeight;
    const int fit = linesPerPage(page.height(), metrics);
    const int rows = settings.partialLastLine ? (page.height() + lineHeight - 1) / lineHeight : fit;
    const std::int64_t lines = model.lineCount();
    const QRect gutter(page.left(), page.top(), settings.gutterWidth, page.height());
    const QRect text(page.left() + settings.gutterWidth, page.top(),
                     page.width() - settings.gutterWidth, page.height());
    const QColor paper = ToQColor(model.styleSheet().defaultStyle.back);
    painter.save();
    TextLinePainter textPainter(painter, model, metrics, settings);
    for (int row = 0; row < rows; ++row) {
        const std::int64_t line = settings.firstLine + row;
        const int y = page.top() + row * lineHeight;
        const QRect rowRect(page.left(), y, page.width(), lineHeight);
        if (!rowRect.intersects(clip))
            continue;
        if (settings.gutterWidth > 0) {
            painter.setClipRect(clip.intersected(gutter));
            paintGutter(painter, model, metrics,
                        QRect(gutter.left(), y, gutter.width(), lineHeight),
                        line < lines ? line : -1);
        }
        painter.setClipRect(clip.intersected(text));
        if (line < lines)
            textPainter.paint(line, y);
        else
            painter.fillRect(QRect(text.left(), y, text.width(), lineHeight), paper);
    }
    painter.setClipRect(clip.intersected(text));
    const int bottom = page.top() + rows * lineHeight;
    if (bottom < page.bottom())
        painter.fillRect(QRect(text.left(), bottom, text.width(), page.bottom() - bottom + 1),
                         paper);
    paintColumnLines(painter, metrics, settings, std::min(bottom, page.bottom() + 1));
    if (settings.showCaret)
        paintCaret(painter, model, metrics, settings, model.caret(), settings.blockCaret);
    if (settings.dropPosition >= 0)
        paintCaret(painter, model, metrics, settings, settings.dropPosition, false);
    painter.restore();
    return static_cast<int>(std::clamp<std::int64_t>(lines - settings.firstLine, 0, fit));
}

void CodeRenderer::paintGutter(QPainter& painter, const EditModel& model,
                               const CellMetrics& metrics, const QRect& row,
                               std::int64_t line) const {
    painter.fillRect(row, kGutterBack);
    painter.setPen(kGutterEdge);
    painter.drawLine(row.right(), row.top(), row.right(), row.bottom());
    if (line < 0)
        return;
    const LineAttributes& attributes = model.store().attributes(line);
    const int height = std::max(4, row.height() - 2);
    const int width = std::max(metrics.cellWidth + 6, height);
    int x = row.left() + 2;
    for (int index = 0; index < 10; ++index) {
        if ((attributes.flags & (1u << index)) == 0)
            continue;
        PaintBookmark(painter, metrics, QRect(x, row.top() + 1, width, height), index);
        x += 4; // several bookmarks on one line overlap like cards
    }
    if (attributes.flags & kWrapContinuation) {
        const int size = std::min(row.height(), 12);
        PaintWrapGlyph(painter, QRect(row.right() - size - 2, row.top(), size, row.height()));
    }
    if (!drawMark || attributes.marks == 0)
        return;
    for (int mark = 1; mark <= 16; ++mark)
        if (attributes.marks & (1u << (mark - 1)))
            drawMark(&painter, row, mark);
}

void CodeRenderer::paintColumnLines(QPainter& painter, const CellMetrics& metrics,
                                    const RenderSettings& settings, int bottom) {
    const auto lineAt = [&](int column, const QPen& pen) {
        if (column < 0)
            return;
        const std::int64_t x =
            settings.textLeft() + (column - settings.firstColumn) * metrics.cellWidth;
        if (x <= settings.textLeft() || x > settings.page.right())
            return;
        painter.setPen(pen);
        painter.drawLine(static_cast<int>(x), settings.page.top(), static_cast<int>(x), bottom - 1);
    };
    lineAt(settings.rightMargin, QPen(kRightMarginColour));
    lineAt(settings.wrapColumn, QPen(kWrapColumnColour, 1, Qt::DashLine));
}

QRect CodeRenderer::cellRect(const EditModel& model, const CellMetrics& metrics,
                             const RenderSettings& settings, Position pos) {
    const std::int64_t row = model.store().lineOf(pos) - settings.firstLine;
    const int rows = (settings.page.height() + metrics.lineHeight - 1) / metrics.lineHeight;
    if (row < 0 || row >= rows)
        return {};
    const std::int64_t cell = CellOfPosition(model, pos);
    const std::int64_t x = settings.textLeft() + (cell - settings.firstColumn) * metrics.cellWidth;
    if (x < settings.textLeft() - metrics.cellWidth || x > settings.page.right())
        return {};
    return {static_cast<int>(x), settings.page.top() + static_cast<int>(row) * metrics.lineHeight,
            metrics.cellWidth, metrics.lineHeight};
}

void CodeRenderer::paintCaret(QPainter& painter, const EditModel& model, const CellMetrics& metrics,
                              const RenderSettings& settings, Position pos, bool block) {
    QRect rect = cellRect(model, metrics, settings, pos);
    if (rect.isEmpty())
        return;
    if (block) {
        const std::string bytes =
            model.store().text(pos, std::min<Position>(4, model.length() - pos));
        const char32_t ch = bytes.empty() ? U' ' : DecodeCharAt(model.encoding(), bytes, 0);
        rect.setWidth(metrics.cellWidth * (ch == '\t' || ch == '\r' ? 1 : CharCells(ch)));
    } else {
        // Astride the cell's left edge, so it touches the character before and after.
        rect = QRect(rect.left() - 1, rect.top(), 2, rect.height());
    }
    // Difference keeps the caret visible on any background, selection included.
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.fillRect(rect, Qt::white);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

} // namespace velloran
