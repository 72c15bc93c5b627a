// The editor control: a thin scroll area over the editing model that paints it, feeds
// it keys, mouse, input methods, clipboard and drag and drop, and keeps the visible
// lines highlighted without holding up the window.
#pragma once

#include "editor/codememostrings.h"
#include "editor/editmodel.h"
#include "editor/ui/coderenderer.h"
#include "platform/prompter.h"

#include <QAbstractScrollArea>
#include <QCursor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

class QMimeData;
class QPrinter;

namespace velloran {

struct KeyStroke;
class TFindDialog;
class TReplaceDialog;

class TCodeMemo : public QAbstractScrollArea {
    Q_OBJECT

public:
    // Slot 6 stays empty for plain text; slot 7 came later.
    static constexpr int kParserSlots = 7;
    static constexpr int kPlainTextSlot = 6;

    explicit TCodeMemo(QWidget* parent = nullptr);
    ~TCodeMemo() override;

    [[nodiscard]] EditModel& model() noexcept { return m_model; }
    [[nodiscard]] const EditModel& model() const noexcept { return m_model; }
    // The line list (`Lines`), sharing the control's undo log.
    [[nodiscard]] TCodeMemoStrings& lines() noexcept { return m_lines; }

    // ---- Parsers: slots 1-6 (Parser1..Parser6) and the active one ----
    // Slots and the active index outside 1-6 raise TCodeMemoException.
    void setParser(int slot, const TCodeMemoParser* parser);
    [[nodiscard]] const TCodeMemoParser* parser(int slot) const;
    [[nodiscard]] int activeParser() const noexcept { return m_activeParser; }
    void setActiveParser(int slot);
    // Hands the active slot's parser to the model again and takes its font.
    void parserChanged();
    // Takes the style sheet's font after its name or size changed.
    void updateFont();

    // ---- Properties ----
    [[nodiscard]] bool isReadOnly() const noexcept { return m_model.readOnly(); }
    void setReadOnly(bool on);
    [[nodiscard]] bool wordWrap() const noexcept { return m_model.wordWrap(); }
    void setWordWrap(bool on);
    [[nodiscard]] bool isModified() const noexcept { return m_model.modified(); }
    void setModified(bool modified);
    [[nodiscard]] Position selStart() const noexcept { return m_model.selStart(); }
    void setSelStart(Position pos);
    [[nodiscard]] Position selLength() const { return m_model.selLength(); }
    void setSelLength(Position length);
    [[nodiscard]] std::string selText() const { return m_model.selText(); }
    void setSelText(std::string_view text) { m_model.setSelText(text); }
    // Selects a range and shows the change (the model's setSel alone does not notify).
    void select(Position anchor, Position caret);
    [[nodiscard]] bool hideSelection() const noexcept { return m_hideSelection; }
    void setHideSelection(bool on);
    [[nodiscard]] bool wantTab() const noexcept { return m_wantTab; }
    void setWantTab(bool on) noexcept { m_wantTab = on; }
    [[nodiscard]] int margin() const noexcept { return m_margin; }
    void setMargin(int pixels);
    [[nodiscard]] const QCursor& hyperCursor() const noexcept { return m_hyperCursor; }
    void setHyperCursor(const QCursor& cursor) { m_hyperCursor = cursor; }
    void loadFromFile(const std::string& fileName) { m_model.loadFromFile(fileName); }
    void saveToFile(const std::string& fileName) { m_model.saveToFile(fileName); }
    [[nodiscard]] bool canPaste() const;

    // ---- View ----
    [[nodiscard]] std::int64_t topLine() const noexcept;
    void setTopLine(std::int64_t line);
    [[nodiscard]] int visibleLines() const noexcept { return m_pageLines; }
    [[nodiscard]] int visibleColumns() const noexcept { return m_visibleColumns; }
    void ensureCaretVisible();
    [[nodiscard]] const CellMetrics& cellMetrics() const noexcept { return m_metrics; }
    [[nodiscard]] const CodeRenderer& renderer() const noexcept { return m_renderer; }
    // The caret position nearest to a point of the viewport.
    [[nodiscard]] Position positionAt(const QPoint& viewportPoint) const;
    // The cell of a position in viewport coordinates (empty when not shown).
    [[nodiscard]] QRect cellRect(Position pos) const;

    // ---- Printing (codememoprint.cpp) ----
    // The whole text in the screen's colours and font size, laid out for the printer;
    // false when the printer cannot be started. The screen is left as it was.
    bool Print(QPrinter& printer);
    // Asks for a printer first; false when cancelled or printing failed (then said so).
    bool Print();

    // ---- Find, replace and questions (finddialog.cpp) ----
    void ShowFindDialog();
    void ShowReplaceDialog();
    // Null until first shown.
    [[nodiscard]] TFindDialog* findDialog() const noexcept;
    [[nodiscard]] TReplaceDialog* replaceDialog() const noexcept;
    // Edits the active parser's look through `onModifyProperties` and takes the parser
    // again when that accepts; without a parser it says "No active parser". False
    // when nothing changed.
    bool ModifyParserProperties();
    // Set by whoever owns the parsers (the control only reads them).
    std::function<bool(const TCodeMemoParser& parser)> onModifyProperties;
    // Every question and message of the control goes through these, so tests can answer
    // them; they default to message boxes.
    std::function<ReplaceAnswer(const QString& question)> askReplace;
    std::function<void(MessageKind kind, const QString& text)> showMessage;

signals:
    void OnChange(unsigned flags);
    void OnBookmarkSet(int index);
    void OnGutterClick(int line);
    void OnHyperlinkClick(QString hyperData, int hyperType);
    void OnHyperlinkHover();
    void OnFilesDropped(QStringList files, QPoint at);
    void OnDrawMark(QPainter* painter, QRect rect, int mark);
    // The Enter key is released after its press typed a line break here; `shift` is the
    // Shift state of that press. An Enter pressed elsewhere (a menu, a dialog) and
    // released here raises nothing.
    void OnLineBreakKeyUp(bool shift);

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    [[nodiscard]] QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Model hooks and the change path.
    void connectModel();
    void installFindDialog();
    void showSearchDialog(unsigned options, bool replace);
    void modelChanged(unsigned flags);
    void copyToClipboard(std::string_view crlfText, std::string_view rtf);
    [[nodiscard]] QString plainText(std::string_view crlfText) const;

    // Layout, scrolling and highlighting.
    void applyFont(const QFont& font);
    void updatePageSize();
    void updateScrollBars();
    void updateLongestLine();
    [[nodiscard]] std::int64_t widestVisibleLine() const;
    void paintPreedit(QPainter& painter) const;
    [[nodiscard]] std::int64_t lastVisibleLine() const noexcept;
    [[nodiscard]] bool visibleLinesHighlighted(std::int64_t last) const noexcept;
    void highlightVisible();
    void highlightSlice();
    [[nodiscard]] RenderSettings renderSettings() const;
    [[nodiscard]] int gutterPixels() const noexcept;
    [[nodiscard]] int textLeft() const noexcept { return gutterPixels() + m_margin; }

    // Keys and the caret.
    [[nodiscard]] bool isShortcutForUs(const QKeyEvent& event) const;
    [[nodiscard]] bool typeKey(const QKeyEvent& event, const KeyStroke& stroke);
    void restartBlink();
    void blink();

    // Mouse, hotspots and drag and drop.
    [[nodiscard]] std::int64_t lineAtY(int y) const noexcept;
    [[nodiscard]] Position hotspotAt(const QPoint& viewportPoint) const;
    // The hotspot text around `pos`: its start and end.
    [[nodiscard]] std::pair<Position, Position> hotspotRange(Position pos) const;
    void clickHotspot(Position pos);
    void updateHoverCursor(const QPoint& viewportPoint);
    void extendSelectionTo(const QPoint& viewportPoint);
    void autoScroll();
    void startDrag();
    [[nodiscard]] bool acceptsDrop(const QMimeData* mime) const;
    void dropText(const QString& text, Position at, bool fromHere);

    EditModel m_model;
    TCodeMemoStrings m_lines{m_model};
    std::array<const TCodeMemoParser*, kParserSlots> m_parsers{};
    int m_activeParser = 1;

    CellMetrics m_metrics;
    CodeRenderer m_renderer;
    int m_pageLines = 1;
    int m_visibleColumns = 1;
    Position m_longestLine = 0;
    QTimer m_longestRecount;
    QTimer m_highlightTimer;
    bool m_changing = false; // inside the model's change notification

    bool m_hideSelection = true;
    bool m_wantTab = true;
    int m_margin = 2;
    QCursor m_hyperCursor{Qt::PointingHandCursor};

    QTimer m_blinkTimer;
    bool m_caretShown = true;
    bool m_strokePending = false; // the first stroke of a two-stroke shortcut was typed
    // Set while the Enter key that typed a line break is held: the Shift state of its press.
    std::optional<bool> m_lineBreakShift;
    int m_wheelRemainder = 0;

    bool m_selecting = false;
    bool m_dragPending = false;
    QPoint m_pressPoint;
    QPoint m_lastMousePoint;
    QString m_preedit; // what an input method is composing
    static constexpr std::pair<Position, Position> kNoHotspot{-1, -1};
    std::pair<Position, Position> m_hoveredHotspot = kNoHotspot;
    QTimer m_autoScrollTimer;
    Position m_dragFrom = -1; // the selection being dragged, while a drag runs
    Position m_dragTo = -1;
    bool m_droppedHere = false;
    Position m_dropPosition = -1;

    // Last, so they go while the rest of the control still stands.
    std::unique_ptr<TFindDialog> m_findDialog;
    std::unique_ptr<TReplaceDialog> m_replaceDialog;
};

} // namespace velloran
