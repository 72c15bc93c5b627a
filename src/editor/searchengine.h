// Finds text in the editor's byte store: plain or regular expressions, any case, whole words.
#pragma once

#include "editor/codememoerror.h"
#include "platform/encoding.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace velloran {

// Option bits of a search. kSearchNow belongs to the find dialog (start at once) and does
// not change how text is matched.
enum SearchOptions : unsigned {
    kSearchNow = 8,
    kMatchCase = 16,
    kRegularExpression = 32,
    kWholeWords = 64,
};

// Longest plain search text and regular expression, in bytes.
inline constexpr std::size_t kMaxSearchTextBytes = 79;
inline constexpr std::size_t kMaxRegexBytes = 254;

// An application word-character test; null means DefaultIsWordChar.
using CharTest = bool (*)(char32_t c);

struct SearchMatch {
    std::ptrdiff_t position = -1; // byte offset into the subject; -1 when nothing was found
    std::size_t length = 0;       // 0 for an empty regular-expression match: callers step on

    [[nodiscard]] bool found() const noexcept { return position >= 0; }
};

// Digits, "_", ASCII letters and every code point from 128 up that is not punctuation, a
// symbol or a space (so accented and non-Latin letters count without Unicode tables).
[[nodiscard]] bool DefaultIsWordChar(char32_t c) noexcept;

// A regular expression that does not compile. what() is the text shown to the user: the
// pattern, a caret under the offending character and the reason.
class RegexSyntaxError : public TCodeMemoException {
public:
    // `offset` counts characters, not bytes.
    RegexSyntaxError(std::string pattern, std::size_t offset, std::string reason);

    [[nodiscard]] const std::string& pattern() const noexcept { return m_pattern; }
    [[nodiscard]] std::size_t offset() const noexcept { return m_offset; }
    [[nodiscard]] const std::string& reason() const noexcept { return m_reason; }

private:
    std::string m_pattern;
    std::size_t m_offset;
    std::string m_reason;
};

// Prepared once per search, then asked for match after match: nothing is compiled or
// allocated per findNext. One engine must not be used by two threads at once.
class SearchEngine {
public:
    SearchEngine();
    ~SearchEngine();
    SearchEngine(SearchEngine&&) noexcept;
    SearchEngine& operator=(SearchEngine&&) noexcept;

    // Plain texts beyond kMaxSearchTextBytes are cut at a character boundary. Throws
    // RegexSyntaxError for a regular expression that does not compile or is too long; the
    // previously prepared search then stays in force.
    void prepare(std::string_view text, unsigned options, Encoding encoding);

    // The first match starting at or after `from` (a byte offset into `subject`). Text
    // before `from` still counts as the neighbour of a whole word and for "^" and
    // look-behind. Throws TCodeMemoException when a regular expression needs more work
    // than the matcher allows on this text.
    [[nodiscard]] SearchMatch findNext(std::string_view subject, std::size_t from) const;

    // `isInWord` decides whether the neighbours of a whole-word match join it.
    // `startsWord` is kept for word moves that share this engine's settings.
    void setWordTests(CharTest isInWord, CharTest startsWord) noexcept;
    [[nodiscard]] bool isWordChar(char32_t c) const noexcept;
    [[nodiscard]] bool startsWord(char32_t c) const noexcept;

    // The text as searched: after the cut for a plain search, the pattern for a regex.
    [[nodiscard]] const std::string& lastSearchText() const noexcept { return m_text; }
    [[nodiscard]] unsigned options() const noexcept { return m_options; }
    [[nodiscard]] Encoding encoding() const noexcept { return m_encoding; }

private:
    struct Regex; // compiled pattern, match data and matcher stack

    // Each needle byte with the one other byte that matches it (itself when none).
    struct Needle {
        std::array<unsigned char, kMaxSearchTextBytes> bytes{};
        std::array<unsigned char, kMaxSearchTextBytes> other{};
        std::size_t size = 0;
    };

    [[nodiscard]] SearchMatch findPlain(std::string_view subject, std::size_t from) const;
    [[nodiscard]] SearchMatch findRegex(std::string_view subject, std::size_t from) const;
    [[nodiscard]] std::size_t nextCandidate(std::string_view subject, std::size_t from) const;
    [[nodiscard]] std::size_t skipBlocks(const unsigned char* s, std::size_t i,
                                         std::size_t lastStart) const;
    [[nodiscard]] bool needleAt(const unsigned char* p) const noexcept;
    [[nodiscard]] bool isWholeWord(std::string_view subject, std::size_t pos,
                                   std::size_t length) const;

    std::string m_text;
    unsigned m_options = 0;
    Encoding m_encoding = Encoding::Utf8;
    Needle m_needle;
    std::unique_ptr<Regex> m_regex;
    CharTest m_isInWord = nullptr;
    CharTest m_startsWord = nullptr;
};

} // namespace velloran
