// The built-in HTML language: tags, attributes, entities and web addresses, with script
// code highlighted inside script elements.
#include "editor/languages/languagebuilder.h"
#include "editor/languages/languages.h"
#include "editor/languages/scriptwords.h"

namespace velloran {

namespace {

using namespace lang;

// States.
constexpr int kText = 0;
constexpr int kTagStart = 1; // inside a tag, before its name
constexpr int kString = 2;
constexpr int kAttributes = 3; // inside a tag, after its name
constexpr int kScript = 4;
constexpr int kScriptCode = 5; // script code inside a comment in a script element

constexpr const char* kSample = "<!-- A short page -->\r"
                                "<html>\r"
                                "<head><title>Sample page</title></head>\r"
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
                          {"Default", 0}});
}

void addTagKeywords(ParserTables& t) {
    addKeywords(t, 22, {kText}, anyChar(), {"</", "<", "<!"});
    addKeywords(t, 24, {kText}, anyChar(), {"<!--"});
    addKeywords(t, 34, {kText}, anyChar(), {"</script"});
    addKeywords(t, 20, {kTagStart}, wordEnd(),
                {"a",          "address",  "applet",  "b",       "basefont", "big",    "blink",
                 "blockquote", "body",     "br",      "caption", "center",   "cite",   "code",
                 "dd",         "dir",      "div",     "dl",      "doctype",  "dt",     "em",
                 "embed",      "font",     "form",    "frame",   "frameset", "h",      "h1",
                 "h2",         "h3",       "h4",      "h5",      "h6",       "head",   "hr",
                 "html",       "i",        "img",     "input",   "isindex",  "kbd",    "li",
                 "link",       "mark",     "marquee", "menu",    "meta",     "nextid", "nobr",
                 "noframes",   "ol",       "option",  "p",       "pre",      "samp",   "select",
                 "small",      "sound",    "strike",  "strong",  "sub",      "sup",    "table",
                 "td",         "textarea", "th",      "title",   "tr",       "tt",     "u",
                 "ul",         "var",      "wbr"});
    addKeywords(t, 50, {kTagStart}, wordEnd(), {"script"});
    addKeywords(t, 29, {kTagStart}, wordEnd(), {"align", "alt"});
    addKeywords(t, 29, {kAttributes}, wordEnd(),
                {"codebase", "height", "href", "hspace", "methods", "name", "rel", "rev", "target",
                 "urn", "value", "vspace", "width"});
    addKeywords(t, 23, {kTagStart, kAttributes}, anyChar(), {">"});
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

void addScriptKeywords(ParserTables& t) {
    addKeywords(t, 35, {kScript}, anyChar(), {"<!---"});
    addKeywords(t, 36, {kScript, kScriptCode}, anyChar(), {"-->"});
    addKeywords(t, 1, {kScriptCode}, wordEnd(), kScriptReservedWords);
    addKeywords(t, 10, {kScriptCode}, wordEnd(), kScriptFunctions);
    addKeywords(t, 9, {kScriptCode}, anyChar(), kScriptOperators);
    addKeywords(t, 3, {kScriptCode}, anyChar(), {"/*"});
    addKeywords(t, 4, {kScriptCode}, anyChar(), {"//"});
    addKeywords(t, 5, {kScriptCode}, anyChar(), {"\""});
    addKeywords(t, 11, {kScriptCode}, chars("Xx"), {"0"});
}

void addTokensAndStartChars(ParserTables& t) {
    defineToken(t, 3, runsThrough("*/"));
    defineToken(t, 4, runsUntil(kCr));
    defineToken(t, 24, runsThrough("->"));
    defineToken(t, 11, continuesOver(hexDigits() | chars("xX")));
    defineToken(t, 31, continuesWithHandler(kWebChar));
    defineToken(t, 32, continuesWithHandler(kStdMailUrl));
    defineToken(t, 5, continuesWithHandler(kStdCChar));

    const CharSet codeStates = {kTagStart, kAttributes, kScriptCode};
    addStartChars(t, controlAndSpace(), {kText, kTagStart, kAttributes, kScriptCode}, 25,
                  continuesOver(controlAndSpace()));
    addStartChars(t, chars("\""), codeStates, 27, kStdCString);
    addStartChars(t, chars("&"), {kText}, 180, runsThroughOneOf(CharSet{kCr, ' ', ';'}));
    addStartChars(t, chars(".") | digits(), codeStates, 30, kStdNumberOrFp);
    addStartChars(t, letters() | chars("_"), codeStates, 26, kStdIdentifier);
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
                  {180, italic(kBlack)}});
    mapTokens(t, {{1, 1},   {2, 2},   {3, 2},   {4, 2},    {5, 5},   {6, 5},   {7, 7},
                  {8, 8},   {10, 10}, {11, 8},  {20, 20},  {22, 20}, {23, 20}, {24, 24},
                  {26, 29}, {27, 27}, {29, 29}, {30, 30},  {31, 31}, {32, 31}, {34, 20},
                  {35, 2},  {36, 2},  {50, 20}, {180, 180}});
}

void addTransitions(ParserTables& t) {
    setTransition(t, {22}, validIn({kText}).entering({kTagStart}));
    setTransition(t, {20}, validIn({kTagStart}).entering({kAttributes}).leaving({kTagStart}));
    setTransition(t, {50}, validIn({kTagStart}).entering({kScript}));
    setTransition(t, {23}, validIn({kTagStart, kAttributes}).leaving({kTagStart, kAttributes}));
    setTransition(t, {34}, validIn({kText}).entering({kTagStart}).leaving({kScript}));
    setTransition(t, {35}, validIn({kScript}).entering({kScriptCode}));
    setTransition(t, {36}, validIn({kScript, kScriptCode}).leaving({kScriptCode}));
    setTransition(t, {27},
                  validIn({kText, kTagStart, kAttributes, kScriptCode})
                      .entering({kString})
                      .leaving({kText, kTagStart, kAttributes})
                      .asContainer());
    setTransition(t, {29}, validIn({kAttributes}));
    setTransition(t, {31, 32}, validIn({kText, kTagStart, kString, kAttributes}));
    setTransition(t, {25, 26, 30}, validIn({kText, kTagStart, kAttributes, kScriptCode}));
    setTransition(t, {1, 3, 4, 5, 9, 10, 11}, validIn({kScriptCode}));
}

} // namespace

ParserTables HtmlLanguage() {
    ParserTables t;
    setHeader(t);
    addTagKeywords(t);
    addTextKeywords(t);
    addScriptKeywords(t);
    addTokensAndStartChars(t);
    addStyles(t);
    addTransitions(t);
    return t;
}

} // namespace velloran
