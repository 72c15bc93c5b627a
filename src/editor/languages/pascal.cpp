// The built-in Object Pascal language, with the directives that are only reserved after
// "property" and "exports".
#include "editor/languages/languagebuilder.h"
#include "editor/languages/languages.h"

#include <array>
#include <string_view>

namespace velloran {

namespace {

using namespace lang;

// States.
constexpr int kCode = 0;
constexpr int kProperty = 1; // after "property", up to the next ";"
constexpr int kExports = 2;  // after "exports", up to the next ";"

constexpr const char* kSample = "program Sample;\r"
                                "var\r"
                                "  I: Integer;\r"
                                "begin\r"
                                "  for I := 1 to 10 do\r"
                                "    WriteLn('Line ', I);\r"
                                "end.";

// clang-format off
constexpr std::array<std::string_view, 85> kReservedWords = {
    "and", "array", "begin", "case", "const", "div", "do", "downto", "else", "end", "false",
    "file", "for", "forward", "function", "goto", "if", "in", "label", "mod", "nil", "not", "of",
    "or", "procedure", "program", "record", "repeat", "set", "string", "then", "to", "true",
    "type", "until", "var", "while", "with", "packed", "implementation", "interface", "unit",
    "uses", "as", "on", "asm", "class", "constructor", "destructor", "except", "finalization",
    "finally", "inherited", "initialization", "inline", "is", "library", "object", "raise", "shl",
    "shr", "threadvar", "try", "xor", "absolute", "abstract", "assembler", "at", "automated",
    "cdecl", "dispid", "dynamic", "external", "message", "nodefault", "override", "pascal",
    "private", "protected", "public", "published", "register", "resourcestring", "stdcall",
    "virtual"};
// clang-format on

void setHeader(ParserTables& t) {
    LanguageHeader& h = sharedHeader(t);
    h.languageName = "Object Pascal";
    h.sampleText = kSample;
    h.caseSensitive = false;
    h.wrapColumn = 0;
    h.gutter = 34;
    h.wrapOverride = "";
    h.anchorToken = 0;
    h.startStates = {kCode};
    h.options = 0x055BF0;
    setEditableStyles(t, {{"Reserved word", 7},
                          {"Comment", 5},
                          {"Identifier", 2},
                          {"String", 3},
                          {"Number", 4},
                          {"Symbols", 10},
                          {"Default", 0}});
}

void addKeywordList(ParserTables& t) {
    addKeywords(t, 1, {kCode}, anyChar(), {"//"});
    addKeywords(t, 8, {kCode}, anyChar(), {"{"});
    addKeywords(t, 9, {kCode}, anyChar(), {"(*"});
    addKeywords(t, 10, {kCode}, anyChar(), {":=", "+", "-",  "*",  "/", "=", "<>",
                                            "<",  ">", "<=", ">=", "(", ")", "[",
                                            "]",  ".", "..", "^",  ",", ":", "@"});
    addKeywords(t, 20, {kCode}, anyChar(), {";"});
    addKeywords(t, 11, {kCode}, digits(), {"#"});
    addKeywords(t, 12, {kCode}, hexDigits(), {"#$"});
    addKeywords(t, 7, {kCode}, wordEnd(), kReservedWords);
    addKeywords(t, 26, {kCode}, wordEnd(), {"exports"});
    addKeywords(t, 21, {kCode}, wordEnd(), {"property"});
    addKeywordTokens(t, 22, {kProperty}, wordEnd(), {"default", "read", "write", "stored"});
    addKeywordTokens(t, 27, {kExports}, wordEnd(), {"name", "index", "resident"});
}

void addTokensAndStartChars(ParserTables& t) {
    defineToken(t, 1, runsUntil(kCr));
    defineToken(t, 8, runsThrough("}"));
    defineToken(t, 9, runsThrough("*)"));
    defineToken(t, 11, continuesOver(digits()));
    defineToken(t, 12, continuesOver(hexDigits()));

    const CharSet blanks{kTab, kCr, ' '};
    addStartChars(t, blanks, {kCode}, 0, continuesOver(blanks));
    addStartChars(t, chars("$"), {kCode}, 6, continuesOver(hexDigits()));
    addStartChars(t, chars("'"), {kCode}, 3, kStdPascalString);
    addStartChars(t, chars(".") | digits(), {kCode}, 4, kStdNumberOrFp);
    addStartChars(t, letters() | chars("_"), {kCode}, 2, kStdIdentifier);
}

void addStyles(ParserTables& t) {
    setStyles(t, {{0, plain(kBlack)},
                  {2, plain(kBlack)},
                  {3, italic(kBlack)},
                  {4, plain(kGreen)},
                  {5, italic(kBlue)},
                  {7, bold(kBlack)},
                  {10, plain(kBlack)}});
    mapTokens(t, {{1, 5},
                  {2, 2},
                  {3, 3},
                  {4, 4},
                  {5, 5},
                  {6, 4},
                  {7, 7},
                  {8, 5},
                  {9, 5},
                  {10, 10},
                  {11, 3},
                  {12, 3},
                  {20, 10}});
    mapTokenRange(t, 21, 29, 7);
}

void addTransitions(ParserTables& t) {
    setTransition(t, {21}, validIn({kCode}).entering({kProperty}));
    setTransition(t, {26}, validIn({kCode}).entering({kExports}));
    setTransition(t, {20}, validIn({kCode}).leaving({kProperty, kExports}));
    setTransition(t, {22, 23, 24, 25}, validIn({kProperty}));
    setTransition(t, {27, 28, 29}, validIn({kExports}));
}

} // namespace

ParserTables PascalLanguage() {
    ParserTables t;
    setHeader(t);
    addKeywordList(t);
    addTokensAndStartChars(t);
    addStyles(t);
    addTransitions(t);
    return t;
}

} // namespace velloran
