// Printing the editor control: the text laid out at the printer's resolution by the
// screen's own renderer, with header, line numbers, wrapping and page numbers as chosen.
#include "editor/ui/codememo.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <vector>

namespace velloran {

namespace {

// "%6d:" and the blank after it.
constexpr int kNumberCells = 8;

// A printed row: a display line, or with wrapping one piece of it.
struct PrintRow {
    std::int64_t line = 0;
    std::int64_t fromCell = 0;
    std::int64_t cells = 0;
    std::int64_t number = 0; // the line number to print; 0 on a continuation
};

// Walks the text as printed rows. Wrapping cuts between characters, so no character is
// split across two rows; the model's own wrap is left alone.
class RowCursor {
public:
    RowCursor(const EditModel& model, bool wrap, std::int64_t columns)
        : m_model(model), m_wrap(wrap), m_columns(columns) {}

    bool next(PrintRow& row);

private:
    void cutLine();

    const EditModel& m_model;
    bool m_wrap;
    std::int64_t m_columns;
    std::int64_t m_line = -1;
    std::int64_t m_number = 0;
    std::vector<std::int64_t> m_cuts; // where the pieces of m_line start, then its end
    std::size_t m_piece = 0;
};

bool RowCursor::next(PrintRow& row) {
    // m_cuts ends with the line's end, so the last piece is the one before it.
    const bool newLine = m_piece + 2 >= m_cuts.size();
    if (newLine) {
        if (m_line + 1 >= m_model.lineCount())
            return false;
        ++m_line;
        cutLine();
    } else {
        ++m_piece;
    }
    const bool continues =
        m_piece > 0 || (m_model.store().attributes(m_line).flags & kWrapContinuation) != 0;
    if (newLine && !continues)
        ++m_number;
    row = {m_line, m_cuts[m_piece], m_cuts[m_piece + 1] - m_cuts[m_piece],
           continues ? 0 : m_number};
    return true;
}

void RowCursor::cutLine() {
    m_piece = 0;
    m_cuts.assign(1, 0);
    if (!m_wrap) {
        m_cuts.push_back(m_columns); // the rest is cut off at the page's edge
        return;
    }
    const LineLayout layout(m_model, m_line);
    for (const LineGlyph& glyph : layout.glyphs())
        if (glyph.cell > m_cuts.back() && glyph.cell + glyph.cells - m_cuts.back() > m_columns)
            m_cuts.push_back(glyph.cell);
    m_cuts.push_back(std::max(layout.endCell(), m_cuts.back()));
}

// The screen font at the same point size, free of the screen's cell adjustment; the
// printer's metrics set their own.
QFont PrinterFont(QFont font) {
    font.setLetterSpacing(QFont::PercentageSpacing, 100);
    if (font.pointSizeF() <= 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
        font.setPointSizeF(std::max(1.0, font.pixelSize() * 72.0 / dpi));
    }
    return font;
}

// The natural advance of `font` with `spacing` added, on `device`. Measured on a string:
// the one-character overload leaves letter spacing out.
qreal Advance(QFont font, qreal spacing, QPaintDevice* device) {
    const QString sample(16, QLatin1Char('M'));
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return QFontMetricsF(font, device).horizontalAdvance(sample) / sample.size();
}

// The screen's cell grid at the printer's resolution. Letter spacing counts in 1/64 of
// a screen unit, and one unit spans many printer pixels, so not every cell width can be
// reached exactly and runs would drift off the grid over a long line. Of a few widths
// from the natural advance up, the one spacing reaches most closely is taken: glyphs are
// never squeezed and stay on their cells.
CellMetrics PrinterMetrics(const QFont& font, QPaintDevice* printer) {
    CellMetrics metrics = CellMetrics::forFont(font, printer);
    const qreal natural = Advance(font, 0, printer);
    const qreal perUnit = Advance(font, 1, printer) - natural;
    if (perUnit <= 0)
        return metrics;
    const qreal step = perUnit / 64;
    const int narrowest = static_cast<int>(std::ceil(natural - 1e-6));
    qreal bestError = perUnit;
    for (int cell = narrowest; cell <= narrowest + 3; ++cell) {
        const qreal steps = (cell - natural) / step;
        const qreal error = std::abs(steps - std::round(steps)) * step;
        if (error < bestError - 1e-6) {
            bestError = error;
            metrics.cellWidth = cell;
        }
    }
    for (QFont& styled : metrics.fonts)
        styled.setLetterSpacing(QFont::AbsoluteSpacing,
                                (metrics.cellWidth - Advance(styled, 0, printer)) / perUnit);
    return metrics;
}

class PagePrinter {
public:
    PagePrinter(const EditModel& model, const CodeRenderer& renderer, const QFont& font,
                QPrinter& printer);

    bool print();

private:
    void layOut(const QRect& area);
    [[nodiscard]] bool wanted(int page) const;
    void paintFrame(int page);
    void paintRow(const PrintRow& row, int y);

    const EditModel& m_model;
    const CodeRenderer& m_renderer;
    QPrinter& m_printer;
    QPainter m_painter;
    CellMetrics m_metrics;
    QString m_title;
    QString m_date;
    bool m_pageNumbers;
    QRect m_header;
    QRect m_body;
    QRect m_footer;
    int m_numberWidth = 0;
    std::int64_t m_columns = 1;
    int m_rowsPerPage = 1;
};

PagePrinter::PagePrinter(const EditModel& model, const CodeRenderer& renderer, const QFont& font,
                         QPrinter& printer)
    : m_model(model), m_renderer(renderer), m_printer(printer),
      m_metrics(PrinterMetrics(font, &printer)), m_pageNumbers(model.hasOption(cmoPrintPageNos)) {
    if (model.hasOption(cmoPrintFilename))
        m_title = QString::fromStdString(model.title());
    if (model.hasOption(cmoPrintDate))
        m_date = QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    m_numberWidth = model.hasOption(cmoPrintLineNos) ? kNumberCells * m_metrics.cellWidth : 0;
}

void PagePrinter::layOut(const QRect& area) {
    const int lineHeight = m_metrics.lineHeight;
    int top = area.top();
    int bottom = area.bottom() + 1;
    if (!m_title.isEmpty() || !m_date.isEmpty()) {
        m_header = QRect(area.left(), top, area.width(), lineHeight);
        top += lineHeight + lineHeight / 2;
    }
    if (m_pageNumbers) {
        m_footer = QRect(area.left(), bottom - lineHeight, area.width(), lineHeight);
        bottom -= lineHeight + lineHeight / 2;
    }
    m_body = QRect(area.left(), top, area.width(), std::max(0, bottom - top));
    // A page too small for one row still takes one, so printing always moves on.
    m_rowsPerPage = std::max(1, CodeRenderer::linesPerPage(m_body.height(), m_metrics));
    m_columns = std::max(1, (m_body.width() - m_numberWidth) / m_metrics.cellWidth);
}

bool PagePrinter::wanted(int page) const {
    if (m_printer.printRange() != QPrinter::PageRange || m_printer.fromPage() <= 0)
        return true;
    return page >= m_printer.fromPage() && (m_printer.toPage() <= 0 || page <= m_printer.toPage());
}

bool PagePrinter::print() {
    if (!m_painter.begin(&m_printer))
        return false;
    layOut(m_painter.viewport());
    RowCursor rows(m_model, m_model.hasOption(cmoPrintWrap), m_columns);
    PrintRow row;
    bool more = rows.next(row);
    bool started = false;
    for (int page = 1; more; ++page) {
        const bool shown = wanted(page);
        if (shown) {
            if (started && !m_printer.newPage())
                break;
            started = true;
            paintFrame(page);
        }
        for (int r = 0; r < m_rowsPerPage && more; ++r) {
            if (shown)
                paintRow(row, m_body.top() + r * m_metrics.lineHeight);
            more = rows.next(row);
        }
        if (m_printer.printRange() == QPrinter::PageRange && m_printer.toPage() > 0 &&
            page >= m_printer.toPage())
            break;
    }
    return m_painter.end();
}

void PagePrinter::paintFrame(int page) {
    m_painter.setFont(m_metrics.fonts[0]);
    m_painter.setPen(Qt::black);
    if (!m_header.isEmpty()) {
        const QFontMetrics fm(m_metrics.fonts[0], &m_printer);
        const int dateWidth =
            m_date.isEmpty() ? 0 : fm.horizontalAdvance(m_date) + 2 * m_metrics.cellWidth;
        const QString title = fm.elidedText(m_title, Qt::ElideMiddle, m_header.width() - dateWidth);
        m_painter.drawText(m_header, Qt::AlignLeft | Qt::AlignVCenter, title);
        m_painter.drawText(m_header, Qt::AlignRight | Qt::AlignVCenter, m_date);
        const int y = m_header.bottom() + m_metrics.lineHeight / 4;
        m_painter.setPen(QPen(Qt::black, std::max(1, m_printer.resolution() / 100)));
        m_painter.drawLine(m_header.left(), y, m_header.right(), y);
        m_painter.setPen(Qt::black);
    }
    if (m_pageNumbers)
        m_painter.drawText(m_footer, Qt::AlignHCenter | Qt::AlignVCenter,
                           QStringLiteral("- %1 -").arg(page));
}

void PagePrinter::paintRow(const PrintRow& row, int y) {
    if (m_numberWidth > 0 && row.number > 0) {
        m_painter.setFont(m_metrics.fonts[0]);
        m_painter.setPen(Qt::black);
        m_painter.drawText(QPoint(m_body.left(), y + m_metrics.ascent),
                           QStringLiteral("%1:").arg(row.number, 6));
    }
    RenderSettings settings;
    const std::int64_t cells = std::min(row.cells, m_columns);
    settings.page = QRect(m_body.left() + m_numberWidth, y,
                          static_cast<int>(cells) * m_metrics.cellWidth, m_metrics.lineHeight);
    settings.firstLine = row.line;
    settings.firstColumn = row.fromCell;
    settings.gutterWidth = 0;
    settings.margin = 0;
    settings.partialLastLine = false;
    settings.showSelection = false;
    settings.showCaret = false;
    m_renderer.paint(m_painter, m_model, m_metrics, settings);
}

} // namespace

bool TCodeMemo::Print(QPrinter& printer) {
    m_model.highlightAll(); // paper gets the colours of every line, not just the visible ones
    PagePrinter pages(m_model, m_renderer, PrinterFont(m_metrics.fonts[0]), printer);
    const bool printed = pages.print();
    viewport()->update();
    return printed;
}

bool TCodeMemo::Print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromStdString(m_model.title()));
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (Print(printer))
        return true;
    if (showMessage)
        showMessage(MessageKind::Error, QStringLiteral("The document could not be printed"));
    return false;
}

} // namespace velloran
