// Tests of the search engine: matching, case folding, whole words and syntax errors.
#include "editor/searchengine.h"

#include <gtest/gtest.h>

#include <string>

using namespace velloran;

namespace {

constexpr Encoding kUtf8 = Encoding::Utf8;
constexpr Encoding kCp1252 = Encoding::Windows1252;

// Position of the first match at or after `from`, -1 when none.
std::ptrdiff_t find(std::string_view text, unsigned options, std::string_view subject,
                    std::size_t from = 0, Encoding encoding = kUtf8) {
    SearchEngine engine;
    engine.prepare(text, options, encoding);
    return engine.findNext(subject, from).position;
}

RegexSyntaxError syntaxError(std::string_view pattern, Encoding encoding = kUtf8) {
    SearchEngine engine;
    try {
        engine.prepare(pattern, kRegularExpression, encoding);
    } catch (const RegexSyntaxError& error) {
        return error;
    }
    ADD_FAILURE() << "compiled: " << pattern;
    return RegexSyntaxError("", 0, "");
}

} // namespace

TEST(SearchPlain, CaseFoldingAndLimits) {
    // A long subject takes the sixteen-at-a-time path; the match sits in the tail too.
    const std::string page = std::string(100, 'x') + "<DIV>\rtail Div";
    EXPECT_EQ(find("div", 0, page), 101);
    EXPECT_EQ(find("div", 0, page, 102), 111);
    EXPECT_EQ(find("div", kMatchCase, page), -1);
    EXPECT_EQ(find("Div", kMatchCase, page), 111);
    EXPECT_EQ(find("@", 0, "`"), -1); // '@' and '`' differ only in the case bit
    EXPECT_EQ(find("", 0, "abc"), -1);
    EXPECT_EQ(find("abc", 0, "abc", 4), -1);

    SearchEngine engine;
    engine.prepare(std::string(90, 'a'), 0, kUtf8);
    EXPECT_EQ(engine.lastSearchText().size(), kMaxSearchTextBytes);
    std::string accents; // 2-byte characters: 79 bytes would end inside the fortieth
    for (int i = 0; i < 45; ++i)
        accents += "\xC3\xA9";
    engine.prepare(accents, 0, kUtf8);
    EXPECT_EQ(engine.lastSearchText().size(), 78u);
}

TEST(SearchPlain, EncodingsFoldLatinLettersAndKeepCharactersWhole) {
    // Windows-1252: É/é fold, × (D7) and ÷ (F7) stay apart.
    EXPECT_EQ(find("\xC9t\xE9", 0, "x \xE9T\xC9", 0, kCp1252), 2);
    EXPECT_EQ(find("\xC9", kMatchCase, "\xE9", 0, kCp1252), -1);
    EXPECT_EQ(find("\xD7", 0, "\xF7", 0, kCp1252), -1);
    // UTF-8: É (C3 89) and é (C3 A9) fold; a second byte after another lead does not.
    EXPECT_EQ(find("caf\xC3\x89", 0, "un caf\xC3\xA9"), 3);
    EXPECT_EQ(find("\xC4\x89", 0, "\xC4\xA9"), -1); // ĉ is not ĩ
    // A match never starts or ends inside a character.
    EXPECT_EQ(find("\xA9", 0, "caf\xC3\xA9"), -1);
    EXPECT_EQ(find("\x82\xAC", 0, "\xE2\x82\xAC"), -1);
    EXPECT_EQ(find("\xE2\x82", 0, "\xE2\x82\xAC"), -1);
    EXPECT_EQ(find("\xAC", 0, "\xE2\x82\xAC\xAC"), 3); // a stray byte stands alone
}

TEST(SearchWholeWords, NeighboursDecideAndTestsCanBeReplaced) {
    EXPECT_EQ(find("cat", kWholeWords, "cat"), 0);
    EXPECT_EQ(find("cat", kWholeWords, "cats cat"), 5);
    EXPECT_EQ(find("cat", kWholeWords, "a_cat\rcat."), 6);
    EXPECT_EQ(find("cat", kWholeWords, "(cat)"), 1);
    EXPECT_EQ(find("cat", kWholeWords, "cat9 \tcat"), 6);
    // é is a letter in both encodings, and text before `from` still borders the word.
    EXPECT_EQ(find("t\xC3\xA9", kWholeWords, "t\xC3\xA9t\xC3\xA9 t\xC3\xA9"), 7);
    EXPECT_EQ(find("cat", kWholeWords,
                   "\xE9"
                   "cat cat",
                   0, kCp1252),
              5);
    EXPECT_EQ(find("cat", kWholeWords, "xcat", 1), -1);
    EXPECT_EQ(find("cat", kWholeWords,
                   "\xE2\x80\x9C"
                   "cat\xE2\x80\x9D"),
              3); // curly quotes

    SearchEngine engine;
    engine.setWordTests([](char32_t c) { return c == '-' || DefaultIsWordChar(c); }, nullptr);
    engine.prepare("nav", kWholeWords, kUtf8);
    EXPECT_EQ(engine.findNext("main-nav nav", 0).position, 9);
}

TEST(SearchRegex, LinesCaseAndEncodings) {
    const std::string lines = "Alpha\rbeta end\rGamma";
    EXPECT_EQ(find("^beta", kRegularExpression, lines), 6);
    EXPECT_EQ(find("end$", kRegularExpression, lines), 11);
    EXPECT_EQ(find("^gamma$", kRegularExpression, lines), 15);
    EXPECT_EQ(find("^gamma", kRegularExpression | kMatchCase, lines), -1);
    EXPECT_EQ(find("a.", kRegularExpression | kWholeWords, "aaa ab"), 4);

    SearchEngine engine;
    engine.prepare("f.r", kRegularExpression, kUtf8); // "." takes all of é
    SearchMatch m = engine.findNext("x f\xC3\xA9r", 0);
    EXPECT_EQ(m.position, 2);
    EXPECT_EQ(m.length, 4u);
    EXPECT_EQ(engine.findNext("f\xFFr far", 0).position, 4); // damaged text never matches
    EXPECT_EQ(find("\xC3\x89", kRegularExpression, "\xC3\xA9"), 0);

    engine.prepare("f.r", kRegularExpression, kCp1252); // byte mode: "." is one byte
    EXPECT_EQ(engine.findNext("f\xC3\xA9r f\xE9r", 0).position, 5);
    EXPECT_EQ(find("\xC9[\xE0-\xFE]", kRegularExpression, "\xE9\xC0", 0, kCp1252), 0);
    EXPECT_EQ(find("\xC9", kRegularExpression | kMatchCase, "\xE9", 0, kCp1252), -1);
}

TEST(SearchRegex, EmptyMatchesAreReportedForCallersToStep) {
    SearchEngine engine;
    engine.prepare("x*", kRegularExpression, kUtf8);
    const std::string text = "ab";
    SearchMatch m = engine.findNext(text, 0);
    EXPECT_EQ(m.position, 0);
    EXPECT_EQ(m.length, 0u);
    EXPECT_EQ(engine.findNext(text, 2).position, 2);
    EXPECT_EQ(engine.findNext(text, 3).position, -1);
    engine.prepare("", kRegularExpression, kUtf8);
    EXPECT_FALSE(engine.findNext(text, 0).found());
}

TEST(SearchRegexErrors, MessageLayoutAndReasons) {
    const RegexSyntaxError paren = syntaxError("a(b");
    EXPECT_STREQ(paren.what(), "a(b\n   ^\nUnmatched parenthesis");
    EXPECT_EQ(paren.offset(), 3u);
    EXPECT_EQ(syntaxError("a)").reason(), "Unmatched parenthesis");
    EXPECT_EQ(syntaxError("[a").reason(), "Unmatched bracket");
    EXPECT_EQ(syntaxError("ab\\").reason(), "Trailing backslash");
    EXPECT_EQ(syntaxError("*a").reason(), "Invalid repeat");
    EXPECT_EQ(syntaxError("*a").offset(), 0u);
    EXPECT_EQ(syntaxError("[z-a]").reason(), "Invalid range");
    EXPECT_EQ(syntaxError("\\p{Nope}").reason(), "Invalid parameter");
    EXPECT_EQ(syntaxError("\xC3\xA9\xC3\xA9(").offset(), 3u); // counted in characters
    const RegexSyntaxError big = syntaxError(std::string(255, 'a'));
    EXPECT_EQ(big.reason(), "Expression too big");
    EXPECT_EQ(big.offset(), 254u);

    // A failed prepare leaves the previous search in force.
    SearchEngine engine;
    engine.prepare("b+", kRegularExpression, kUtf8);
    EXPECT_THROW(engine.prepare("(", kRegularExpression, kUtf8), RegexSyntaxError);
    EXPECT_EQ(engine.findNext("abb", 0).length, 2u);
    EXPECT_EQ(engine.lastSearchText(), "b+");
}
