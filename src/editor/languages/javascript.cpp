// The built-in JavaScript language. Every reserved word, operator and built-in function
// is a token of its own, so each can be given a style of its own.
#include "editor/languages/languagebuilder.h"
#include "editor/languages/languages.h"
#include "editor/languages/scriptwords.h"

namespace velloran {

namespace {

using namespace lang;

constexpr int kCode = 0; // the only state

// The operators take tokens 80-117 up to "(" and 119-122 from ")": 118 stays unused.
constexpr std::size_t kOperatorsBeforeGap = 38;

constexpr const char* kSample = "// Writes four lines into the page\r"
                                "document.write(\"One\");\r"
                                "document.write(\"Two\");\r"
                                "document.writeln(\"Three\");\r"
                                "document.writeln(\"Four\");";

void setHeader(ParserTables& t) {
    LanguageHeader& h = sharedHeader(t);
    h.languageName = "JavaScript";
    h.sampleText = kSample;
    h.caseSensitive = true;
    h.wrapColumn = 0;
    h.gutter = 34;
    h.wrapOverride = "";
    h.anchorToken = 0;
    h.startStates = {kCode};
    h.options = 0x055BF0;
    setEditableStyles(t, {{"Reserved word", 1},
                          {"Comment", 2},
                          {"Identifier", 7},
                          {"Function", 10},
                          {"String", 5},
                          {"Number", 8},
                          {"Symbols", 9},
                          {"Default", 30}});
}

void addKeywordList(ParserTables& t) {
    const Words operators = kScriptOperators;
    addKeywordTokens(t, 20, {kCode}, wordEnd(), kScriptReservedWords);
    addKeywordTokens(t, 80, {kCode}, anyChar(), operators.first(kOperatorsBeforeGap));
    addKeywordTokens(t, 119, {kCode}, anyChar(), operators.subspan(kOperatorsBeforeGap));
    addKeywordTokens(t, 130, {kCode}, wordEnd(), kScriptFunctions);
    addKeywords(t, 11, {kCode}, chars("Xx"), {"0"});
    addKeywords(t, 3, {kCode}, anyChar(), {"/*"});
    addKeywords(t, 4, {kCode}, anyChar(), {"//"});
}

void addTokensAndStartChars(ParserTables& t) {
    defineToken(t, 3, runsThrough("*/"));
    defineToken(t, 4, runsUntil(kCr));
    defineToken(t, 11, continuesOver(hexDigits() | chars("xX")));

    addStartChars(t, chars("\""), {kCode}, 5, kStdCString);
    addStartChars(t, chars("'"), {kCode}, 6, kStdCChar);
    addStartChars(t, chars(".") | digits(), {kCode}, 8, kStdNumberOrFp);
    addStartChars(t, letters() | chars("_"), {kCode}, 7, kStdIdentifier);
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
                  {30, plain(kBlack)}});
    mapTokens(t, {{1, 1}, {5, 5}, {6, 5}, {7, 7}, {8, 8}, {10, 10}, {11, 8}});
    mapTokenRange(t, 2, 4, 2);
    mapTokenRange(t, 20, 72, 1);
    mapTokenRange(t, 80, 117, 9);
    mapTokenRange(t, 119, 122, 9);
    mapTokenRange(t, 130, 209, 10);
}

} // namespace

ParserTables JavaScriptLanguage() {
    ParserTables t;
    setHeader(t);
    addKeywordList(t);
    addTokensAndStartChars(t);
    addStyles(t);
    return t;
}

} // namespace velloran
