// The editing model's commands: caret moves, deleting, typing rules, block indent,
// clipboard requests, bookmarks and marks.
#include "editor/editmodel.h"

#include "editor/codememoerror.h"

#include <algorithm>

namespace velloran {

namespace {

bool isBlank(char32_t c) {
    return c == ' ' || c == '\t';
}

std::size_t leadingSpaces(std::string_view text) {
    const std::size_t at = text.find_first_not_of(' ');
    return at == std::string_view::npos ? text.size() : at;
}

} // namespace

// ---- Keys and commands ----

void EditModel::setKeyTable(const KeyTable& table) {
    m_keyTable = table;
    m_keys.setTable(table);
}

bool EditModel::keyDown(std::uint16_t vk, bool shift, bool ctrl, bool alt) {
    const KeyResult result = m_keys.keyDown(vk, shift, ctrl, alt);
    if (result.kind == KeyResult::Command)
        executeCommand(result.command, result.extend);
    return result.kind != KeyResult::NotHandled;
}

void EditModel::executeCommand(int command, bool extend) {
    if (command >= caLEFT && command < kMovementCommandCount) {
        runMovement(command, extend);
    } else if (command == caCOPY) {
        copy();
    } else if (command == caINSTOGGLE) {
        m_overwrite = !m_overwrite;
        markChanged(kChangeCaret);
    } else if (command >= caSETBOOKMARK0 && command < caSETBOOKMARK0 + 10) {
        setBookmark(command - caSETBOOKMARK0, -1, 0);
    } else if (command >= caGOTOBOOKMARK0 && command < caGOTOBOOKMARK0 + 10) {
        gotoBookmark(command - caGOTOBOOKMARK0);
    } else if (!m_readOnly) {
        runEdit(command);
    }
    notifyChange();
}

void EditModel::moveCaret(Position pos, bool extend) {
    m_caret = pos;
    if (!extend)
        m_anchor = pos;
    markChanged(kChangeCaret | kChangeSelection);
}

void EditModel::runMovement(int command, bool extend) {
    const std::int64_t line = m_store.lineOf(m_caret);
    const bool collapse = !extend && hasSelection();
    std::int64_t lines = 0;
    Position target = m_caret;
    switch (command) {
    case caLEFT:
        target = collapse ? selectionStart() : prevCharPos(m_caret);
        break;
    case caRIGHT:
        target = collapse ? selectionEnd() : nextCharPos(m_caret);
        break;
    case caLINEHOME:
        target = m_store.lineStart(line);
        break;
    case caLINEEND:
        target = lineCaretEnd(line);
        break;
    case caUP:
    case caDOWN:
        lines = command == caUP ? -1 : 1;
        break;
    case caPAGEUP:
    case caPAGEDOWN:
        lines = command == caPAGEUP ? -m_pageLines : m_pageLines;
        break;
    case caWORDLEFT:
        target = wordLeft(m_caret);
        break;
    case caWORDRIGHT:
        target = wordRight(m_caret);
        break;
    case caDOCSTART:
        target = 0;
        break;
    case caDOCEND:
        target = length();
        break;
    }
    if (lines != 0) {
        // Vertical moves aim for the column the caret had before the first of them.
        if (m_desiredColumn < 0)
            m_desiredColumn = displayColumnOf(m_caret);
        const std::int64_t to = std::clamp<std::int64_t>(line + lines, 0, lineCount() - 1);
        moveCaret(positionAtDisplayColumn(to, m_desiredColumn), extend);
        return;
    }
    m_desiredColumn = -1;
    moveCaret(target, extend);
}

void EditModel::runEdit(int command) {
    switch (command) {
    case caCUT:
        cut();
        break;
    case caPASTE:
        paste();
        break;
    case caDELETE:
    case caBACKSPACE:
        deleteOne(command == caDELETE);
        break;
    case caBLOCKIND:
        blockIndent();
        break;
    case caBLOCKUND:
        blockUnindent();
        break;
    case caDELETELINE:
        deleteLine();
        break;
    case caUNDO:
        undo();
        break;
    case caREDO:
        redo();
        break;
    }
}

void EditModel::deleteOne(bool forward) {
    if (!hasSelection()) {
        if (forward ? m_caret >= length() : m_caret <= 0)
            return;
        const Position caret = m_caret;
        setSel(caret, forward ? nextCharPos(caret) : prevCharPos(caret));
    }
    replaceSelection({}, true, kLogReplace);
}

void EditModel::deleteLine() {
    if (hasSelection())
        return;
    const std::int64_t line = m_store.lineOf(m_caret);
    const Position start = m_store.lineStart(line);
    setSel(start, start + m_store.lineLength(line));
    replaceSelection({}, true, kLogReplace);
}

// ---- Clipboard ----

void EditModel::copy() {
    if (hasSelection() && copyToClipboard)
        copyToClipboard(selText(), exportSelection(SaveFormat::Rtf));
}

void EditModel::cut() {
    if (m_readOnly || !hasSelection())
        return;
    copy();
    replaceSelection({}, true, kLogReplace);
    notifyChange();
}

void EditModel::paste() {
    if (m_readOnly || !pasteFromClipboard)
        return;
    if (const std::optional<std::string> text = pasteFromClipboard())
        insertStream(*text);
}

// ---- Words ----

void EditModel::setWordTests(CharTest isInWord, CharTest startsWord) noexcept {
    m_isInWord = isInWord;
    m_startsWord = startsWord;
    m_search.setWordTests(isInWord, startsWord);
}

bool EditModel::isWordAt(Position pos) const {
    const char32_t c = charAtPos(pos);
    return c != kLineEnd && (m_isInWord ? m_isInWord(c) : DefaultIsWordChar(c));
}

Position EditModel::wordRight(Position pos) const {
    if (pos >= length())
        return length();
    if (charAtPos(pos) == kLineEnd)
        return pos + 1;
    if (isWordAt(pos)) {
        while (pos < length() && isWordAt(pos))
            pos = nextCharPos(pos);
    } else if (!isBlank(charAtPos(pos))) {
        pos = nextCharPos(pos);
    }
    while (pos < length() && isBlank(charAtPos(pos)))
        pos = nextCharPos(pos);
    return pos;
}

Position EditModel::wordLeft(Position pos) const {
    if (pos <= 0)
        return 0;
    Position prev = prevCharPos(pos);
    if (charAtPos(prev) == kLineEnd)
        return prev;
    while (pos > 0 && isBlank(charAtPos(prev = prevCharPos(pos))))
        pos = prev;
    if (pos > 0 && isWordAt(prevCharPos(pos))) {
        while (pos > 0 && isWordAt(prev = prevCharPos(pos)))
            pos = prev;
    } else if (pos > 0 && charAtPos(prevCharPos(pos)) != kLineEnd) {
        pos = prevCharPos(pos);
    }
    return pos;
}

void EditModel::selectWordAt(Position pos) {
    pos = std::clamp<Position>(pos, 0, length());
    if (!isWordAt(pos)) {
        setSel(pos, pos);
        notifyChange();
        return;
    }
    Position start = pos;
    Position end = pos;
    for (Position prev; start > 0 && isWordAt(prev = prevCharPos(start));)
        start = prev;
    while (end < length() && isWordAt(end))
        end = nextCharPos(end);
    setSel(start, end);
    notifyChange();
}

// ---- Typing ----

bool EditModel::typeCharacter(char32_t c) {
    if (m_readOnly)
        return false;
    if (c == '\t') {
        typeTab();
    } else if (c == '\r' || c == '\n') {
        typeLineBreak();
    } else {
        if (c < 32 || c == 127)
            return false;
        const std::string bytes = EncodeChar(m_encoding, c);
        if (bytes.empty())
            return false;
        // Overwrite replaces the next character, but never joins lines.
        if (m_overwrite && !hasSelection() && m_caret < length() &&
            charAtPos(m_caret) != kLineEnd) {
            const Position caret = m_caret;
            setSel(caret, nextCharPos(caret));
        }
        replaceSelection(bytes, true, kLogReplace);
    }
    markChanged(kChangeCaret);
    notifyChange();
    return true;
}

void EditModel::typeText(std::string_view utf8) {
    for (std::size_t pos = 0, length = 0; pos < utf8.size(); pos += length)
        typeCharacter(DecodeCharAt(Encoding::Utf8, utf8, pos, &length));
}

void EditModel::typeTab() {
    if (!hasOption(cmoTabToColumn) || wordWrap())
        return;
    const std::int64_t column = columnOf(selectionStart());
    for (std::int64_t line = m_store.lineOf(selectionStart()) - 1; line >= 0; --line) {
        const std::string text = m_store.lineText(line);
        std::size_t pos = 0;
        std::int64_t at = 0;
        for (; at < column && pos < text.size(); ++at)
            pos += CharLengthAt(m_encoding, text, pos);
        if (pos >= text.size())
            continue;
        for (; pos < text.size() && text[pos] != ' '; ++at)
            pos += CharLengthAt(m_encoding, text, pos);
        for (; pos < text.size() && text[pos] == ' '; ++at)
            ++pos;
        // Only a word start counts: a line that ends here defers to the one above.
        if (pos >= text.size())
            continue;
        replaceSelection(std::string(static_cast<std::size_t>(at - column), ' '), true,
                         kLogReplace);
        return;
    }
}

void EditModel::typeLineBreak() {
    std::string inserted(1, kLineEnd);
    if (hasOption(cmoAutoIndent) && !wordWrap()) {
        const Position at = selectionStart();
        const std::int64_t line = m_store.lineOf(at);
        const Position start = m_store.lineStart(line);
        const std::string head = m_store.text(start, at - start);
        // At the end of the leading spaces: keep them. Otherwise follow the nearest
        // line above the new one that is not blank, the head of this one first.
        std::size_t indent = leadingSpaces(m_store.lineText(line));
        if (head.size() != indent) {
            indent = leadingSpaces(head);
            if (indent == head.size()) {
                indent = 0;
                for (std::int64_t above = line - 1; above >= 0; --above) {
                    const std::string text = m_store.lineText(above);
                    if (leadingSpaces(text) < text.size()) {
                        indent = leadingSpaces(text);
                        break;
                    }
                }
            }
        }
        inserted.append(indent, ' ');
    }
    replaceSelection(inserted, true, kLogReplace);
}

// ---- Block indent ----

void EditModel::blockIndent() {
    changeBlockIndent(kLogIndent);
}

void EditModel::blockUnindent() {
    changeBlockIndent(kLogUnindent);
}

std::int64_t EditModel::logicalLineStart(std::int64_t line) const {
    while (line > 0 && (m_store.attributes(line).flags & kWrapContinuation))
        --line;
    return line;
}

void EditModel::changeBlockIndent(int code) {
    const Position selStart = selectionStart();
    const Position selEnd = selectionEnd();
    std::int64_t first = logicalLineStart(m_store.lineOf(selStart));
    std::int64_t last = m_store.lineOf(selEnd);
    // A selection that ends at the start of a line leaves that line alone.
    if (selEnd > selStart && last > first && selEnd == m_store.lineStart(last))
        --last;
    while (last + 1 < lineCount() && (m_store.attributes(last + 1).flags & kWrapContinuation))
        ++last;
    const Position blockStart = m_store.lineStart(first);
    const Position blockEnd = m_store.lineStart(last) + m_store.lineTextLength(last);

    // Edit each line start on its own, so lines keep their bookmarks and marks.
    std::vector<std::pair<Position, Position>> changes; // (line start, delta), in order
    for (std::int64_t line = first; line <= last; ++line) {
        if (m_store.attributes(line).flags & kWrapContinuation)
            continue;
        const Position start = m_store.lineStart(line);
        const std::string text = m_store.lineText(line);
        const Position delta = code == kLogIndent
                                   ? m_indentStep
                                   : -static_cast<Position>(std::min<std::size_t>(
                                         leadingSpaces(text), std::size_t(m_indentStep)));
        if (delta != 0)
            changes.emplace_back(start, delta);
    }
    if (changes.empty())
        return;
    const auto mapPosition = [&](Position pos) {
        Position moved = pos;
        for (const auto& [start, delta] : changes) {
            if (pos < start || (pos == start && code == kLogIndent))
                break;
            moved += std::max(delta, start - pos);
        }
        return moved;
    };

    const Position newAnchor = mapPosition(m_anchor);
    const Position newCaret = mapPosition(m_caret);
    beginTransaction(code, {});
    m_open->start = blockStart;
    m_open->oldText = m_store.text(blockStart, blockEnd - blockStart);
    m_open->lineEnds.clear();
    m_store.appendLineEnds(blockStart, blockEnd - blockStart, m_open->lineEnds);
    logOperation(kLogSuspend, 0);
    Position total = 0;
    for (auto it = changes.rbegin(); it != changes.rend(); ++it) {
        if (it->second > 0)
            replaceRange(it->first, it->first, std::string(std::size_t(it->second), ' '));
        else
            replaceRange(it->first, it->first - it->second, {});
        total += it->second;
    }
    logOperation(kLogResume, 0);
    m_anchor = newAnchor;
    m_caret = newCaret;
    m_open->newText = m_store.text(blockStart, blockEnd + total - blockStart);
    endTransaction(code);
    markChanged(kChangeCaret | kChangeSelection);
    notifyChange();
}

// ---- Bookmarks, marks and line data ----

bool EditModel::findBookmarkLine(int index, std::int64_t& line) const {
    if (m_bookmarkColumns[static_cast<std::size_t>(index)] == 0)
        return false;
    const auto bit = static_cast<std::uint16_t>(1u << index);
    for (std::int64_t i = 0, count = lineCount(); i < count; ++i) {
        if (m_store.attributes(i).flags & bit) {
            line = i;
            return true;
        }
    }
    return false;
}

void EditModel::setBookmark(int index, std::int64_t line, std::int64_t column) {
    if (index < 0 || index > 9)
        throw TCodeMemoException("Bookmark index range error");
    if (line == -1) {
        line = m_store.lineOf(m_caret);
        column = columnOf(m_caret) + 1;
    } else {
        line = std::clamp<std::int64_t>(line, 1, lineCount()) - 1;
        column = std::max<std::int64_t>(column, 1);
    }
    line = logicalLineStart(line);
    const auto bit = static_cast<std::uint16_t>(1u << index);
    std::int64_t current = -1;
    const bool wasSet = findBookmarkLine(index, current);
    if (wasSet)
        m_store.attributes(current).flags &= static_cast<std::uint16_t>(~bit);
    if (wasSet && current == line) {
        m_bookmarkColumns[static_cast<std::size_t>(index)] = 0;
    } else {
        LineAttributes& target = m_store.attributes(line);
        for (int other = 0; other < 10; ++other)
            if (target.flags & (1u << other))
                m_bookmarkColumns[static_cast<std::size_t>(other)] = 0;
        target.flags = static_cast<std::uint16_t>((target.flags & ~kBookmarkBits) | bit);
        m_bookmarkColumns[static_cast<std::size_t>(index)] =
            static_cast<std::uint16_t>(std::min<std::int64_t>(column, 0xFFFF));
    }
    m_store.attributes(line).gutterDirty = true;
    if (onBookmarkSet)
        onBookmarkSet(index);
}

bool EditModel::getBookmark(int index, std::int64_t& line, std::int64_t& column) const {
    if (index < 0 || index > 9)
        throw TCodeMemoException("Bookmark index range error");
    std::int64_t found = 0;
    if (!findBookmarkLine(index, found))
        return false;
    line = found + 1;
    column = std::min<std::int64_t>(m_bookmarkColumns[static_cast<std::size_t>(index)],
                                    m_store.lineTextLength(found) + 1);
    return true;
}

void EditModel::gotoBookmark(int index) {
    std::int64_t line = 0;
    std::int64_t column = 0;
    if (!getBookmark(index, line, column))
        return;
    m_desiredColumn = -1;
    moveCaret(positionAtColumn(line - 1, column - 1), false);
}

std::int64_t EditModel::checkedLine(std::int64_t oneBased) const {
    return oneBased >= 1 && oneBased <= lineCount() ? oneBased - 1 : -1;
}

void EditModel::setMark(int mark, std::int64_t line) {
    const std::int64_t at = checkedLine(line);
    if (mark < 1 || mark > 16 || at < 0)
        return;
    LineAttributes& attributes = m_store.attributes(at);
    attributes.marks = static_cast<std::uint16_t>(attributes.marks | (1u << (mark - 1)));
    attributes.gutterDirty = true;
    if (onMarkChange)
        onMarkChange(mark);
}

void EditModel::clearMark(int mark, std::int64_t line) {
    const std::int64_t at = checkedLine(line);
    if (mark < 1 || mark > 16 || at < 0)
        return;
    LineAttributes& attributes = m_store.attributes(at);
    attributes.marks = static_cast<std::uint16_t>(attributes.marks & ~(1u << (mark - 1)));
    attributes.gutterDirty = true;
    if (onMarkChange)
        onMarkChange(mark);
}

bool EditModel::hasMark(int mark, std::int64_t line) const {
    const std::int64_t at = checkedLine(line);
    return mark >= 1 && mark <= 16 && at >= 0 &&
           (m_store.attributes(at).marks & (1u << (mark - 1))) != 0;
}

void EditModel::setLineData(std::int64_t line, std::int32_t value) {
    if (const std::int64_t at = checkedLine(line); at >= 0) {
        m_store.attributes(at).lineData = value;
        m_store.attributes(at).textDirty = true;
    }
}

void EditModel::setLineData2(std::int64_t line, std::int32_t value) {
    if (const std::int64_t at = checkedLine(line); at >= 0) {
        m_store.attributes(at).lineData2 = value;
        m_store.attributes(at).textDirty = true;
    }
}

} // namespace velloran
