// The editing model of the editor control: text store, undo log, caret and selection,
// commands, typing rules, word wrap, bookmarks and marks, search and the writers. The
// widget paints this state and feeds it keys; everything here runs without a window.
#pragma once

#include "editor/commands.h"
#include "editor/exporter.h"
#include "editor/highlighter.h"
#include "editor/searchengine.h"
#include "editor/stylesheet.h"
#include "editor/textstore.h"
#include "editor/undostack.h"
#include "platform/encoding.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velloran {

// Option mask bits; the same values are stored in parser images and settings strings.
enum CodeMemoOption : std::uint32_t {
    cmoSyntaxHighlight = 0x10,
    cmoPrintWrap = 0x20,
    cmoPrintLineNos = 0x40,
    cmoPrintFilename = 0x80,
    cmoPrintDate = 0x100,
    cmoPrintPageNos = 0x200,
    cmoWordWrap = 0x400,
    cmoAutoIndent = 0x800,
    cmoTabToColumn = 0x1000,
    cmoWrapOverride = 0x2000,
    cmoWordSelect = 0x4000,
    cmoShowRMargin = 0x8000,
    cmoShowGutter = 0x10000,
    cmoShowWrapColumn = 0x20000,
    cmoTitleAsFilename = 0x40000,
    cmoProcessDroppedFiles = 0x80000,
    cmoBlockOverwriteCursor = 0x100000,
};
constexpr std::uint32_t kDefaultOptions = 0x17DBF0;

// Operation codes and phases of the transaction log.
enum LogCode : int {
    kLogReplace = 1,
    kLogIndent = 2,
    kLogUnindent = 3,
    kLogStream = 4,
    kLogResume = 6,
    kLogSuspend = 7,
    kLogClear = 8,
};
enum LogPhase : int { kLogBegin = 1, kLogEnd = 2 };

// Change flags handed to the change notification.
enum ChangeFlags : unsigned {
    kChangeCaret = 1, // the caret moved or a character was typed
    kChangeText = 2,
    kChangeSelection = 4,
};

enum class ReplaceAnswer { Yes, No, Cancel, All };

struct CaretPos {
    std::int64_t column = 1; // characters, 1-based
    std::int64_t row = 1;    // display line, 1-based
};

class EditModel {
public:
    EditModel();
    ~EditModel();
    EditModel(EditModel&&) noexcept;
    EditModel& operator=(EditModel&&) noexcept;

    // ---- Text, loading and saving ----
    [[nodiscard]] const TextStore& store() const noexcept { return m_store; }
    [[nodiscard]] Position length() const noexcept { return m_store.length(); }
    [[nodiscard]] Encoding encoding() const noexcept { return m_encoding; }
    void setEncoding(Encoding encoding) noexcept { m_encoding = encoding; }
    // "\r\n", "\n", "\r" or "\n\r": the document's line-end style, which the lines the
    // user adds get. Every other line keeps the end it was read with.
    [[nodiscard]] std::string_view lineEndStyle() const noexcept {
        return LineEndText(m_store.newLineEnd());
    }
    // TCodeMemoException for any other text.
    void setLineEndStyle(std::string_view style);

    // Takes a file's bytes: detects encoding and line ends, keeps every other byte.
    void loadFromBytes(std::string bytes);
    // "File '%s' cannot be opened for reading" when it does not exist; FileError with
    // the reason when it cannot be read, is no regular file, or would not fit in the
    // free memory ("File is too large to open: ..."), checked before it is read.
    void loadFromFile(const std::string& fileName);
    // The memory a document of `bytes` bytes in `lines` lines takes, the file's own
    // bytes included, at its peak (while it is saved or exported).
    [[nodiscard]] static std::uint64_t memoryNeeded(std::uint64_t bytes,
                                                    std::uint64_t lines) noexcept;
    // The whole text in `saveFormat()`; clears the log, as a save ends the modified state.
    [[nodiscard]] std::string saveToString();
    // Written atomically (see WriteFileAtomically); a failed save keeps the document
    // modified.
    void saveToFile(const std::string& fileName);
    [[nodiscard]] SaveFormat saveFormat() const noexcept { return m_saveFormat; }
    void setSaveFormat(SaveFormat format) noexcept { m_saveFormat = format; }
    // The selection in a format, without touching the log.
    [[nodiscard]] std::string exportSelection(SaveFormat format);
    [[nodiscard]] const std::string& title() const noexcept { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }
    // The date text written into exported pages; the widget sets the local time.
    std::function<std::string()> dateText;

    // ---- Edit-message protocol ----
    [[nodiscard]] std::int64_t lineCount() const noexcept { return m_store.lineCount(); }
    // Start of display line `line` (-1: the caret's line); -1 past the end.
    [[nodiscard]] Position lineIndex(std::int64_t line) const noexcept;
    // Length without CR of the line holding `pos`.
    [[nodiscard]] Position lineLengthAt(Position pos) const noexcept;
    [[nodiscard]] std::string getLine(std::int64_t line) const;
    void setSel(Position anchor, Position caret);
    // Replaces the selection; line breaks in `text` become CR. Works when read-only.
    void replaceSel(std::string_view text, bool log = true);
    // Inserts at the caret as one stream insertion (paste).
    void insertStream(std::string_view text);
    [[nodiscard]] bool canUndo() const noexcept { return m_undo.count() > 0; }
    [[nodiscard]] bool canRedo() const noexcept { return m_undo.count() < m_undo.total(); }
    void undo();
    void redo();
    void emptyUndoBuffer() noexcept { m_undo.clear(); }
    // Whole text in CR LF form, and replacing it (one undoable change).
    [[nodiscard]] std::string getText() const;
    [[nodiscard]] Position getTextLen() const;
    void setText(std::string_view text);
    [[nodiscard]] bool modified() const noexcept { return canUndo(); }
    void setModified(bool modified) noexcept;
    // The one entry point of the transaction log (codes and phases above).
    void logOperation(int code, int phase);
    [[nodiscard]] const TUndoStack& undoStack() const noexcept { return m_undo; }

    // ---- Caret and selection ----
    [[nodiscard]] Position anchor() const noexcept { return m_anchor; }
    [[nodiscard]] Position caret() const noexcept { return m_caret; }
    [[nodiscard]] Position selectionStart() const noexcept { return std::min(m_anchor, m_caret); }
    [[nodiscard]] Position selectionEnd() const noexcept { return std::max(m_anchor, m_caret); }
    [[nodiscard]] bool hasSelection() const noexcept { return m_anchor != m_caret; }
    // A start of -1 selects the whole text.
    void setSelectionPair(Position anchor, Position caret);
    [[nodiscard]] Position selStart() const noexcept { return selectionStart(); }
    void setSelStart(Position pos) { setSel(pos, pos); }
    // Line ends inside the selection count as two (CR LF).
    [[nodiscard]] Position selLength() const;
    void setSelLength(Position length);
    [[nodiscard]] std::string selText() const;
    void setSelText(std::string_view text) { replaceSel(text); }
    void selectAll() { setSel(0, length()); }
    [[nodiscard]] CaretPos getCaretPos() const;
    // Selects the word at `pos` (double-click).
    void selectWordAt(Position pos);

    // ---- Commands and typing ----
    void executeCommand(int command, bool extend);
    // Runs the shortcut the key completes; false when the key is not a shortcut.
    bool keyDown(std::uint16_t vk, bool shift, bool ctrl, bool alt);
    // One typed character (code point); false when nothing was inserted.
    bool typeCharacter(char32_t c);
    // Composed text from an input method, UTF-8.
    void typeText(std::string_view utf8);
    void blockIndent();
    void blockUnindent();
    [[nodiscard]] const KeyTable& keyTable() const noexcept { return m_keyTable; }
    void setKeyTable(const KeyTable& table);
    [[nodiscard]] bool overwrite() const noexcept { return m_overwrite; }
    void setOverwrite(bool on) noexcept { m_overwrite = on; }
    // Clipboard side of cut, copy and paste: the widget moves text in and out.
    std::function<void(std::string_view crlfText, std::string_view rtf)> copyToClipboard;
    std::function<std::optional<std::string>()> pasteFromClipboard;
    void copy();
    void cut();
    void paste();

    // ---- Options ----
    [[nodiscard]] std::uint32_t options() const noexcept { return m_options; }
    void setOptions(std::uint32_t options);
    [[nodiscard]] bool hasOption(std::uint32_t option) const noexcept {
        return (m_options & option) != 0;
    }
    [[nodiscard]] bool readOnly() const noexcept { return m_readOnly; }
    void setReadOnly(bool on) noexcept { m_readOnly = on; }
    [[nodiscard]] bool wordWrap() const noexcept { return hasOption(cmoWordWrap); }
    void setWordWrap(bool on);
    [[nodiscard]] int wrapAtColumn() const noexcept { return m_wrapAtColumn; }
    void setWrapAtColumn(int column);
    [[nodiscard]] const std::string& wrapOverride() const noexcept { return m_wrapOverride; }
    void setWrapOverride(std::string characters);
    // Columns and lines the window shows; they set the default wrap width and the page.
    void setVisibleColumns(int columns);
    void setPageLines(int lines) noexcept { m_pageLines = std::max(1, lines); }
    [[nodiscard]] int wrapWidth() const noexcept;
    [[nodiscard]] int indentStep() const noexcept { return m_indentStep; }
    void setIndentStep(int step) noexcept { m_indentStep = std::clamp(step, 0, 255); }
    [[nodiscard]] int tabWidth() const noexcept { return m_tabWidth; }
    void setTabWidth(int width) noexcept { m_tabWidth = std::max(1, width); }
    void setWordTests(CharTest isInWord, CharTest startsWord) noexcept;

    // ---- Bookmarks, marks and line data (1-based display lines) ----
    void setBookmark(int index, std::int64_t line, std::int64_t column);
    [[nodiscard]] bool getBookmark(int index, std::int64_t& line, std::int64_t& column) const;
    void gotoBookmark(int index);
    void setMark(int mark, std::int64_t line);
    void clearMark(int mark, std::int64_t line);
    [[nodiscard]] bool hasMark(int mark, std::int64_t line) const;
    void setLineData(std::int64_t line, std::int32_t value);
    void setLineData2(std::int64_t line, std::int32_t value);
    std::function<void(int index)> onBookmarkSet;
    std::function<void(int mark)> onMarkChange;

    // ---- Search ----
    // Runs a search from the selection with kSearchNow set; without it asks the
    // widget for the find dialog. A match is selected; `position` gets it or -1.
    bool findText(std::string_view text, Position& position, unsigned options);
    std::function<void(unsigned options)> showFindDialog;
    // Replaces matches from the selection on, asking `ask` for each until All.
    int replaceAll(std::string_view find, std::string_view replacement, unsigned options,
                   const std::function<ReplaceAnswer(const std::string& question)>& ask);
    [[nodiscard]] const SearchEngine& searchEngine() const noexcept { return m_search; }

    // ---- Highlighting ----
    // Takes over a parser's styles, options, wrap settings, font and keys and marks
    // everything for re-highlighting; null returns to plain text in default colours.
    // The parser must outlive its use here.
    void setParser(const TCodeMemoParser* parser);
    [[nodiscard]] const TCodeMemoParser* parser() const noexcept { return m_parser; }
    // Highlights until `untilLine` is correct and `deadline` has passed; true when
    // nothing is left to do.
    bool highlight(std::int64_t untilLine, Highlighter::Clock::time_point deadline);
    bool highlightAll();
    // Provisional colours for lines the run has not reached (see Highlighter::guess).
    void guessHighlight(std::int64_t first, std::int64_t last);
    [[nodiscard]] bool highlightPending() const noexcept;
    // The line a pending run has reached; the lines before it are correct.
    [[nodiscard]] std::int64_t highlightReachedLine() const noexcept {
        return m_highlighter.reachedLine();
    }
    [[nodiscard]] int gutterWidth() const noexcept { return m_gutterWidth; }
    void setGutterWidth(int width) noexcept { m_gutterWidth = width; }
    [[nodiscard]] int rightMargin() const noexcept { return m_rightMargin; }
    void setRightMargin(int column) noexcept { m_rightMargin = column; }

    // ---- Styles and change notification ----
    [[nodiscard]] StyleSheet& styleSheet() noexcept { return m_styles; }
    [[nodiscard]] const StyleSheet& styleSheet() const noexcept { return m_styles; }
    // Fires after a change once no painting lock is held and nothing is loading.
    std::function<void(unsigned flags)> onChange;
    [[nodiscard]] unsigned changeFlags() const noexcept { return m_changeFlags; }
    void lockPainting() noexcept { ++m_paintLock; }
    void unlockPainting();
    [[nodiscard]] bool paintingLocked() const noexcept { return m_paintLock > 0; }

    // Lines needing re-highlighting start here (-1 none).
    [[nodiscard]] std::int64_t firstLineToHighlight() const noexcept {
        return m_store.firstChangedLine();
    }
    void setFirstLineToHighlight(std::int64_t line) noexcept { m_store.setFirstChangedLine(line); }

    // ---- Helpers the widget shares ----
    [[nodiscard]] Position nextCharPos(Position pos) const;
    [[nodiscard]] Position prevCharPos(Position pos) const;
    [[nodiscard]] std::int64_t columnOf(Position pos) const; // characters from line start
    [[nodiscard]] Position positionAtColumn(std::int64_t line, std::int64_t column) const;
    [[nodiscard]] std::int64_t displayColumnOf(Position pos) const; // screen cells
    // Screen cells of a display line's text; lines longer than `limit` bytes count one
    // cell a byte, so that the widest line of a huge page costs no decoding.
    [[nodiscard]] std::int64_t lineCells(std::int64_t line, Position limit = 64 * 1024) const;
    [[nodiscard]] Position positionAtDisplayColumn(std::int64_t line, std::int64_t column) const;

private:
    // Store edits that keep caret, wrap and change flags in step.
    void replaceRange(Position from, Position to, std::string_view text, LineEndList ends);
    void replaceRange(Position from, Position to, std::string_view text) {
        replaceRange(from, to, text, LineEndList{.uniform = m_store.newLineEnd()});
    }
    void replaceSelection(std::string_view normalized, bool log, int code);
    void beginTransaction(int code, std::string_view newText);
    void endTransaction(int code);
    void failTransaction();
    void replay(const std::string& from, const std::string& to, LineEndList toEnds, Position start);
    void afterReplay();
    void changeBlockIndent(int code);
    void markChanged(unsigned flags) noexcept { m_changeFlags |= flags; }
    void notifyChange();
    void moveCaret(Position pos, bool extend);
    void runMovement(int command, bool extend);
    void runEdit(int command);
    void deleteOne(bool forward);
    void deleteLine();
    void typeTab();
    void typeLineBreak();
    [[nodiscard]] Position wordLeft(Position pos) const;
    [[nodiscard]] Position wordRight(Position pos) const;
    [[nodiscard]] char32_t charAtPos(Position pos) const;
    [[nodiscard]] bool isWordAt(Position pos) const;
    [[nodiscard]] std::int64_t logicalLineStart(std::int64_t line) const;
    [[nodiscard]] std::int64_t checkedLine(std::int64_t oneBased) const;
    void rewrapAll();
    void rewrapRange(Position from, Position to);
    std::int64_t rewrapLogicalLine(std::int64_t line);
    void joinLogicalLine(std::int64_t line);
    void cutLogicalLine(std::int64_t line);
    [[nodiscard]] SearchMatch findFrom(Position from);
    [[nodiscard]] Position stepPast(Position pos) const;
    [[nodiscard]] Position snapToChar(Position pos) const;
    [[nodiscard]] Position lineCaretEnd(std::int64_t line) const;
    [[nodiscard]] std::int64_t crCount(Position from, Position to) const;
    [[nodiscard]] bool findBookmarkLine(int index, std::int64_t& line) const;
    [[nodiscard]] std::string exportRange(SaveFormat format, Position from, Position to);

    TextStore m_store;
    TUndoStack m_undo;
    Encoding m_encoding = Encoding::Utf8;
    SaveFormat m_saveFormat = SaveFormat::Text;
    std::string m_title;
    Position m_anchor = 0;
    Position m_caret = 0;
    std::int64_t m_desiredColumn = -1;

    // The transaction being recorded until its end puts it on the log.
    std::unique_ptr<UndoTransaction> m_open;
    bool m_logSuspended = false;
    bool m_replaying = false;
    bool m_loading = false;

    std::uint32_t m_options = kDefaultOptions;
    bool m_readOnly = false;
    bool m_overwrite = false;
    int m_wrapAtColumn = 0;
    std::string m_wrapOverride;
    int m_visibleColumns = 80;
    int m_pageLines = 20;
    int m_indentStep = 1;
    int m_tabWidth = 8;

    KeyTable m_keyTable;
    KeyMatcher m_keys;
    std::array<std::uint16_t, 10> m_bookmarkColumns{};
    SearchEngine m_search;
    CharTest m_isInWord = nullptr;
    CharTest m_startsWord = nullptr;
    StyleSheet m_styles;
    const TCodeMemoParser* m_parser = nullptr;
    Highlighter m_highlighter;
    int m_gutterWidth = 34;
    int m_rightMargin = 80;

    unsigned m_changeFlags = 0;
    int m_paintLock = 0;
};

} // namespace velloran
