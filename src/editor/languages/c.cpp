// The built-in ANSI C language.
#include "editor/languages/languagebuilder.h"
#include "editor/languages/languages.h"

namespace velloran {

namespace {

using namespace lang;

constexpr int kCode = 0; // the only state

constexpr const char* kSample = "/* A sample */\r"
                                "#include <stdio.h>\r"
                                "static char *text = \"Hello, world\";\r"
                                "int n = (count + 1) * 2 >> 1;";

void setHeader(ParserTables& t) {
    LanguageHeader& h = sharedHeader(t);
    h.languageName = "ANSI C";
    h.sampleText = kSample;
    h.caseSensitive = true;
    h.wrapColumn = 1;
    h.gutter = 34;
    h.wrapOverride = "";
    h.anchorToken = 0;
    h.startStates = {kCode};
    h.options = 0x055BF0;
    setEditableStyles(t, {{"Comment", 6},
                          {"String", 4},
                          {"Reserved word", 12},
                          {"Operator", 11},
                          {"Identifier", 3},
                          {"Directive", 10},
                          {"Number", 5},
                          {"Default", 0}});
}

void addKeywordList(ParserTables& t) {
    addKeywords(t, 7, {kCode}, anyChar(),
                {"++", "--", "+",  "-",  "*",  "/",  "&",   "!",   "~",  "%",  ">",  "<",
                 ">>", "<<", ">=", "<=", "==", "=",  "!=",  "^",   "|",  "&&", "||", "?",
                 ":",  "+=", "-=", "*=", "/=", "%=", ">>=", "<<=", "&=", "^=", "|="});
    addKeywords(t, 11, {kCode}, anyChar(), {";", "(", ")", "[", "]", "{", "}"});
    addKeywords(t, 2, {kCode}, anyChar(), {"/*"});
    addKeywords(t, 1, {kCode}, anyChar(), {"//"});
    addKeywords(t, 10, {kCode}, anyChar(), {"#"});
    addKeywords(t, 13, {kCode}, chars("Xx"), {"0"});
    addKeywords(t, 12, {kCode}, wordEnd(),
                {"auto",   "break",  "case",   "char",     "continue", "default",  "do",
                 "double", "else",   "entry",  "extern",   "float",    "for",      "goto",
                 "if",     "int",    "long",   "register", "return",   "short",    "sizeof",
                 "static", "struct", "switch", "typedef",  "union",    "unsigned", "while"});
}

void addTokensAndStartChars(ParserTables& t) {
    defineToken(t, 1, runsUntil(kCr));
    defineToken(t, 10, runsUntil(kCr));
    defineToken(t, 2, runsThrough("*/"));
    defineToken(t, 13, continuesOver(hexDigits() | chars("xX")));

    addStartChars(t, chars("\""), {kCode}, 4, kStdCString);
    addStartChars(t, chars("'"), {kCode}, 9, kStdCChar);
    addStartChars(t, chars(".") | digits(), {kCode}, 5, kStdNumberOrFp);
    addStartChars(t, letters() | chars("_"), {kCode}, 3, kStdIdentifier);
}

void addStyles(ParserTables& t) {
    setStyles(t, {{0, plain(kBlack)},
                  {3, plain(kBlack)},
                  {4, italic(kBlack)},
                  {5, plain(kRed)},
                  {6, italic(kBlue)},
                  {10, plain(kGreen)},
                  {11, plain(kBlack)},
                  {12, bold(kBlack)}});
    mapTokens(t, {{1, 6},
                  {2, 6},
                  {3, 3},
                  {4, 4},
                  {5, 5},
                  {6, 6},
                  {7, 11},
                  {9, 4},
                  {10, 10},
                  {11, 11},
                  {12, 12},
                  {13, 5}});
}

} // namespace

ParserTables CLanguage() {
    ParserTables t;
    setHeader(t);
    addKeywordList(t);
    addTokensAndStartChars(t);
    addStyles(t);
    return t;
}

} // namespace velloran
