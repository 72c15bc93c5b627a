// The built-in JavaScript language. Every reserved word, operator and built-in function
// is a token of its own, so each can be given a style of its own; template literals and
// regular expressions come from the rules shared with HTML's script elements.
#include "editor/languages/languagebuilder.h"
#include "editor/languages/languages.h"
#include "editor/languages/scriptrules.h"
#include "editor/languages/scriptwords.h"

#include <algorithm>

namespace velloran {

namespace {

using namespace lang;

constexpr int kCode = 0; // top-level code
constexpr ScriptStates kStates = {kCode, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

constexpr int kRegex = 12;
constexpr int kDeepTemplate = 13;
// The line end in top-level code: where re-highlighting may restart with the states reset.
constexpr int kLineEnd = 14;
constexpr int kFirstModernWord = 210;
constexpr int kFirstModernOperator = 219;
constexpr int kBraceOpen = 233;
constexpr int kBraceClose = 234;
constexpr int kFirstTemplateToken = 235; // 18 tokens
constexpr TemplateTokens kTemplateTokens = {
    235, 236, 237, kDeepTemplate, 238, 239, 240, 241, 242,    243,        244,
    245, 246, 247, 248,           249, 250, 251, 252, kRegex, kBraceOpen, kBraceClose};
constexpr int kLastTemplateToken = 252;
constexpr int kTemplateStyle = 11;
constexpr int kRegexStyle = 12;

// The operators take tokens 80-117 up to "(" and 119-122 from ")": 118 stays unused.
constexpr std::size_t kOperatorsBeforeGap = 38;

constexpr const char* kSample = "// Writes four lines into the page\r"
                                "document.write(\"One\");\r"
                                "document.write(\"Two\");\r"
                                "document.writeln(\"Three\");\r"
                                "document.writeln(\"Four\");\r"
                                "let note = `Hello ${name}`.match(/l+/g);";

void setHeader(ParserTables& t) {
    LanguageHeader& h = sharedHeader(t);
    h.languageName = "JavaScript";
    h.sampleText = kSample;
    h.caseSensitive = true;
    h.wrapColumn = 0;
    h.gutter = 34;
    h.wrapOverride = "";
    h.anchorToken = kLineEnd;
    h.startStates = {kCode, kStates.regex};
    h.options = 0x055BF0;
    setEditableStyles(t, {{"Reserved word", 1},
                          {"Comment", 2},
                          {"Identifier", 7},
                          {"Function", 10},
                          {"String", 5},
                          {"Number", 8},
                          {"Symbols", 9},
                          {"Default", 30},
                          {"Template string", kTemplateStyle},
                          {"Regular expression", kRegexStyle}});
}

// Each operator in its own states, numbered in the order listed.
void addOperatorTokens(ParserTables& t, int firstToken, Words operators) {
    int token = firstToken;
    for (const std::string_view op : operators)
        addKeywords(t, token++, kStates.operatorStates(op), anyChar(), {op});
}

void addKeywordList(ParserTables& t) {
    const Words operators = kScriptOperators;
    const CharSet code = kStates.code();
    addKeywordTokens(t, 20, code, scriptWordEnd(), kScriptReservedWords);
    addOperatorTokens(t, 80, operators.first(kOperatorsBeforeGap));
    addOperatorTokens(t, 119, operators.subspan(kOperatorsBeforeGap));
    addKeywordTokens(t, 130, code, scriptWordEnd(), kScriptFunctions);
    addKeywordTokens(t, kFirstModernWord, code, scriptWordEnd(), kModernScriptWords);
    addOperatorTokens(t, kFirstModernOperator, kModernScriptOperators);
    addKeywords(t, 11, code, chars("Xx"), {"0"});
    addKeywords(t, 3, code, anyChar(), {"/*"});
    addKeywords(t, 4, code, anyChar(), {"//"});
    addTemplatesAndRegex(t, kStates, kTemplateTokens);
}

void addTokensAndStartChars(ParserTables& t) {
    defineToken(t, 3, runsThrough("*/"));
    defineToken(t, 4, runsUntil(kCr));
    defineToken(t, 11, continuesOver(hexDigits() | chars("xX_n")));

    const CharSet code = kStates.code();
    addStartChars(t, chars("\""), code, 5, kStdCString);
    addStartChars(t, chars("'"), code, 6, kStdCChar);
    addStartChars(t, chars(".") | digits(), code, 8, kJsNumber);
    addStartChars(t, letters() | chars("_$") | charRange(0x80, 0xFE), code, 7, kJsIdentifier);
    addStartChars(t, CharSet{kCr}, {kCode}, kLineEnd, continuesOver(CharSet{}));
}

void addStyles(ParserTables& t) {
    setStyles(t, {{0, plain(kBlack)},
                  {1, bold(kBlack)},
                  {2, italic(kBlue)},
                  {5, italic(kBlack)},
                  {7, plain(kBlack)},
                  {8, plain(kRed)},
                  {9, plain(kGreen)},
                  {10, bold(kBlack)},
                  {30, plain(kBlack)},
                  {kTemplateStyle, italic(0x808000)},
                  {kRegexStyle, plain(0x800080)}});
    mapTokens(t, {{1, 1}, {5, 5}, {6, 5}, {7, 7}, {8, 8}, {10, 10}, {11, 8}});
    mapTokenRange(t, 2, 4, 2);
    mapTokenRange(t, 20, 72, 1);
    mapTokenRange(t, 80, 117, 9);
    mapTokenRange(t, 119, 122, 9);
    mapTokenRange(t, 130, 209, 10);
    mapTokenRange(t, kFirstModernWord, kFirstModernOperator - 1, 1);
    mapTokenRange(t, kFirstModernOperator, kBraceClose, 9);
    mapTokenRange(t, kFirstTemplateToken, kLastTemplateToken, kTemplateStyle);
    mapTokens(t, {{kDeepTemplate, kTemplateStyle}, {kRegex, kRegexStyle}});
}

int reservedToken(std::string_view word) {
    const auto at = std::find(kScriptReservedWords.begin(), kScriptReservedWords.end(), word);
    return 20 + static_cast<int>(at - kScriptReservedWords.begin());
}

void addTransitions(ParserTables& t) {
    const CharSet code = kStates.code();
    for (int token = 20; token <= 72; ++token)
        setOperators(t, kStates, code, {token});
    for (int token = 80; token <= 122; ++token)
        if (token != 118)
            setOperators(t, kStates, code, {token});
    for (int token = kFirstModernWord; token < kBraceOpen; ++token)
        setOperators(t, kStates, code, {token});
    for (const std::string_view word : kOperandWords)
        setOperands(t, kStates, code, {reservedToken(word)});
    // "++", "--", ")" and "]" end an operand.
    setOperands(t, kStates, code, {115, 116, 119, 121});
    for (int token = 130; token <= 209; ++token)
        setOperands(t, kStates, code, {token});
    setOperands(t, kStates, code, {5, 6, 7, 8, 11});
    setOperators(t, kStates, {kCode}, {kLineEnd});
    setTransition(t, {3, 4}, validIn(code));
}

} // namespace

ParserTables JavaScriptLanguage() {
    ParserTables t;
    setHeader(t);
    addKeywordList(t);
    addTokensAndStartChars(t);
    addStyles(t);
    addTransitions(t);
    return t;
}

} // namespace velloran
