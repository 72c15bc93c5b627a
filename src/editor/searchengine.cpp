// Plain and regular-expression search over the editor's byte store.
#include "editor/searchengine.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <locale.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace velloran {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool isContinuationByte(char c) noexcept {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Whether `pos` falls between two UTF-8 characters. Stray continuation bytes each stand
// alone, as they do for the rest of the editor.
bool isUtf8Boundary(std::string_view text, std::size_t pos) noexcept {
    if (pos == 0 || pos >= text.size() || !isContinuationByte(text[pos]))
        return true;
    for (std::size_t back = 1; back <= 3 && back <= pos; ++back)
        if (!isContinuationByte(text[pos - back]))
            return CharLengthAt(Encoding::Utf8, text, pos - back) <= back;
    return true;
}

std::string_view cutAtCharBoundary(Encoding encoding, std::string_view text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    std::size_t end = 0;
    for (;;) {
        const std::size_t length = CharLengthAt(encoding, text, end);
        if (end + length > limit)
            break;
        end += length;
    }
    return text.substr(0, end);
}

// The other-case byte of text[j], or the byte itself. ASCII letters always fold. The
// Latin-1 letters À-Þ/à-þ (not × ÷) fold too: as single bytes in Windows-1252, and in
// UTF-8 as the second byte after 0xC3, which pins the first byte, so a byte test suffices.
unsigned char casePartner(std::string_view text, std::size_t j, Encoding encoding) noexcept {
    const auto b = static_cast<unsigned char>(text[j]);
    const unsigned lower = b | 0x20u;
    if (b < 0x80 && lower >= 'a' && lower <= 'z')
        return b ^ 0x20;
    const bool latinLetter = (b & 0x1F) != 0x1F && (b & 0x1F) != 0x17;
    if (encoding == Encoding::Windows1252 && b >= 0xC0 && latinLetter)
        return b ^ 0x20;
    if (encoding == Encoding::Utf8 && isContinuationByte(text[j]) && j > 0 &&
        text[j - 1] == '\xC3' && latinLetter)
        return b ^ 0x20;
    return b;
}

// Sixteen starting positions are tested at once for the needle's first and last byte;
// only positions passing both are compared in full.
using Bytes16 = unsigned char __attribute__((vector_size(16)));

Bytes16 splat(unsigned char c) noexcept {
    return Bytes16{} + c;
}

Bytes16 load16(const unsigned char* p) noexcept {
    Bytes16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename V>
bool anySet(V v) noexcept {
    std::uint64_t halves[2];
    std::memcpy(halves, &v, sizeof halves);
    return (halves[0] | halves[1]) != 0;
}

// ---- regular expressions ----

template <auto Free>
struct Pcre2Free {
    template <typename T>
    void operator()(T* p) const noexcept {
        Free(p);
    }
};

const char* regexErrorReason(int code) noexcept {
    switch (code) {
    case PCRE2_ERROR_MISSING_CLOSING_PARENTHESIS:
    case PCRE2_ERROR_UNMATCHED_CLOSING_PARENTHESIS:
    case PCRE2_ERROR_MISSING_CONDITION_CLOSING:
    case PCRE2_ERROR_MISSING_COMMENT_CLOSING:
    case PCRE2_ERROR_MISSING_CALLOUT_CLOSING:
    case PCRE2_ERROR_PARENS_QUERY_R_MISSING_CLOSING:
        return "Unmatched parenthesis";
    case PCRE2_ERROR_MISSING_SQUARE_BRACKET:
        return "Unmatched bracket";
    case PCRE2_ERROR_END_BACKSLASH:
    case PCRE2_ERROR_END_BACKSLASH_C:
        return "Trailing backslash";
    case PCRE2_ERROR_CLASS_RANGE_ORDER:
    case PCRE2_ERROR_CLASS_INVALID_RANGE:
        return "Invalid range";
    case PCRE2_ERROR_QUANTIFIER_INVALID:
    case PCRE2_ERROR_QUANTIFIER_OUT_OF_ORDER:
    case PCRE2_ERROR_INTERNAL_UNEXPECTED_REPEAT:
        return "Invalid repeat";
    case PCRE2_ERROR_QUANTIFIER_TOO_BIG:
        return "Nested repeat";
    case PCRE2_ERROR_TOO_MANY_CAPTURES:
    case PCRE2_ERROR_TOO_MANY_NAMED_SUBPATTERNS:
    case PCRE2_ERROR_SUBPATTERN_NUMBER_TOO_BIG:
    case PCRE2_ERROR_PARENTHESES_NEST_TOO_DEEP:
    case PCRE2_ERROR_PARENTHESES_STACK_CHECK:
    case PCRE2_ERROR_QUERY_BARJX_NEST_TOO_DEEP:
        return "Too many sub-expressions";
    case PCRE2_ERROR_PATTERN_TOO_LARGE:
    case PCRE2_ERROR_PATTERN_TOO_COMPLICATED:
    case PCRE2_ERROR_PATTERN_STRING_TOO_LONG:
    case PCRE2_ERROR_INTERNAL_CODE_OVERFLOW:
        return "Expression too big";
    case PCRE2_ERROR_HEAP_FAILED:
        return "Out of memory";
    default:
        return "Invalid parameter";
    }
}

// Character tables for caseless byte-mode patterns that also fold À-Þ/à-þ, as the plain
// search does. They are built under the "C" locale of this thread only, so the user's
// locale can neither change ASCII folding nor race with other threads. PCRE2 lays its
// tables out as 256 bytes of lower case followed by 256 bytes of flipped case; should a
// release ever differ, the check below keeps its own ASCII-only tables in use.
unsigned char* buildWindowsLatinTables() noexcept {
    const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    if (cLocale == locale_t{})
        return nullptr;
    const locale_t previous = uselocale(cLocale);
    auto* tables = const_cast<unsigned char*>(pcre2_maketables(nullptr));
    uselocale(previous);
    freelocale(cLocale);
    constexpr std::size_t kFlip = 256;
    constexpr std::size_t kUpperA = 'A';
    constexpr std::size_t kLowerA = 'a';
    if (tables == nullptr || tables[kUpperA] != 'a' || tables[kFlip + kUpperA] != 'a' ||
        tables[kFlip + kLowerA] != 'A') {
        pcre2_maketables_free(nullptr, tables);
        return nullptr;
    }
    for (unsigned upper = 0xC0; upper <= 0xDE; ++upper) {
        if (upper == 0xD7)
            continue;
        tables[upper] = static_cast<unsigned char>(upper + 0x20);
        tables[kFlip + upper] = static_cast<unsigned char>(upper + 0x20);
        tables[kFlip + upper + 0x20] = static_cast<unsigned char>(upper);
    }
    return tables;
}

// Built once and kept for the life of the process: compiled patterns point into them.
const unsigned char* windowsLatinTables() noexcept {
    static const unsigned char* const tables = buildWindowsLatinTables();
    return tables;
}

[[noreturn]] void throwMatchFailure(int code) {
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0)
        std::strcpy(reinterpret_cast<char*>(buffer), "unknown failure");
    throw TCodeMemoException("Searching with this regular expression stopped (" +
                             std::string(reinterpret_cast<const char*>(buffer)) +
                             "). Simplify the expression and try again.");
}

} // namespace

bool DefaultIsWordChar(char32_t c) noexcept {
    if (c < 0x80) {
        const char32_t lower = c | 0x20;
        return (lower >= 'a' && lower <= 'z') || (c >= '0' && c <= '9') || c == '_';
    }
    // C1 controls and Latin-1 punctuation and symbols, except the letters ª µ º.
    if (c < 0xC0)
        return c == 0xAA || c == 0xB5 || c == 0xBA;
    if (c == 0xD7 || c == 0xF7)
        return false;
    // Spaces, quotes, dashes, currency, arrows, maths, box drawing, shapes and dingbats;
    // CJK punctuation; byte-order mark; specials (U+FFFD stands for damaged bytes).
    if ((c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x303F))
        return false;
    if (c == 0xFEFF || (c >= 0xFFF0 && c <= 0xFFFF))
        return false;
    return c <= 0x10FFFF;
}

// ---- RegexSyntaxError ----

namespace {

std::string syntaxMessage(const std::string& pattern, std::size_t offset,
                          const std::string& reason) {
    return pattern + "\n" + std::string(offset, ' ') + "^\n" + reason;
}

} // namespace

RegexSyntaxError::RegexSyntaxError(std::string pattern, std::size_t offset, std::string reason)
    : TCodeMemoException(syntaxMessage(pattern, offset, reason)), m_pattern(std::move(pattern)),
      m_offset(offset), m_reason(std::move(reason)) {
}

// ---- compiled regular expression ----

struct SearchEngine::Regex {
    std::unique_ptr<pcre2_code, Pcre2Free<pcre2_code_free>> code;
    std::unique_ptr<pcre2_match_data, Pcre2Free<pcre2_match_data_free>> matchData;
    std::unique_ptr<pcre2_jit_stack, Pcre2Free<pcre2_jit_stack_free>> jitStack;
    std::unique_ptr<pcre2_match_context, Pcre2Free<pcre2_match_context_free>> context;

    Regex(std::string_view pattern, unsigned options, Encoding encoding) {
        compile(pattern, options, encoding);
        // Without JIT the interpreter runs the same code; only speed differs.
        if (pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE) == 0) {
            jitStack.reset(pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr));
            context.reset(pcre2_match_context_create(nullptr));
            if (!jitStack || !context)
                throw std::bad_alloc();
            pcre2_jit_stack_assign(context.get(), nullptr, jitStack.get());
        }
        matchData.reset(pcre2_match_data_create_from_pattern(code.get(), nullptr));
        if (!matchData)
            throw std::bad_alloc();
    }

    void compile(std::string_view pattern, unsigned options, Encoding encoding) {
        std::unique_ptr<pcre2_compile_context, Pcre2Free<pcre2_compile_context_free>> cc(
            pcre2_compile_context_create(nullptr));
        if (!cc)
            throw std::bad_alloc();
        pcre2_set_newline(cc.get(), PCRE2_NEWLINE_CR);
        const bool caseless = (options & kMatchCase) == 0;
        uint32_t flags = PCRE2_MULTILINE | (caseless ? PCRE2_CASELESS : 0);
        if (encoding == Encoding::Utf8) {
            // \C could end a match inside a character.
            flags |= PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_NEVER_BACKSLASH_C;
        } else {
            flags |= PCRE2_NEVER_UTF;
            if (caseless && windowsLatinTables() != nullptr)
                pcre2_set_character_tables(cc.get(), windowsLatinTables());
        }
        int error = 0;
        PCRE2_SIZE errorOffset = 0;
        code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                 flags, &error, &errorOffset, cc.get()));
        if (code)
            return;
        const std::size_t bytes = std::min<std::size_t>(errorOffset, pattern.size());
        throw RegexSyntaxError(std::string(pattern), CountChars(encoding, pattern.substr(0, bytes)),
                               regexErrorReason(error));
    }
};

// ---- SearchEngine ----

SearchEngine::SearchEngine() = default;
SearchEngine::~SearchEngine() = default;
SearchEngine::SearchEngine(SearchEngine&&) noexcept = default;
SearchEngine& SearchEngine::operator=(SearchEngine&&) noexcept = default;

void SearchEngine::prepare(std::string_view text, unsigned options, Encoding encoding) {
    std::unique_ptr<Regex> regex;
    Needle needle;
    if (options & kRegularExpression) {
        if (text.size() > kMaxRegexBytes) {
            const auto kept = cutAtCharBoundary(encoding, text, kMaxRegexBytes);
            throw RegexSyntaxError(std::string(text), CountChars(encoding, kept),
                                   "Expression too big");
        }
        if (!text.empty())
            regex = std::make_unique<Regex>(text, options, encoding);
    } else {
        text = cutAtCharBoundary(encoding, text, kMaxSearchTextBytes);
        const bool matchCase = (options & kMatchCase) != 0;
        for (std::size_t j = 0; j < text.size(); ++j) {
            needle.bytes[j] = static_cast<unsigned char>(text[j]);
            needle.other[j] = matchCase ? needle.bytes[j] : casePartner(text, j, encoding);
        }
        needle.size = text.size();
    }
    std::string searched(text);
    m_text.swap(searched);
    m_regex = std::move(regex);
    m_needle = needle;
    m_options = options;
    m_encoding = encoding;
}

void SearchEngine::setWordTests(CharTest isInWord, CharTest startsWord) noexcept {
    m_isInWord = isInWord;
    m_startsWord = startsWord;
}

bool SearchEngine::isWordChar(char32_t c) const noexcept {
    return m_isInWord ? m_isInWord(c) : DefaultIsWordChar(c);
}

bool SearchEngine::startsWord(char32_t c) const noexcept {
    return m_startsWord ? m_startsWord(c) : isWordChar(c);
}

SearchMatch SearchEngine::findNext(std::string_view subject, std::size_t from) const {
    if (from > subject.size())
        return {};
    return m_regex ? findRegex(subject, from) : findPlain(subject, from);
}

SearchMatch SearchEngine::findPlain(std::string_view subject, std::size_t from) const {
    const bool utf8 = m_encoding == Encoding::Utf8;
    const bool wholeWords = (m_options & kWholeWords) != 0;
    const std::size_t length = m_needle.size;
    for (std::size_t pos = nextCandidate(subject, from); pos != kNone;
         pos = nextCandidate(subject, pos + 1)) {
        if (utf8 && (!isUtf8Boundary(subject, pos) || !isUtf8Boundary(subject, pos + length)))
            continue;
        if (wholeWords && !isWholeWord(subject, pos, length))
            continue;
        return {static_cast<std::ptrdiff_t>(pos), length};
    }
    return {};
}

std::size_t SearchEngine::nextCandidate(std::string_view subject, std::size_t from) const {
    const std::size_t n = m_needle.size;
    if (n == 0 || subject.size() < n || from > subject.size() - n)
        return kNone;
    const auto* s = reinterpret_cast<const unsigned char*>(subject.data());
    const std::size_t lastStart = subject.size() - n;
    std::size_t i = from;
    for (;;) {
        i = skipBlocks(s, i, lastStart);
        const std::size_t stop = std::min(i + 16, lastStart + 1);
        for (; i < stop; ++i)
            if (needleAt(s + i))
                return i;
        if (i > lastStart)
            return kNone;
    }
}

// Returns the first block of 16 starts that may hold a match, or where fewer than 16
// starts remain.
std::size_t SearchEngine::skipBlocks(const unsigned char* s, std::size_t i,
                                     std::size_t lastStart) const {
    const std::size_t last = m_needle.size - 1;
    const Bytes16 first0 = splat(m_needle.bytes[0]);
    const Bytes16 first1 = splat(m_needle.other[0]);
    const Bytes16 last0 = splat(m_needle.bytes[last]);
    const Bytes16 last1 = splat(m_needle.other[last]);
    while (i <= lastStart && lastStart - i >= 15) {
        const Bytes16 a = load16(s + i);
        const Bytes16 b = load16(s + i + last);
        if (anySet(((a == first0) | (a == first1)) & ((b == last0) | (b == last1))))
            return i;
        i += 16;
    }
    return i;
}

bool SearchEngine::needleAt(const unsigned char* p) const noexcept {
    for (std::size_t j = 0; j < m_needle.size; ++j)
        if (p[j] != m_needle.bytes[j] && p[j] != m_needle.other[j])
            return false;
    return true;
}

bool SearchEngine::isWholeWord(std::string_view subject, std::size_t pos,
                               std::size_t length) const {
    if (pos > 0 &&
        isWordChar(DecodeCharAt(m_encoding, subject, PrevCharStart(m_encoding, subject, pos))))
        return false;
    const std::size_t end = pos + length;
    return end >= subject.size() || !isWordChar(DecodeCharAt(m_encoding, subject, end));
}

SearchMatch SearchEngine::findRegex(std::string_view subject, std::size_t from) const {
    if (m_encoding == Encoding::Utf8)
        while (!isUtf8Boundary(subject, from))
            ++from;
    const auto* s = reinterpret_cast<PCRE2_SPTR>(subject.data());
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(m_regex->matchData.get());
    const bool wholeWords = (m_options & kWholeWords) != 0;
    while (from <= subject.size()) {
        const int rc = pcre2_match(m_regex->code.get(), s, subject.size(), from, 0,
                                   m_regex->matchData.get(), m_regex->context.get());
        if (rc == PCRE2_ERROR_NOMATCH)
            return {};
        if (rc < 0)
            throwMatchFailure(rc);
        const std::size_t pos = ovector[0];
        const std::size_t length = ovector[1] > pos ? ovector[1] - pos : 0;
        if (!wholeWords || isWholeWord(subject, pos, length))
            return {static_cast<std::ptrdiff_t>(pos), length};
        // A rejected match may hide a whole word starting later inside it.
        const std::size_t next = std::max(pos, from);
        if (next >= subject.size())
            return {};
        from = next + CharLengthAt(m_encoding, subject, next);
    }
    return {};
}

} // namespace velloran
