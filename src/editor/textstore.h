// The text store of the editor control: the characters in one gap buffer, the display
// lines as a list of start positions, and the per-line record fields beside them.
#pragma once

#include "editor/lineend.h"
#include "editor/linestarts.h"
#include "editor/splitvector.h"
#include "editor/tokenruns.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velloran {

// Bits 0-9: bookmarks 0-9 on this line.
constexpr std::uint16_t kBookmarkBits = 0x03FF;
// This display line continues the one before it (soft wrap).
constexpr std::uint16_t kWrapContinuation = 1 << 12;

constexpr char kLineEnd = '\r';

struct LineAttributes {
    std::uint16_t flags = 0;
    std::uint16_t marks = 0; // mark n is bit n-1
    // -1 means "no application value"; painting treats other values as colours.
    std::int32_t lineData = -1;
    std::int32_t lineData2 = -1;
    // A digest of the parser's states at the end of the line, so that re-highlighting
    // stops only where both the tokens and the states are as before.
    std::uint16_t endState = 0;
    // Bit fields keep a record at 16 bytes: one per line of a page with millions.
    bool textDirty : 1 = true;
    bool gutterDirty : 1 = true;
    // The line's token numbers are current (the highlighter wrote them after its
    // last change).
    bool highlighted : 1 = false;
    // How the line's CR is written to a file; meaningless on a line without one.
    LineEnd lineEnd : 2 = LineEnd::Lf;
};
static_assert(sizeof(LineAttributes) == 16);

// Turns every line break (CR LF, LF CR, lone LF, lone CR) into a single CR, in place.
// Every other byte stays as it is. Returns the new size. With `ends`, appends how each
// break was written, in order.
std::size_t NormalizeLineBreaks(std::string& bytes, std::vector<LineEnd>* ends = nullptr);

// A document's line-end style, which lines the user adds are given: the one used most,
// the earliest of those used equally often; LF when there is none.
[[nodiscard]] LineEnd PrevailingLineEnd(std::span<const LineEnd> ends) noexcept;

class TextStore {
public:
    TextStore();

    // Replaces everything with `normalized` (no LF in it); all lines start clean. Line
    // `i` ends as `ends[i]`, or in the new-line style when `ends` is empty.
    void load(std::string&& normalized, std::span<const LineEnd> ends = {});

    // The line end a CR inserted without one of its own stands for.
    [[nodiscard]] LineEnd newLineEnd() const noexcept { return m_newLineEnd; }
    void setNewLineEnd(LineEnd end) noexcept { m_newLineEnd = end; }
    // How the CR of `line` is written; meaningless when it has none.
    [[nodiscard]] LineEnd lineEnd(std::int64_t line) const noexcept {
        return attributes(line).lineEnd;
    }
    // Appends the line ends of the CRs in [pos, pos + count), in order.
    void appendLineEnds(Position pos, Position count, std::vector<LineEnd>& out) const;
    // Every CR in [pos, pos + count) ends as `end`: the common case, checked without
    // building the list.
    [[nodiscard]] bool lineEndsAre(LineEnd end, Position pos, Position count) const noexcept;

    [[nodiscard]] Position length() const noexcept { return static_cast<Position>(m_text.size()); }
    [[nodiscard]] std::int64_t lineCount() const noexcept { return m_starts.lines(); }
    [[nodiscard]] Position lineStart(std::int64_t line) const noexcept {
        return m_starts.start(line);
    }
    // Characters of `line` including its CR when it has one.
    [[nodiscard]] Position lineLength(std::int64_t line) const noexcept {
        return m_starts.start(line + 1) - m_starts.start(line);
    }
    // Characters of `line` without its CR.
    [[nodiscard]] Position lineTextLength(std::int64_t line) const noexcept;
    [[nodiscard]] bool endsWithLineEnd(std::int64_t line) const noexcept;
    [[nodiscard]] std::int64_t lineOf(Position pos) const noexcept { return m_starts.lineOf(pos); }

    [[nodiscard]] char charAt(Position pos) const noexcept {
        return m_text.at(static_cast<std::size_t>(pos));
    }
    [[nodiscard]] std::string text(Position pos, Position count) const;
    [[nodiscard]] std::string lineText(std::int64_t line) const; // without its CR
    // A view of `count` characters; valid until the next change.
    [[nodiscard]] std::string_view view(Position pos, Position count);
    [[nodiscard]] std::string_view view() { return view(0, length()); }

    // Inserts normalised text; each CR in it starts a new display line, which gets
    // fresh record fields. Lines keep their records otherwise. The CRs end as `ends`
    // says (the new-line style by default); the line split keeps its own end on its
    // last piece.
    void insert(Position pos, std::string_view normalized, LineEndList ends);
    void insert(Position pos, std::string_view normalized) {
        insert(pos, normalized, LineEndList{.uniform = m_newLineEnd});
    }
    // Removes characters; lines whose start falls inside the range disappear with
    // their records, the first line keeps its own but takes the end of the last.
    void erase(Position pos, Position count);

    [[nodiscard]] LineAttributes& attributes(std::int64_t line) noexcept {
        return m_attributes.ref(static_cast<std::size_t>(line));
    }
    [[nodiscard]] const LineAttributes& attributes(std::int64_t line) const noexcept {
        return const_cast<TextStore*>(this)->attributes(line);
    }

    // Soft wrap: a display line break at `pos` (no character added), the new line
    // taking `attributes`; and its removal.
    void splitLineAt(Position pos, const LineAttributes& attributes);
    void joinWithNext(std::int64_t line);

    // The longest display line, for the horizontal scroll range.
    [[nodiscard]] Position longestLineLength() const;

    // The lines changed since the highlighter last looked: the lowest, and the highest
    // (kept in step with lines added and removed above it); -1 when none.
    [[nodiscard]] std::int64_t firstChangedLine() const noexcept { return m_firstChanged; }
    void setFirstChangedLine(std::int64_t line) noexcept { m_firstChanged = line; }
    [[nodiscard]] std::int64_t lastChangedLine() const noexcept { return m_lastChanged; }
    void setLastChangedLine(std::int64_t line) noexcept { m_lastChanged = line; }

    // One token number per character, kept in step with the text once enabled.
    void enableTokens(bool on);
    [[nodiscard]] bool tokensEnabled() const noexcept { return m_tokensOn; }
    [[nodiscard]] std::uint8_t tokenAt(Position pos) const {
        return m_tokensOn ? m_tokens.at(pos) : 0;
    }
    [[nodiscard]] const TokenRuns& tokens() const noexcept { return m_tokens; }
    void writeTokens(Position pos, const std::uint8_t* tokens, Position count) {
        m_tokens.write(pos, tokens, count);
    }
    // A copy of the token numbers of a range; valid until the next change or view.
    [[nodiscard]] std::span<const std::uint8_t> tokenView(Position pos, Position count);
    [[nodiscard]] SplitVector<char, std::string>::Segments segments() const noexcept {
        return m_text.segments();
    }

    [[nodiscard]] std::size_t memoryBytes() const noexcept;

private:
    void noteChanged(std::int64_t line, std::int64_t lastLine) noexcept;
    void markDirty(std::int64_t line) noexcept;
    void linesInserted(std::int64_t after, std::int64_t count) noexcept;
    void linesRemoved(std::int64_t after, std::int64_t count) noexcept;

    SplitVector<char, std::string> m_text;
    LineStarts m_starts;
    SplitVector<LineAttributes> m_attributes;
    TokenRuns m_tokens;
    std::vector<std::uint8_t> m_tokenView;
    bool m_tokensOn = false;
    LineEnd m_newLineEnd = LineEnd::Lf;
    std::int64_t m_firstChanged = -1;
    std::int64_t m_lastChanged = -1;
};

} // namespace velloran
