// The editing model: loading and saving, the edit-message protocol, selection rules
// and the transaction log with undo and redo.
#include "editor/editmodel.h"

#include "editor/cells.h"
#include "editor/codememoerror.h"
#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/memorybudget.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <sys/stat.h>

namespace velloran {

namespace {

// Clears a flag again however the scope is left.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
};

// The store's text with each line end written as CR LF, as the protocol hands it out.
std::string withCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        out += c;
        if (c == kLineEnd)
            out += '\n';
    }
    return out;
}

// Per byte of the file: the text in its gap buffer; the token numbers, up to a byte a
// character until the highlighter packs them; and while the document is saved or
// exported, a copy of its tokens and the bytes written. Per line: its start and
// attributes.
constexpr std::uint64_t kMemoryPerByte = 4;
constexpr std::uint64_t kMemoryPerLine = sizeof(Position) + sizeof(LineAttributes);
constexpr std::string_view kMemoryLimitWhy = "the free memory allows at most";

// What a document may take: an eighth of the free memory stays for the rest of the
// program and the machine.
std::uint64_t documentBudget() {
    const std::uint64_t available = AvailableMemory();
    return available - available / 8;
}

// LF, CR LF and a lone CR each end a line.
std::uint64_t lineEndCount(std::string_view bytes) {
    const char* const end = bytes.data() + bytes.size();
    auto count = static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    for (const char* p = bytes.data();
         (p = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)))) !=
         nullptr;) {
        ++p;
        if (p == end || *p != '\n')
            ++count;
    }
    return count;
}

std::string outOfMemoryText(const std::string& fileName) {
    struct stat info {};
    const std::string size =
        ::stat(fileName.c_str(), &info) == 0
            ? " has " + ByteSizeText(static_cast<std::uint64_t>(info.st_size)) + ";"
            : "";
    return "File is too large to open: \"" + fileName + "\"" + size +
           " there is not enough memory for it.";
}

} // namespace

std::uint64_t EditModel::memoryNeeded(std::uint64_t bytes, std::uint64_t lines) noexcept {
    return bytes * kMemoryPerByte + (lines + 1) * kMemoryPerLine;
}

EditModel::EditModel() : m_keyTable(DefaultKeyTable()), m_keys(m_keyTable) {
}

EditModel::~EditModel() = default;
EditModel::EditModel(EditModel&&) noexcept = default;
EditModel& EditModel::operator=(EditModel&&) noexcept = default;

// ---- Loading and saving ----

void EditModel::loadFromBytes(std::string bytes) {
    {
        const FlagScope loading(m_loading);
        m_encoding = DetectEncoding(bytes);
        std::vector<LineEnd> ends;
        NormalizeLineBreaks(bytes, &ends);
        m_undo.clear();
        m_open.reset();
        m_store.setNewLineEnd(PrevailingLineEnd(ends));
        m_store.load(std::move(bytes), ends);
        m_anchor = m_caret = 0;
        m_desiredColumn = -1;
        m_bookmarkColumns.fill(0);
        if (wordWrap())
            rewrapAll();
        m_store.setFirstChangedLine(0);
        markChanged(kChangeText | kChangeCaret | kChangeSelection);
    }
    notifyChange();
}

void EditModel::loadFromFile(const std::string& fileName) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0 && errno == ENOENT)
        throw FileError("File '" + fileName + "' cannot be opened for reading");
    // Before reading, the file's size alone must fit; once read, its lines too. The
    // old text is still there for both checks, so a refusal changes nothing.
    std::string bytes;
    try {
        bytes = ReadWholeFile(fileName, {documentBudget() / kMemoryPerByte, kMemoryLimitWhy});
    } catch (const std::bad_alloc&) {
        throw FileError(outOfMemoryText(fileName));
    }
    // Counting the lines costs a pass over the text: only done when a line at every
    // byte would not fit.
    const std::uint64_t budget = documentBudget() + bytes.size(); // the read is counted
    std::uint64_t need = memoryNeeded(bytes.size(), bytes.size());
    if (need > budget)
        need = memoryNeeded(bytes.size(), lineEndCount(bytes));
    if (need > budget) {
        const std::uint64_t size = bytes.size();
        bytes = std::string();
        const auto allowed = static_cast<std::uint64_t>(static_cast<long double>(budget) *
                                                        static_cast<long double>(size) /
                                                        static_cast<long double>(need));
        throw FileError(FileTooLargeText(fileName, size, {allowed, kMemoryLimitWhy}));
    }
    try {
        loadFromBytes(std::move(bytes));
    } catch (const std::bad_alloc&) {
        // The store may hold part of the new text: an empty document is consistent.
        bytes = std::string();
        loadFromBytes(std::string());
        throw FileError(outOfMemoryText(fileName));
    }
    if (hasOption(cmoTitleAsFilename))
        m_title = fileName;
}

void EditModel::setLineEndStyle(std::string_view style) {
    const std::optional<LineEnd> end = LineEndNamed(style);
    if (!end)
        throw TCodeMemoException("Unknown line end style.");
    m_store.setNewLineEnd(*end);
}

std::string EditModel::saveToString() {
    m_undo.clear();
    return exportRange(m_saveFormat, 0, length());
}

void EditModel::saveToFile(const std::string& fileName) {
    std::string bytes;
    try {
        bytes = exportRange(m_saveFormat, 0, length());
    } catch (const std::bad_alloc&) {
        throw FileError("Cannot write \"" + fileName + "\": there is not enough memory.");
    }
    WriteFileAtomically(fileName, bytes);
    m_undo.clear();
    if (hasOption(cmoTitleAsFilename))
        m_title = fileName;
    markChanged(kChangeText);
    notifyChange();
}

std::string EditModel::exportSelection(SaveFormat format) {
    return exportRange(format, selectionStart(), selectionEnd());
}

std::string EditModel::exportRange(SaveFormat format, Position from, Position to) {
    const std::string date = dateText ? dateText() : std::string();
    if (m_parser)
        highlightAll();
    // Plain text writes each line end as it was read; the other formats have their own.
    std::vector<LineEnd> ends;
    if (format == SaveFormat::Text && !m_store.lineEndsAre(m_store.newLineEnd(), from, to - from))
        m_store.appendLineEnds(from, to - from, ends);
    const std::span<const std::uint8_t> tokens = m_store.tokenView(from, to - from);
    const ExportSource source{.text = m_store.view(from, to - from),
                              .tokens = tokens,
                              .sheet = m_styles,
                              .encoding = m_encoding,
                              .title = m_title,
                              .date = date,
                              .lineEnd = lineEndStyle(),
                              .lineEnds = ends};
    std::string out;
    out.reserve(static_cast<std::size_t>(to - from) + 1024);
    WriteFormat(format, source, out);
    return out;
}

// ---- Highlighting ----

void EditModel::setParser(const TCodeMemoParser* parser) {
    m_parser = parser;
    m_highlighter.cancel();
    if (!parser) {
        m_styles = StyleSheet{};
        m_store.enableTokens(false);
        markChanged(kChangeText);
        notifyChange();
        return;
    }
    const ParserTables& tables = parser->tables();
    m_styles = parser->styleSheet();
    m_indentStep = std::clamp(tables.header.indentStep, 0, 255);
    m_gutterWidth = tables.header.gutter;
    m_rightMargin = tables.header.rightMargin;
    m_wrapAtColumn = std::clamp(tables.header.wrapColumn, 0, 0xFFFF);
    m_wrapOverride = tables.header.wrapOverride;
    setKeyTable(tables.keys);
    m_store.enableTokens(true);
    m_options = tables.header.options;
    rewrapAll();
    notifyChange();
}

bool EditModel::highlight(std::int64_t untilLine, Highlighter::Clock::time_point deadline) {
    if (!m_parser) {
        m_store.setFirstChangedLine(-1);
        return true;
    }
    return m_highlighter.run(m_store, *m_parser, untilLine, deadline);
}

bool EditModel::highlightAll() {
    return highlight(std::numeric_limits<std::int64_t>::max(),
                     Highlighter::Clock::time_point::max());
}

void EditModel::guessHighlight(std::int64_t first, std::int64_t last) {
    if (m_parser)
        m_highlighter.guess(m_store, *m_parser, first, last);
}

bool EditModel::highlightPending() const noexcept {
    return m_parser && m_highlighter.pending(m_store);
}

// ---- Edit-message protocol ----

Position EditModel::lineIndex(std::int64_t line) const noexcept {
    if (line == -1)
        line = m_store.lineOf(m_caret);
    if (line < 0 || line >= lineCount())
        return -1;
    return m_store.lineStart(line);
}

Position EditModel::lineLengthAt(Position pos) const noexcept {
    return m_store.lineTextLength(m_store.lineOf(std::clamp<Position>(pos, 0, length())));
}

std::string EditModel::getLine(std::int64_t line) const {
    if (line < 0 || line >= lineCount())
        return {};
    return m_store.lineText(line);
}

void EditModel::setSel(Position anchor, Position caret) {
    m_anchor = snapToChar(std::clamp<Position>(anchor, 0, length()));
    m_caret = snapToChar(std::clamp<Position>(caret, 0, length()));
    m_desiredColumn = -1;
    markChanged(kChangeCaret | kChangeSelection);
}

void EditModel::setSelectionPair(Position anchor, Position caret) {
    if (anchor == -1)
        selectAll();
    else
        setSel(anchor, caret);
}

void EditModel::replaceSel(std::string_view text, bool log) {
    std::string normalized(text);
    NormalizeLineBreaks(normalized);
    replaceSelection(normalized, log, kLogReplace);
    notifyChange();
}

void EditModel::insertStream(std::string_view text) {
    std::string normalized(text);
    NormalizeLineBreaks(normalized);
    replaceSelection(normalized, true, kLogStream);
    notifyChange();
}

void EditModel::replaceSelection(std::string_view normalized, bool log, int code) {
    const bool logging = log && !m_replaying && !m_logSuspended && !m_open;
    if (logging)
        beginTransaction(code, normalized);
    const Position from = selectionStart();
    replaceRange(from, selectionEnd(), normalized);
    m_anchor = m_caret = from + static_cast<Position>(normalized.size());
    m_desiredColumn = -1;
    if (logging)
        endTransaction(code);
    markChanged(kChangeCaret | kChangeSelection);
}

void EditModel::replaceRange(Position from, Position to, std::string_view text, LineEndList ends) {
    m_store.erase(from, to - from);
    m_store.insert(from, text, ends);
    if (wordWrap())
        rewrapRange(from, from + static_cast<Position>(text.size()));
    markChanged(kChangeText);
}

std::string EditModel::getText() const {
    return withCrLf(m_store.text(0, length()));
}

Position EditModel::getTextLen() const {
    return length() + crCount(0, length());
}

void EditModel::setText(std::string_view text) {
    selectAll();
    replaceSel(text);
    setSel(0, 0);
    notifyChange();
}

void EditModel::setModified(bool modified) noexcept {
    if (!modified)
        m_undo.clear();
}

// ---- Selection ----

Position EditModel::selLength() const {
    return selectionEnd() - selectionStart() + crCount(selectionStart(), selectionEnd());
}

void EditModel::setSelLength(Position length) {
    const Position start = selectionStart();
    setSel(start, start + length);
    notifyChange();
}

std::string EditModel::selText() const {
    return withCrLf(m_store.text(selectionStart(), selectionEnd() - selectionStart()));
}

CaretPos EditModel::getCaretPos() const {
    return {columnOf(m_caret) + 1, m_store.lineOf(m_caret) + 1};
}

std::int64_t EditModel::crCount(Position from, Position to) const {
    std::int64_t count = 0;
    for (std::int64_t line = m_store.lineOf(from), last = m_store.lineOf(to); line <= last;
         ++line) {
        const Position end = m_store.lineStart(line) + m_store.lineLength(line);
        if (m_store.endsWithLineEnd(line) && end - 1 >= from && end - 1 < to)
            ++count;
    }
    return count;
}

// ---- Transaction log ----

void EditModel::logOperation(int code, int phase) {
    if (m_logSuspended && code != kLogResume)
        return;
    switch (code) {
    case kLogResume:
        m_logSuspended = false;
        break;
    case kLogSuspend:
        m_logSuspended = true;
        break;
    case kLogClear:
        m_undo.clear();
        m_open.reset();
        break;
    default:
        if (phase == kLogBegin)
            beginTransaction(code, {});
        else
            endTransaction(code);
    }
}

void EditModel::beginTransaction(int code, std::string_view newText) {
    if (m_open)
        failTransaction();
    m_open = std::make_unique<UndoTransaction>();
    m_open->code = static_cast<std::uint8_t>(code);
    m_open->start = selectionStart();
    m_open->oldAnchor = m_anchor;
    m_open->oldCaret = m_caret;
    m_open->oldText = m_store.text(selectionStart(), selectionEnd() - selectionStart());
    m_open->newText = newText;
    m_store.appendLineEnds(m_open->start, static_cast<Position>(m_open->oldText.size()),
                           m_open->lineEnds);
}

void EditModel::endTransaction(int code) {
    if (!m_open || m_open->code != code)
        failTransaction();
    m_open->newAnchor = m_anchor;
    m_open->newCaret = m_caret;
    m_store.appendLineEnds(m_open->start, static_cast<Position>(m_open->newText.size()),
                           m_open->lineEnds);
    m_open->lineEnd = m_store.newLineEnd();
    m_open->compactLineEnds();
    m_undo.push(std::move(*m_open));
    m_open.reset();
}

void EditModel::failTransaction() {
    m_undo.clear();
    m_open.reset();
    throw TCodeMemoException("Bad transaction log entry");
}

void EditModel::replay(const std::string& from, const std::string& to, LineEndList toEnds,
                       Position start) {
    const FlagScope replaying(m_replaying);
    replaceRange(start, start + static_cast<Position>(from.size()), to, toEnds);
}

void EditModel::undo() {
    if (!canUndo())
        return;
    const UndoTransaction& t = m_undo.at(m_undo.count() - 1);
    replay(t.newText, t.oldText, t.oldEnds(), t.start);
    m_anchor = t.oldAnchor;
    m_caret = t.oldCaret;
    m_undo.setCursor(m_undo.count() - 1);
    afterReplay();
}

void EditModel::redo() {
    if (!canRedo())
        return;
    const UndoTransaction& t = m_undo.at(m_undo.count());
    replay(t.oldText, t.newText, t.newEnds(), t.start);
    m_anchor = t.newAnchor;
    m_caret = t.newCaret;
    m_undo.setCursor(m_undo.count() + 1);
    afterReplay();
}

void EditModel::afterReplay() {
    m_desiredColumn = -1;
    markChanged(kChangeText | kChangeCaret | kChangeSelection);
    notifyChange();
}

// ---- Change notification ----

void EditModel::unlockPainting() {
    if (m_paintLock > 0 && --m_paintLock == 0)
        notifyChange();
}

void EditModel::notifyChange() {
    if (m_paintLock > 0 || m_loading || m_changeFlags == 0)
        return;
    const unsigned flags = m_changeFlags;
    m_changeFlags = 0;
    if (onChange)
        onChange(flags);
}

// ---- Character and column helpers ----

Position EditModel::nextCharPos(Position pos) const {
    if (pos >= length())
        return length();
    const Position n = std::min<Position>(4, length() - pos);
    const std::string bytes = m_store.text(pos, n);
    return pos + static_cast<Position>(CharLengthAt(m_encoding, bytes, 0));
}

Position EditModel::prevCharPos(Position pos) const {
    if (pos <= 0)
        return 0;
    const Position n = std::min<Position>(4, pos);
    const std::string bytes = m_store.text(pos - n, n);
    return pos - n + static_cast<Position>(PrevCharStart(m_encoding, bytes, bytes.size()));
}

Position EditModel::snapToChar(Position pos) const {
    if (m_encoding != Encoding::Utf8 || pos <= 0 || pos >= length())
        return pos;
    const Position from = std::max<Position>(0, pos - 3);
    const std::string bytes = m_store.text(from, std::min<Position>(length(), pos + 4) - from);
    for (std::size_t start = static_cast<std::size_t>(pos - from); start-- > 0;) {
        if ((static_cast<unsigned char>(bytes[start]) & 0xC0) != 0x80) {
            const std::size_t length = CharLengthAt(m_encoding, bytes, start);
            return start + length > static_cast<std::size_t>(pos - from) ? from + start : pos;
        }
    }
    return pos;
}

char32_t EditModel::charAtPos(Position pos) const {
    if (pos < 0 || pos >= length())
        return 0;
    const std::string bytes = m_store.text(pos, std::min<Position>(4, length() - pos));
    return DecodeCharAt(m_encoding, bytes, 0);
}

std::int64_t EditModel::columnOf(Position pos) const {
    const Position start = m_store.lineStart(m_store.lineOf(pos));
    if (m_encoding == Encoding::Windows1252)
        return pos - start;
    return static_cast<std::int64_t>(CountChars(m_encoding, m_store.text(start, pos - start)));
}

Position EditModel::lineCaretEnd(std::int64_t line) const {
    const Position start = m_store.lineStart(line);
    if (m_store.endsWithLineEnd(line) || line + 1 >= lineCount())
        return start + m_store.lineTextLength(line);
    // A soft-wrapped piece: its last position belongs to the next piece's start.
    return std::max(start, prevCharPos(m_store.lineStart(line + 1)));
}

Position EditModel::positionAtColumn(std::int64_t line, std::int64_t column) const {
    const Position start = m_store.lineStart(line);
    const std::string text = m_store.text(start, lineCaretEnd(line) - start);
    std::size_t pos = 0;
    for (std::int64_t i = 0; i < column && pos < text.size(); ++i)
        pos += CharLengthAt(m_encoding, text, pos);
    return start + static_cast<Position>(pos);
}

std::int64_t EditModel::displayColumnOf(Position pos) const {
    const Position start = m_store.lineStart(m_store.lineOf(pos));
    const std::string text = m_store.text(start, pos - start);
    std::int64_t column = 0;
    WalkCells(text, m_encoding, m_tabWidth,
              [&](std::size_t, int, char32_t, std::int64_t cell, int cells) {
                  column = cell + cells;
                  return true;
              });
    return column;
}

std::int64_t EditModel::lineCells(std::int64_t line, Position limit) const {
    const Position length = m_store.lineTextLength(line);
    return length > limit ? length : displayColumnOf(m_store.lineStart(line) + length);
}

Position EditModel::positionAtDisplayColumn(std::int64_t line, std::int64_t column) const {
    const Position start = m_store.lineStart(line);
    const std::string text = m_store.text(start, lineCaretEnd(line) - start);
    std::size_t pos = text.size();
    // The character whose cells reach past the column is not passed.
    WalkCells(text, m_encoding, m_tabWidth,
              [&](std::size_t offset, int, char32_t, std::int64_t cell, int cells) {
                  if (cell + cells <= column)
                      return true;
                  pos = offset;
                  return false;
              });
    return start + static_cast<Position>(pos);
}

} // namespace velloran
