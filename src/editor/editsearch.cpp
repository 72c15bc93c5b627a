// Searching and replacing in the editing model.
#include "editor/editmodel.h"

namespace velloran {

SearchMatch EditModel::findFrom(Position from) {
    // Searching from the start of the line keeps "^" and whole-word tests right, and
    // only moves the store's gap across part of one line.
    const Position subjectStart = m_store.lineStart(m_store.lineOf(from));
    const std::string_view subject = m_store.view(subjectStart, length() - subjectStart);
    SearchMatch match = m_search.findNext(subject, static_cast<std::size_t>(from - subjectStart));
    if (match.found())
        match.position += subjectStart;
    return match;
}

bool EditModel::findText(std::string_view text, Position& position, unsigned options) {
    position = -1;
    if (!(options & kSearchNow)) {
        if (showFindDialog)
            showFindDialog(options);
        return false;
    }
    m_search.prepare(text, options, m_encoding);
    const SearchMatch match = findFrom(selectionEnd());
    if (!match.found())
        return false;
    position = match.position;
    setSel(match.position, match.position + static_cast<Position>(match.length));
    notifyChange();
    return true;
}

// After an empty match the search moves on one character, or past the end of the text,
// so that the loop always advances.
Position EditModel::stepPast(Position pos) const {
    return pos < length() ? nextCharPos(pos) : length() + 1;
}

int EditModel::replaceAll(std::string_view find, std::string_view replacement, unsigned options,
                          const std::function<ReplaceAnswer(const std::string&)>& ask) {
    m_search.prepare(find, options, m_encoding);
    std::string normalized(replacement);
    NormalizeLineBreaks(normalized);
    lockPainting();
    int count = 0;
    bool all = !ask;
    Position from = selectionStart();
    try {
        while (from <= length()) {
            const SearchMatch match = findFrom(from);
            if (!match.found())
                break;
            const Position end = match.position + static_cast<Position>(match.length);
            setSel(match.position, end);
            if (!all) {
                const ReplaceAnswer answer = ask("Replace this occurence of '" + selText() +
                                                 "' with '" + std::string(replacement) + "' ?");
                if (answer == ReplaceAnswer::Cancel)
                    break;
                if (answer == ReplaceAnswer::No) {
                    from = match.length > 0 ? end : stepPast(end);
                    continue;
                }
                all = answer == ReplaceAnswer::All;
            }
            replaceSelection(normalized, true, kLogReplace);
            ++count;
            from = match.length > 0 ? m_caret : stepPast(m_caret);
        }
    } catch (...) {
        unlockPainting();
        throw;
    }
    unlockPainting();
    return count;
}

} // namespace velloran
