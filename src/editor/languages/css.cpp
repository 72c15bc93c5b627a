// The built-in CSS language: selectors, at-rules, properties and values of today's style
// sheets.
#include "editor/languages/cssrules.h"
#include "editor/languages/languagebuilder.h"
#include "editor/languages/languages.h"

namespace velloran {

namespace {

using namespace lang;

constexpr CssStates kStates = {0, 1, 2, 3, 4, 5, 6};
constexpr CssTokens kTokens = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                               14, 15, 16, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29};
// A name none of the lists knows, in any state.
constexpr int kName = 30;

constexpr const char* kSample = "/* A small sheet */\r"
                                "@media (min-width: 40em) {\r"
                                "  nav a:hover { color: #C00; }\r"
                                "}\r"
                                "body.home { margin: 0 !important; --gap: 8px;\r"
                                "  font: 1rem/1.5 \"Verdana\", sans-serif; padding: var(--gap);\r"
                                "  background: url(paper.png) white; }";

void setHeader(ParserTables& t) {
    LanguageHeader& h = sharedHeader(t);
    h.languageName = "CSS";
    h.sampleText = kSample;
    h.caseSensitive = false;
    h.wrapColumn = 0;
    h.gutter = 34;
    h.wrapOverride = "";
    // A rule closed at the top level: the states there are the start states again.
    h.anchorToken = static_cast<std::uint8_t>(kTokens.closeTop);
    h.startStates = {kStates.rules};
    h.options = 0x055BF0;
    setEditableStyles(t, {{"Comment", 2},
                          {"Selector", 20},
                          {"Class, id and pseudo", 21},
                          {"At-rule", 22},
                          {"Property", 23},
                          {"Value", 24},
                          {"Number", 25},
                          {"Colour", 26},
                          {"String", 27},
                          {"Default", 0}});
}

void addNames(ParserTables& t) {
    const CharSet all = kStates.all();
    addStartChars(t, letters() | chars("-_") | charRange(0x80, 0xFE), all, kName,
                  continuesOver(cssNameChars()));
    addStartChars(t, digits(), all, kTokens.number,
                  continuesOver(digits() | letters() | chars(".%")));
    setTransition(t, {kName}, validIn(all));
}

void addStyles(ParserTables& t) {
    setStyles(t, {{0, plain(kBlack)},
                  {2, italic(kBlue)},
                  {20, bold(kBlue)},
                  {21, bold(0x808000)},
                  {22, bold(0x800080)},
                  {23, plain(0x800000)},
                  {24, plain(kGreen)},
                  {25, plain(kRed)},
                  {26, plain(0x0080FF)},
                  {27, plain(0x000080)}});
    const CssTokens& k = kTokens;
    mapTokens(t, {{k.comment, 2},
                  {k.element, 20},
                  {k.attribute, 20},
                  {k.classOrId, 21},
                  {k.pseudo, 21},
                  {k.blockAtRule, 22},
                  {k.atRule, 22},
                  {k.important, 22},
                  {k.property, 23},
                  {k.customProperty, 23},
                  {k.valueWord, 24},
                  {k.function, 24},
                  {k.number, 25},
                  {k.color, 26},
                  {k.string, 27},
                  {k.url, 27}});
}

} // namespace

ParserTables CssLanguage() {
    ParserTables t;
    setHeader(t);
    addCssRules(t, kStates, kTokens);
    addNames(t);
    addStyles(t);
    return t;
}

} // namespace velloran
