// The editor control: parsers and fonts, the change path, painting, scrolling,
// background highlighting, keys and input methods.
#include "editor/ui/codememo.h"

#include "editor/codememoerror.h"
#include "editor/codememoparser.h"
#include "editor/ui/finddialog.h"
#include "editor/ui/keymap.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <limits>
#include <optional>

namespace velloran {

namespace {

using Clock = Highlighter::Clock;
using namespace std::chrono_literals;

// A slice of background highlighting; short enough that typing never waits on it.
constexpr auto kSlice = 3ms;
// Within this many lines of the run the visible lines are simply highlighted at once.
constexpr std::int64_t kNearLines = 5000;
// A change spanning more lines than this recounts the longest line outright.
constexpr std::int64_t kScanLines = 10000;
constexpr int kBlinkMs = 500;
constexpr int kWheelLines = 3;

int ClampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, std::numeric_limits<int>::max()));
}

} // namespace

TCodeMemo::TCodeMemo(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(1);
    m_blinkTimer.setInterval(kBlinkMs);
    connect(&m_blinkTimer, &QTimer::timeout, this, &TCodeMemo::blink);
    m_highlightTimer.setInterval(0);
    connect(&m_highlightTimer, &QTimer::timeout, this, &TCodeMemo::highlightSlice);
    m_longestRecount.setSingleShot(true);
    m_longestRecount.setInterval(1000);
    connect(&m_longestRecount, &QTimer::timeout, this, [this] {
        m_longestLine = std::max(m_model.store().longestLineLength(), widestVisibleLine());
        updateScrollBars();
    });
    m_autoScrollTimer.setInterval(50);
    connect(&m_autoScrollTimer, &QTimer::timeout, this, &TCodeMemo::autoScroll);
    m_renderer.drawMark = [this](QPainter* painter, QRect rect, int mark) {
        emit OnDrawMark(painter, rect, mark);
    };
    connectModel();
    installFindDialog();
    applyFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

TCodeMemo::~TCodeMemo() {
    m_model.onChange = nullptr;
}

void TCodeMemo::connectModel() {
    m_model.onChange = [this](unsigned flags) { modelChanged(flags); };
    m_model.onBookmarkSet = [this](int index) {
        viewport()->update(); // the gutter changed without a change notification
        emit OnBookmarkSet(index);
    };
    m_model.copyToClipboard = [this](std::string_view text, std::string_view rtf) {
        copyToClipboard(text, rtf);
    };
    m_model.pasteFromClipboard = [this]() -> std::optional<std::string> {
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        if (!mime || !mime->hasText())
            return std::nullopt;
        return QStringToDocument(mime->text(), m_model.encoding());
    };
    m_model.dateText = [] {
        return QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat).toStdString();
    };
}

// ---- Parsers and fonts ----

namespace {

void CheckSlot(int slot) {
    if (slot < 1 || slot > TCodeMemo::kParserSlots)
        throw TCodeMemoException("Parser index out of range");
}

} // namespace

void TCodeMemo::setParser(int slot, const TCodeMemoParser* parser) {
    CheckSlot(slot);
    m_parsers[static_cast<std::size_t>(slot - 1)] = parser;
    if (slot == m_activeParser)
        parserChanged();
}

const TCodeMemoParser* TCodeMemo::parser(int slot) const {
    CheckSlot(slot);
    return m_parsers[static_cast<std::size_t>(slot - 1)];
}

void TCodeMemo::setActiveParser(int slot) {
    CheckSlot(slot);
    m_activeParser = slot;
    parserChanged();
}

void TCodeMemo::parserChanged() {
    m_model.setParser(m_parsers[static_cast<std::size_t>(m_activeParser - 1)]);
    updateFont();
}

void TCodeMemo::updateFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (m_model.parser()) {
        const StyleSheet& sheet = m_model.styleSheet();
        const QString family = QString::fromStdString(sheet.fontName);
        if (QFontDatabase::hasFamily(family))
            font = QFont(family);
        font.setPointSize(std::max(1, sheet.fontSize));
    }
    applyFont(font);
}

void TCodeMemo::applyFont(const QFont& font) {
    m_metrics = CellMetrics::forFont(font);
    updatePageSize();
    updateLongestLine();
    updateScrollBars();
    highlightVisible();
    viewport()->update();
}

// ---- Properties ----

void TCodeMemo::setReadOnly(bool on) {
    m_model.setReadOnly(on);
    viewport()->update();
}

void TCodeMemo::setWordWrap(bool on) {
    m_model.setWordWrap(on);
}

void TCodeMemo::setModified(bool modified) {
    m_model.setModified(modified);
}

void TCodeMemo::select(Position anchor, Position caret) {
    // The painting lock delivers the change on release.
    m_model.lockPainting();
    m_model.setSel(anchor, caret);
    m_model.unlockPainting();
}

void TCodeMemo::setSelStart(Position pos) {
    select(pos, pos);
}

void TCodeMemo::setSelLength(Position length) {
    m_model.lockPainting();
    m_model.setSelLength(length);
    m_model.unlockPainting();
}

void TCodeMemo::setHideSelection(bool on) {
    m_hideSelection = on;
    viewport()->update();
}

void TCodeMemo::setMargin(int pixels) {
    m_margin = std::max(0, pixels);
    updatePageSize();
    viewport()->update();
}

bool TCodeMemo::canPaste() const {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return !m_model.readOnly() && mime && mime->hasText();
}

// ---- The change path ----

void TCodeMemo::modelChanged(unsigned flags) {
    // Scrolling to the caret below highlights once, at the end, not per scroll bar.
    m_changing = true;
    if (flags & kChangeText) {
        updateLongestLine();
        updatePageSize();
        updateScrollBars();
    }
    if (flags & kChangeCaret) {
        ensureCaretVisible();
        restartBlink();
    }
    m_changing = false;
    highlightVisible();
    viewport()->update();
    if (flags & kChangeCaret)
        updateMicroFocus();
    emit OnChange(flags);
}

void TCodeMemo::copyToClipboard(std::string_view crlfText, std::string_view rtf) {
    auto* mime = new QMimeData;
    mime->setText(plainText(crlfText));
    const QByteArray rich(rtf.data(), static_cast<qsizetype>(rtf.size()));
    mime->setData(QStringLiteral("text/rtf"), rich);
    mime->setData(QStringLiteral("application/rtf"), rich);
    QGuiApplication::clipboard()->setMimeData(mime);
}

QString TCodeMemo::plainText(std::string_view crlfText) const {
    QString text = DocumentToQString(crlfText, m_model.encoding());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// ---- Layout and scrolling ----

int TCodeMemo::gutterPixels() const noexcept {
    return m_model.hasOption(cmoShowGutter) ? std::max(0, m_model.gutterWidth()) : 0;
}

void TCodeMemo::updatePageSize() {
    const QSize size = viewport()->size();
    m_pageLines = std::max(1, size.height() / m_metrics.lineHeight);
    m_visibleColumns = std::max(1, (size.width() - textLeft()) / m_metrics.cellWidth);
    m_model.setPageLines(m_pageLines);
    m_model.setVisibleColumns(m_visibleColumns);
}

void TCodeMemo::updateScrollBars() {
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, ClampToInt(m_model.lineCount() - m_pageLines));
    vertical->setPageStep(m_pageLines);
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, ClampToInt(m_longestLine + 1 - m_visibleColumns));
    horizontal->setPageStep(m_visibleColumns);
}

// The widest line sets the horizontal range. Counting every line is O(lines), so a
// change looks only at the lines it touched; shrinking waits for a quiet moment.
void TCodeMemo::updateLongestLine() {
    const TextStore& store = m_model.store();
    const std::int64_t lines = store.lineCount();
    const std::int64_t first = store.firstChangedLine();
    const std::int64_t last = std::max(
        {store.lastChangedLine(), store.lineOf(m_model.caret()), store.lineOf(m_model.anchor())});
    if (first < 0 || last - first > kScanLines) {
        m_longestLine = store.longestLineLength();
        return;
    }
    for (std::int64_t line = first; line <= std::min(last, lines - 1); ++line)
        m_longestLine = std::max(m_longestLine, m_model.lineCells(line));
    m_longestRecount.start();
}

std::int64_t TCodeMemo::topLine() const noexcept {
    return verticalScrollBar()->value();
}

void TCodeMemo::setTopLine(std::int64_t line) {
    verticalScrollBar()->setValue(ClampToInt(line));
}

void TCodeMemo::scrollContentsBy(int, int) {
    if (!m_changing)
        highlightVisible();
    viewport()->update();
    updateMicroFocus();
}

void TCodeMemo::ensureCaretVisible() {
    const TextStore& store = m_model.store();
    const std::int64_t line = store.lineOf(m_model.caret());
    QScrollBar* vertical = verticalScrollBar();
    if (line < vertical->value())
        vertical->setValue(ClampToInt(line));
    else if (line >= vertical->value() + m_pageLines)
        vertical->setValue(ClampToInt(line - m_pageLines + 1));
    const std::int64_t cell = CellOfPosition(m_model, m_model.caret());
    QScrollBar* horizontal = horizontalScrollBar();
    if (cell < horizontal->value()) {
        horizontal->setValue(ClampToInt(cell));
    } else if (cell >= horizontal->value() + m_visibleColumns) {
        // Tabs and wide characters can reach past the range counted in bytes.
        const int wanted = ClampToInt(cell - m_visibleColumns + 1);
        horizontal->setMaximum(std::max(horizontal->maximum(), wanted));
        horizontal->setValue(wanted);
    }
}

void TCodeMemo::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updatePageSize();
    updateScrollBars();
    highlightVisible();
}

// ---- Highlighting ----

std::int64_t TCodeMemo::lastVisibleLine() const noexcept {
    return std::min(topLine() + m_pageLines, m_model.lineCount() - 1);
}

bool TCodeMemo::visibleLinesHighlighted(std::int64_t last) const noexcept {
    return !m_model.highlightPending() ||
           (m_model.firstLineToHighlight() < 0 && m_model.highlightReachedLine() > last);
}

void TCodeMemo::highlightVisible() {
    if (!m_model.highlightPending())
        return;
    const std::int64_t last = lastVisibleLine();
    // One short step starts the run and shows how far behind the visible lines it is.
    m_model.highlight(-1, Clock::now());
    if (!visibleLinesHighlighted(last)) {
        if (last - m_model.highlightReachedLine() <= kNearLines) {
            m_model.highlight(last, Clock::now());
        } else {
            // Too far for the run to catch up now: colours are guessed, and the run
            // corrects them when it gets there.
            m_model.guessHighlight(topLine(), last);
        }
    }
    if (m_model.highlightPending())
        m_highlightTimer.start();
}

void TCodeMemo::highlightSlice() {
    const std::int64_t last = lastVisibleLine();
    const bool behind = !visibleLinesHighlighted(last);
    m_model.highlight(behind ? -1 : last, Clock::now() + kSlice);
    // Lines on screen change only while the run was still catching up with them.
    if (behind && m_model.highlightReachedLine() >= topLine())
        viewport()->update();
    if (!m_model.highlightPending()) {
        m_highlightTimer.stop();
        if (behind)
            viewport()->update();
    }
}

// ---- Painting ----

RenderSettings TCodeMemo::renderSettings() const {
    RenderSettings settings;
    settings.page = viewport()->rect();
    settings.firstLine = topLine();
    settings.firstColumn = horizontalScrollBar()->value();
    settings.gutterWidth = gutterPixels();
    settings.margin = m_margin;
    settings.showSelection = hasFocus() || !m_hideSelection;
    settings.showCaret = hasFocus() && m_caretShown;
    settings.blockCaret = m_model.overwrite() && m_model.hasOption(cmoBlockOverwriteCursor);
    settings.dropPosition = m_dropPosition;
    settings.rightMargin = m_model.hasOption(cmoShowRMargin) ? m_model.rightMargin() : -1;
    settings.wrapColumn =
        m_model.wordWrap() && m_model.hasOption(cmoShowWrapColumn) ? m_model.wrapWidth() : -1;
    if (const TCodeMemoParser* parser = m_model.parser()) {
        settings.selectedText = parser->tables().header.selectedText;
        settings.selectedBack = parser->tables().header.selectedBack;
    }
    return settings;
}

void TCodeMemo::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    RenderSettings settings = renderSettings();
    settings.clip = event->rect();
    m_renderer.paint(painter, m_model, m_metrics, settings);
    if (!m_preedit.isEmpty())
        paintPreedit(painter);
    if (const std::int64_t widest = widestVisibleLine(); widest > m_longestLine) {
        m_longestLine = widest;
        QTimer::singleShot(0, this, &TCodeMemo::updateScrollBars);
    }
}

// Text an input method is still composing is shown underlined over the caret's cells
// until it is committed.
void TCodeMemo::paintPreedit(QPainter& painter) const {
    const QRect cell = cellRect(m_model.caret());
    if (cell.isEmpty())
        return;
    int cells = 0;
    for (const char32_t ch : m_preedit.toUcs4())
        cells += CharCells(ch);
    const QRect box(cell.left(), cell.top(), cells * m_metrics.cellWidth, cell.height());
    const TextStyle& plain = m_model.styleSheet().styleForToken(0);
    painter.fillRect(box, ToQColor(plain.back));
    QFont font = m_metrics.fonts[0];
    font.setUnderline(true);
    painter.setFont(font);
    painter.setPen(ToQColor(plain.color));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_preedit);
}

// The byte count of the whole page misjudges lines with tabs or multi-byte characters;
// the lines on screen are measured in cells.
std::int64_t TCodeMemo::widestVisibleLine() const {
    std::int64_t widest = 0;
    for (std::int64_t line = topLine(); line <= lastVisibleLine(); ++line)
        widest = std::max(widest, m_model.lineCells(line));
    return widest;
}

QRect TCodeMemo::cellRect(Position pos) const {
    return CodeRenderer::cellRect(m_model, m_metrics, renderSettings(), pos);
}

// ---- Keys ----

bool TCodeMemo::event(QEvent* event) {
    // Window shortcuts must not take keys the editor binds (Ctrl+C, Ctrl+K, ...).
    if (event->type() == QEvent::ShortcutOverride &&
        isShortcutForUs(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

bool TCodeMemo::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave)
        m_hoveredHotspot = kNoHotspot; // coming back onto the link is a new hover
    return QAbstractScrollArea::viewportEvent(event);
}

bool TCodeMemo::isShortcutForUs(const QKeyEvent& event) const {
    const KeyStroke stroke = KeyStrokeFor(event.key(), event.modifiers());
    if (m_strokePending || StartsBinding(m_model.keyTable(), stroke))
        return true;
    const QString text = event.text();
    return !stroke.ctrl && !stroke.alt && !text.isEmpty() && text.at(0).unicode() >= 32;
}

bool TCodeMemo::focusNextPrevChild(bool next) {
    // With WantTab the Tab key reaches keyPressEvent instead of moving the focus.
    return m_wantTab ? false : QAbstractScrollArea::focusNextPrevChild(next);
}

void TCodeMemo::keyPressEvent(QKeyEvent* event) {
    if (IsModifierKey(event->key())) {
        event->ignore();
        return;
    }
    const KeyStroke stroke = KeyStrokeFor(event->key(), event->modifiers());
    if (stroke.vk == kVkReturn)
        m_lineBreakShift.reset(); // only a press that types its line break counts
    const bool wasPending = m_strokePending;
    const bool shortcut = m_model.keyDown(stroke.vk, stroke.shift, stroke.ctrl, stroke.alt);
    m_strokePending =
        shortcut && !wasPending && StartsTwoStrokeBinding(m_model.keyTable(), stroke.shortcut());
    if (!shortcut && !typeKey(*event, stroke)) {
        event->ignore(); // Alt+letter goes on to the menus, Escape to dialogs
        return;
    }
    event->accept();
    ensureCaretVisible();
    restartBlink();
}

bool TCodeMemo::typeKey(const QKeyEvent& event, const KeyStroke& stroke) {
    if (stroke.ctrl || stroke.alt)
        return false;
    if (stroke.vk == kVkReturn) {
        if (m_model.typeCharacter(U'\r'))
            m_lineBreakShift = stroke.shift;
        return true;
    }
    if (stroke.vk == kVkTab && m_wantTab) {
        m_model.typeCharacter(U'\t');
        return true;
    }
    if (stroke.vk == kVkTab)
        return false;
    const QString text = event.text();
    if (text.isEmpty() || text.at(0).unicode() < 32 || text.at(0).unicode() == 127)
        return false;
    m_model.typeText(text.toUtf8().toStdString());
    return true;
}

void TCodeMemo::keyReleaseEvent(QKeyEvent* event) {
    // Auto-repeat sends a release before each repeated press; only the last one ends
    // the key stroke, as the key-up of a held key comes once.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat() && m_lineBreakShift) {
        const bool shift = *m_lineBreakShift;
        m_lineBreakShift.reset();
        emit OnLineBreakKeyUp(shift);
    }
    QAbstractScrollArea::keyReleaseEvent(event);
}

void TCodeMemo::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) {
        m_model.typeText(event->commitString().toUtf8().toStdString());
        ensureCaretVisible();
        restartBlink();
    }
    if (event->preeditString() != m_preedit) {
        m_preedit = event->preeditString();
        viewport()->update();
    }
    event->accept();
}

QVariant TCodeMemo::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return !m_model.readOnly();
    case Qt::ImCursorRectangle: {
        const QRect cell = cellRect(m_model.caret());
        return QRect(viewport()->mapTo(this, cell.topLeft()), QSize(2, cell.height()));
    }
    case Qt::ImFont:
        return m_metrics.fonts[0];
    case Qt::ImHints:
        return static_cast<int>(Qt::ImhMultiLine | Qt::ImhNoPredictiveText);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// ---- Caret ----

void TCodeMemo::restartBlink() {
    m_caretShown = true;
    if (hasFocus())
        m_blinkTimer.start();
}

void TCodeMemo::blink() {
    m_caretShown = !m_caretShown;
    const QRect cell = cellRect(m_model.caret());
    if (!cell.isEmpty())
        viewport()->update(cell.adjusted(-2, 0, cell.width() * 2, 0));
}

void TCodeMemo::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
}

void TCodeMemo::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    m_blinkTimer.stop();
    m_strokePending = false;
    m_lineBreakShift.reset(); // its release goes elsewhere
    viewport()->update();
}

void TCodeMemo::wheelEvent(QWheelEvent* event) {
    m_wheelRemainder += event->angleDelta().y();
    const int steps = m_wheelRemainder / 120;
    m_wheelRemainder -= steps * 120;
    if (steps != 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - steps * kWheelLines);
    if (event->angleDelta().x() != 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() -
                                        event->angleDelta().x() / 120 * kWheelLines);
    event->accept();
}

} // namespace velloran
