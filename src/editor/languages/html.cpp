// The built-in HTML language: tags, attributes, entities and web addresses, with script
// elements highlighted as JavaScript and style elements as CSS.
#include "editor/languages/cssrules.h"
#include "editor/languages/htmlwords.h"
#include "editor/languages/languagebuilder.h"
#include "editor/languages/languages.h"
#include "editor/languages/scriptrules.h"
#include "editor/languages/scriptwords.h"

namespace velloran {

namespace {

using namespace lang;

// States.
constexpr int kText = 0;
constexpr int kTagStart = 1; // inside a tag, before its name
constexpr int kString = 2;
constexpr int kAttributes = 3; // inside a tag, after its name
constexpr int kScript = 4;     // script code in a script element
constexpr int kScriptCode = 5; // the same inside the comment that hid it from old browsers
constexpr int kScriptTag = 6;  // the attributes of a script tag
constexpr int kStyleTag = 7;   // the attributes of a style tag
constexpr ScriptStates kScriptStates = {kScript, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
constexpr CssStates kCssStates = {20, 21, 22, 23, 24, 25, 26};

// Tokens of script code beyond the classic ones.
constexpr int kScriptQuote = 6; // a string in single quotes
constexpr int kScriptRegex = 12;
constexpr int kScriptDeepTemplate = 13;
constexpr int kScriptOperand = 14; // ")", "]", "++" and "--", after which "/" divides
constexpr TemplateTokens kTemplateTokens = {
    60, 61, 62, kScriptDeepTemplate, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74,
    75, 76, 77, kScriptRegex,        78, 79};
// Tokens of the tags that switch language, and of leaving style.
constexpr int kScriptTagEnd = 37;
constexpr int kSwitchTagString = 38;
constexpr int kStyleTagEnd = 39;
constexpr int kStyleEnd = 40;
constexpr int kStyleTagName = 51;
constexpr int kPrefixedAttribute = 28; // "data-…" and "aria-…"
constexpr CssTokens kCssTokens = {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112,
                                  113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125};
constexpr int kStyleSelector = 40; // styles
constexpr int kStyleProperty = 41;

constexpr const char* kSample = "<!-- A short page -->\r"
                                "<html>\r"
                                "<head><title>Sample page</title>\r"
                                "<style>p.note { color: red; }</style></head>\r"
                                "<body>\r"
                                "<p align=\"center\">Hello&nbsp;world</p>\r"
                                "<a href=\"mailto:someone@example.com\">Write to us</a>\r"
                                "</body>\r"
                                "</html>";

void setHeader(ParserTables& t) {
    LanguageHeader& h = sharedHeader(t);
    h.languageName = "HTML";
    h.sampleText = kSample;
    h.caseSensitive = false;
    h.wrapColumn = 0;
    h.gutter = 34;
    h.wrapOverride = "";
    h.anchorToken = 22;
    h.startStates = {kText};
    h.options = 0x055BF0;
    setEditableStyles(t, {{"Comment", 24},
                          {"String", 27},
                          {"Tag name", 20},
                          {"Field name", 29},
                          {"Special char", 180},
                          {"Number", 30},
                          {"Web URLs", 31},
                          {"Default", 0},
                          {"Style selector", kStyleSelector},
                          {"Style property", kStyleProperty}});
}

// Where an end tag leaves whatever language its element held.
CharSet endTagStates() {
    return kScriptStates.code() | kCssStates.all() | CharSet{kText, kScriptCode};
}

CharSet attributeNameEnd() {
    return (letters() | digits() | chars("_-")).complement();
}

void addTagKeywords(ParserTables& t) {
    const CharSet attributeStates = {kAttributes, kScriptTag, kStyleTag};
    // Both end tags end either embedded language. Added after the script's operators and
    // before the text's "<", they share one path with the latter in the trie.
    addKeywords(t, 34, endTagStates(), anyChar(), {"</script"});
    addKeywords(t, kStyleEnd, endTagStates(), anyChar(), {"</style"});
    addKeywords(t, 22, {kText}, anyChar(), {"</", "<", "<!"});
    addKeywords(t, 24, {kText}, anyChar(), {"<!--"});
    addKeywords(t, 20, {kTagStart}, wordEnd(), kClassicTagNames);
    addKeywords(t, 20, {kTagStart}, attributeNameEnd(), kModernTagNames);
    addKeywords(t, 50, {kTagStart}, wordEnd(), {"script"});
    addKeywords(t, kStyleTagName, {kTagStart}, attributeNameEnd(), {"style"});
    addKeywords(t, 29, {kTagStart}, wordEnd(), {"align", "alt"});
    // The wider states first, so that the classic words share their paths in the trie:
    // a tag's attributes are then looked up along one path instead of two.
    addKeywords(t, 29, attributeStates, attributeNameEnd(), kModernAttributeNames);
    addKeywords(t, kPrefixedAttribute, attributeStates, anyChar(), kAttributePrefixes);
    addKeywords(t, 29, {kAttributes}, wordEnd(),
                {"codebase", "height", "href", "hspace", "methods", "name", "rel", "rev", "target",
                 "urn", "value", "vspace", "width"});
    addKeywords(t, 23, {kTagStart, kAttributes}, anyChar(), {">", "/>"});
    addKeywords(t, kScriptTagEnd, {kScriptTag}, anyChar(), {">"});
    addKeywords(t, kStyleTagEnd, {kStyleTag}, anyChar(), {">"});
    addKeywords(t, kSwitchTagString, {kScriptTag, kStyleTag}, anyChar(), {"\""});
}

void addTextKeywords(ParserTables& t) {
    addKeywords(t, 180, {kText}, anyChar(),
                {"&szlig;",  "&aacute;", "&agrave;", "&acirc;",  "&atilde;", "&aring;",
                 "&auml;",   "&aelig;",  "&ccedil;", "&eacute;", "&egrave;", "&ecirc;",
                 "&euml;",   "&iacute;", "&igrave;", "&icirc;",  "&iuml;",   "&eth;",
                 "&ntilde;", "&oacute;", "&ograve;", "&ocirc;",  "&otilde;", "&ouml;",
                 "&oslash;", "&uacute;", "&ugrave;", "&ucirc;",  "&uuml;",   "&yacute;",
                 "&thorn;",  "&yuml;",   "&reg;",    "&copy;",   "&trade;",  "&nbsp;"});
    const CharSet urlStates = {kText, kTagStart, kString, kAttributes};
    addKeywords(t, 31, urlStates, anyChar(),
                {"http://", "ftp://", "news:", "telnet://", "gopher://", "nntp://", "wais://",
                 "newsrc://", "file://"});
    addKeywords(t, 32, urlStates, anyChar(), {"mailto:"});
}

void addScriptOperators(ParserTables& t, Words operators) {
    for (const std::string_view op : operators) {
        const bool endsOperand = op == ")" || op == "]" || op == "++" || op == "--";
        addKeywords(t, endsOperand ? kScriptOperand : 9, kScriptStates.operatorStates(op),
                    anyChar(), {op});
    }
}

void addScriptKeywords(ParserTables& t) {
    const CharSet code = kScriptStates.code();
    // The comment that hid scripts from browsers without them leaves the code inside coloured.
    addKeywords(t, 35, {kScript}, anyChar(), {"<!---", "<!--"});
    addKeywords(t, 36, {kScript, kScriptCode}, anyChar(), {"-->"});
    addKeywords(t, 1, code, scriptWordEnd(), kScriptReservedWords);
    addKeywords(t, 1, code, scriptWordEnd(), kModernScriptWords);
    addKeywords(t, 10, code, scriptWordEnd(), kScriptFunctions);
    addScriptOperators(t, kScriptOperators);
    addScriptOperators(t, kModernScriptOperators);
    addKeywords(t, 3, code, anyChar(), {"/*"});
    addKeywords(t, 4, code, anyChar(), {"//"});
    addKeywords(t, 5, code, anyChar(), {"\""});
    addKeywords(t, kScriptQuote, code, anyChar(), {"'"});
    addKeywords(t, 11, code, chars("Xx"), {"0"});
    addTemplatesAndRegex(t, kScriptStates, kTemplateTokens);
}

void addStyleKeywords(ParserTables& t) {
    addCssRules(t, kCssStates, kCssTokens);
}

// Where names and numbers of no list, and blanks, are their own tokens.
CharSet nameStates() {
    return CharSet{kTagStart, kAttributes, kScriptCode, kScriptTag, kStyleTag} |
           kScriptStates.code() | kCssStates.all();
}

CharSet blankStates() {
    return nameStates() | CharSet{kText};
}

void addTokensAndStartChars(ParserTables& t) {
    defineToken(t, 3, runsThrough("*/"));
    defineToken(t, 4, runsUntil(kCr));
    defineToken(t, 24, runsThrough("->"));
    defineToken(t, 11, continuesOver(hexDigits() | chars("xX_n")));
    defineToken(t, 31, continuesWithHandler(kWebChar));
    defineToken(t, 32, continuesWithHandler(kStdMailUrl));
    defineToken(t, 5, continuesWithHandler(kStdCChar));
    defineToken(t, kScriptQuote, continuesWithHandler(kStdCChar));
    defineToken(t, kSwitchTagString, continuesWithHandler(kStdHtmlString));
    defineToken(t, kPrefixedAttribute, continuesOver(letters() | digits() | chars("_-.:")));

    const CharSet codeStates = {kTagStart, kAttributes, kScriptCode};
    addStartChars(t, controlAndSpace(), blankStates(), 25, continuesOver(controlAndSpace()));
    addStartChars(t, chars("\""), codeStates, 27, kStdCString);
    addStartChars(t, chars("&"), {kText}, 180, runsThroughOneOf(CharSet{kCr, ' ', ';'}));
    addStartChars(t, chars(".") | digits(), nameStates(), 30, kStdNumberOrFp);
    addStartChars(t, letters() | chars("_"), nameStates(), 26, kStdIdentifier);
}

void addStyles(ParserTables& t) {
    setStyles(t, {{0, plain(kBlack)},
                  {1, bold(kBlack)},
                  {2, italic(kBlue)},
                  {5, italic(kBlack)},
                  {9, plain(kGreen)},
                  {10, bold(kBlack)},
                  {20, bold(kBlue)},
                  {24, plain(kGreen)},
                  {26, bold(kBlack)},
                  {27, plain(kRed)},
                  {29, bold(kBlack)},
                  {30, plain(kRed)},
                  {31, hotspot(underlined(kBlue))},
                  {180, italic(kBlack)},
                  {kStyleSelector, bold(0x808000)},
                  {kStyleProperty, plain(0x800000)}});
    mapTokens(t, {{1, 1},   {2, 2},   {3, 2},   {4, 2},    {5, 5},   {6, 5},   {7, 7},
                  {8, 8},   {10, 10}, {11, 8},  {20, 20},  {22, 20}, {23, 20}, {24, 24},
                  {26, 29}, {27, 27}, {29, 29}, {30, 30},  {31, 31}, {32, 31}, {34, 20},
                  {35, 2},  {36, 2},  {50, 20}, {180, 180}});
    mapTokens(t, {{kScriptOperand, 9},
                  {kScriptRegex, 5},
                  {kScriptDeepTemplate, 5},
                  {kScriptTagEnd, 20},
                  {kSwitchTagString, 27},
                  {kStyleTagEnd, 20},
                  {kStyleEnd, 20},
                  {kStyleTagName, 20},
                  {kPrefixedAttribute, 29}});
    mapTokenRange(t, kTemplateTokens.open1, kTemplateTokens.braceClose2b, 5);
    mapTokens(t, {{kTemplateTokens.braceOpenTop, 9}, {kTemplateTokens.braceCloseTop, 9}});
    const CssTokens& k = kCssTokens;
    mapTokens(t, {{k.comment, 2},
                  {k.element, 20},
                  {k.attribute, 20},
                  {k.classOrId, kStyleSelector},
                  {k.pseudo, kStyleSelector},
                  {k.blockAtRule, 1},
                  {k.atRule, 1},
                  {k.important, 1},
                  {k.property, kStyleProperty},
                  {k.customProperty, kStyleProperty},
                  {k.valueWord, 9},
                  {k.function, 9},
                  {k.number, 30},
                  {k.color, 30},
                  {k.string, 27},
                  {k.url, 27}});
}

void addTagTransitions(ParserTables& t) {
    const int division = kScriptStates.division;
    setTransition(t, {22}, validIn({kText}).entering({kTagStart}));
    setTransition(t, {20}, validIn({kTagStart}).entering({kAttributes}).leaving({kTagStart}));
    // The tags whose contents are another language leave the text behind until they end.
    setTransition(t, {50}, validIn({kTagStart}).entering({kScriptTag}).leaving({kText, kTagStart}));
    setTransition(t, {kStyleTagName},
                  validIn({kTagStart}).entering({kStyleTag}).leaving({kText, kTagStart}));
    setTransition(t, {23},
                  validIn({kTagStart, kAttributes}).leaving({kTagStart, kAttributes, division}));
    setTransition(t, {kScriptTagEnd},
                  validIn({kScriptTag})
                      .entering({kScript, kScriptStates.regex})
                      .leaving({kScriptTag, kScriptStates.division}));
    setTransition(t, {kStyleTagEnd},
                  validIn({kStyleTag})
                      .entering({kCssStates.rules})
                      .leaving({kStyleTag, kScriptStates.division}));
    setTransition(t, {kSwitchTagString}, validIn({kScriptTag, kStyleTag}));
    const CharSet embedded = kScriptStates.all() | kCssStates.all() | CharSet{kScript, kScriptCode};
    setTransition(t, {34, kStyleEnd},
                  validIn(endTagStates()).entering({kText, kTagStart}).leaving(embedded));
    // A string leaves "/" a division behind it in a tag, as a name before it did.
    setTransition(t, {27},
                  validIn({kText, kTagStart, kAttributes, kScriptCode})
                      .entering({kString})
                      .leaving({kText, kTagStart, kAttributes, kScriptStates.division})
                      .asContainer());
    setTransition(t, {29, kPrefixedAttribute}, validIn({kAttributes, kScriptTag, kStyleTag}));
    setTransition(t, {31, 32}, validIn({kText, kTagStart, kString, kAttributes}));
}

void addScriptTransitions(ParserTables& t) {
    const CharSet code = kScriptStates.code() | CharSet{kScriptCode};
    setTransition(t, {35}, validIn({kScript}).entering({kScriptCode}));
    setTransition(t, {36}, validIn({kScript, kScriptCode}).leaving({kScriptCode}));
    setTransition(t, {25}, validIn(blankStates()));
    setOperands(t, kScriptStates, nameStates(), {26, 30});
    setOperands(t, kScriptStates, code, {5, kScriptQuote, 10, 11, kScriptOperand});
    setOperators(t, kScriptStates, code, {1, 9});
    setTransition(t, {3, 4}, validIn(code));
}

} // namespace

ParserTables HtmlLanguage() {
    ParserTables t;
    setHeader(t);
    addScriptKeywords(t);
    addStyleKeywords(t);
    addTagKeywords(t);
    addTextKeywords(t);
    addTokensAndStartChars(t);
    addStyles(t);
    addTagTransitions(t);
    addScriptTransitions(t);
    return t;
}

} // namespace velloran
