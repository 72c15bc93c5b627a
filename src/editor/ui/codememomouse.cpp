// The editor control's mouse side: caret placement and selection, the gutter,
// hotspots, auto-scrolling, and drag and drop of text and files.
#include "editor/ui/codememo.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace velloran {

namespace {

// A hotspot's text never runs past this, so a damaged token cannot make a click slow.
constexpr Position kMaxHotspotLength = 4096;

QStringList LocalFiles(const QMimeData* mime) {
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    return files;
}

} // namespace

// ---- Positions ----

std::int64_t TCodeMemo::lineAtY(int y) const noexcept {
    return topLine() +
           static_cast<std::int64_t>(std::floor(static_cast<double>(y) / m_metrics.lineHeight));
}

Position TCodeMemo::positionAt(const QPoint& viewportPoint) const {
    const std::int64_t line = lineAtY(viewportPoint.y());
    if (line < 0)
        return 0;
    if (line >= m_model.lineCount())
        return m_model.length();
    const double cell = horizontalScrollBar()->value() +
                        static_cast<double>(viewportPoint.x() - textLeft()) / m_metrics.cellWidth;
    const auto around = static_cast<std::int64_t>(std::max(0.0, cell));
    return LineLayout(m_model, line, around - 2, around + 1).positionNear(cell);
}

Position TCodeMemo::hotspotAt(const QPoint& viewportPoint) const {
    if (viewportPoint.x() < textLeft())
        return -1;
    const std::int64_t line = lineAtY(viewportPoint.y());
    if (line < 0 || line >= m_model.lineCount())
        return -1;
    const std::int64_t cell =
        horizontalScrollBar()->value() + (viewportPoint.x() - textLeft()) / m_metrics.cellWidth;
    const Position pos = LineLayout(m_model, line, cell, cell).positionCovering(cell);
    if (pos < 0)
        return -1;
    const StyleSheet& sheet = m_model.styleSheet();
    return sheet.styleForToken(m_model.store().tokenAt(pos)).hotspot ? pos : -1;
}

std::pair<Position, Position> TCodeMemo::hotspotRange(Position pos) const {
    const TextStore& store = m_model.store();
    const std::uint8_t token = store.tokenAt(pos);
    const auto sameToken = [&](Position at) {
        return store.tokenAt(at) == token && store.charAt(at) != kLineEnd;
    };
    Position start = pos;
    while (start > 0 && pos - start < kMaxHotspotLength && sameToken(start - 1))
        --start;
    Position end = pos;
    while (end < store.length() && end - pos < kMaxHotspotLength && sameToken(end))
        ++end;
    return {start, end};
}

void TCodeMemo::clickHotspot(Position pos) {
    const auto [start, end] = hotspotRange(pos);
    emit OnHyperlinkClick(
        DocumentToQString(m_model.store().text(start, end - start), m_model.encoding()),
        m_model.store().tokenAt(pos));
}

void TCodeMemo::updateHoverCursor(const QPoint& viewportPoint) {
    const Position hot = viewportPoint.x() < gutterPixels() ? -1 : hotspotAt(viewportPoint);
    // Raised on entering a link, not on every move across it.
    const std::pair<Position, Position> range = hot >= 0 ? hotspotRange(hot) : kNoHotspot;
    if (range != m_hoveredHotspot) {
        m_hoveredHotspot = range;
        if (hot >= 0)
            emit OnHyperlinkHover();
    }
    if (hot >= 0)
        viewport()->setCursor(m_hyperCursor);
    else
        viewport()->setCursor(viewportPoint.x() < gutterPixels() ? Qt::ArrowCursor
                                                                 : Qt::IBeamCursor);
}

// ---- Mouse ----

void TCodeMemo::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    const QPoint point = event->position().toPoint();
    m_lastMousePoint = point;
    if (point.x() < gutterPixels()) {
        const std::int64_t line = lineAtY(point.y());
        if (line >= 0 && line < m_model.lineCount())
            emit OnGutterClick(static_cast<int>(line + 1));
        return;
    }
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    if (const Position hot = shift ? -1 : hotspotAt(point); hot >= 0) {
        clickHotspot(hot);
        return;
    }
    const Position pos = positionAt(point);
    if (!shift && m_model.hasSelection() && pos >= m_model.selectionStart() &&
        pos < m_model.selectionEnd()) {
        m_dragPending = true; // a click, or the start of dragging the selection
        m_pressPoint = point;
        return;
    }
    m_selecting = true;
    select(shift ? m_model.anchor() : pos, pos);
}

void TCodeMemo::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    m_lastMousePoint = point;
    if (m_dragPending) {
        if ((point - m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
            m_dragPending = false;
            startDrag();
        }
        return;
    }
    if (m_selecting) {
        extendSelectionTo(point);
        if (viewport()->rect().contains(point))
            m_autoScrollTimer.stop();
        else if (!m_autoScrollTimer.isActive())
            m_autoScrollTimer.start();
        return;
    }
    if (event->buttons() == Qt::NoButton)
        updateHoverCursor(point);
}

void TCodeMemo::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (m_dragPending) {
        const Position pos = positionAt(event->position().toPoint());
        select(pos, pos);
    }
    m_dragPending = false;
    m_selecting = false;
    m_autoScrollTimer.stop();
}

void TCodeMemo::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (event->button() != Qt::LeftButton || point.x() < gutterPixels())
        return;
    if (!m_model.hasOption(cmoWordSelect) || hotspotAt(point) >= 0)
        return;
    const std::int64_t line = lineAtY(point.y());
    if (line < 0 || line >= m_model.lineCount())
        return;
    const std::int64_t cell =
        horizontalScrollBar()->value() + std::max(0, point.x() - textLeft()) / m_metrics.cellWidth;
    const Position covered = LineLayout(m_model, line, cell, cell).positionCovering(cell);
    m_model.selectWordAt(covered >= 0 ? covered : positionAt(point));
    m_selecting = false;
}

void TCodeMemo::extendSelectionTo(const QPoint& viewportPoint) {
    select(m_model.anchor(), positionAt(viewportPoint));
}

// While a selection is dragged outside the window, one more line (or column) comes
// into view per tick.
void TCodeMemo::autoScroll() {
    if (!m_selecting) {
        m_autoScrollTimer.stop();
        return;
    }
    const QRect area = viewport()->rect();
    QPoint point = m_lastMousePoint;
    point.setY(std::clamp(point.y(), area.top() - 1, area.bottom() + 1));
    point.setX(std::clamp(point.x(), textLeft() - m_metrics.cellWidth,
                          area.right() + m_metrics.cellWidth));
    extendSelectionTo(point);
}

// ---- Drag and drop ----

void TCodeMemo::startDrag() {
    auto* mime = new QMimeData;
    mime->setText(plainText(m_model.selText()));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    m_dragFrom = m_model.selectionStart();
    m_dragTo = m_model.selectionEnd();
    m_droppedHere = false;
    const Qt::DropActions actions =
        m_model.readOnly() ? Qt::CopyAction : Qt::CopyAction | Qt::MoveAction;
    const Qt::DropAction done = drag->exec(actions, Qt::MoveAction);
    // Moved somewhere else: the text leaves this control.
    if (done == Qt::MoveAction && !m_droppedHere && !m_model.readOnly()) {
        select(m_dragFrom, m_dragTo);
        m_model.replaceSel({});
    }
    m_dragFrom = m_dragTo = -1;
}

bool TCodeMemo::acceptsDrop(const QMimeData* mime) const {
    if (!LocalFiles(mime).isEmpty())
        return m_model.hasOption(cmoProcessDroppedFiles);
    return mime && mime->hasText() && !m_model.readOnly();
}

void TCodeMemo::dragEnterEvent(QDragEnterEvent* event) {
    if (!acceptsDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void TCodeMemo::dragMoveEvent(QDragMoveEvent* event) {
    if (!acceptsDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    const bool text = LocalFiles(event->mimeData()).isEmpty();
    m_dropPosition = text ? positionAt(event->position().toPoint()) : -1;
    if (event->source() == this && m_dragFrom >= 0)
        event->setDropAction(Qt::MoveAction);
    event->accept();
    viewport()->update();
}

void TCodeMemo::dragLeaveEvent(QDragLeaveEvent* event) {
    m_dropPosition = -1;
    viewport()->update();
    event->accept();
}

void TCodeMemo::dropEvent(QDropEvent* event) {
    m_dropPosition = -1;
    viewport()->update();
    const QMimeData* mime = event->mimeData();
    if (!acceptsDrop(mime)) {
        event->ignore();
        return;
    }
    const QPoint point = event->position().toPoint();
    if (const QStringList files = LocalFiles(mime); !files.isEmpty()) {
        event->acceptProposedAction();
        emit OnFilesDropped(files, viewport()->mapTo(this, point));
        return;
    }
    const bool fromHere = event->source() == this && m_dragFrom >= 0;
    dropText(mime->text(), positionAt(point), fromHere);
    if (fromHere)
        event->setDropAction(Qt::MoveAction);
    event->accept();
    setFocus(Qt::OtherFocusReason);
}

// Inserts dropped text and selects it; text dragged within the control moves, as two
// undoable steps (taking it out, putting it in).
void TCodeMemo::dropText(const QString& text, Position at, bool fromHere) {
    if (fromHere) {
        m_droppedHere = true;
        if (at >= m_dragFrom && at <= m_dragTo) {
            select(at, at);
            return;
        }
        select(m_dragFrom, m_dragTo);
        m_model.replaceSel({});
        if (at > m_dragTo)
            at -= m_dragTo - m_dragFrom;
    }
    select(at, at);
    m_model.insertStream(QStringToDocument(text, m_model.encoding()));
    select(at, m_model.caret());
    ensureCaretVisible();
}

} // namespace velloran
