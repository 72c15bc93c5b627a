// The helpers the built-in languages are written with. Mistakes in a language's lists
// (a token number out of range, an over-long terminator) raise an error at build time
// instead of being stored truncated.
#include "editor/languages/languagebuilder.h"

#include "platform/errors.h"

#include <cctype>
#include <string>

namespace velloran::lang {

namespace {

std::uint8_t checkedIndex(int value, const char* what) {
    if (value < 0 || value > 255)
        throw VelloranError(std::string(what) + " " + std::to_string(value) +
                            " is out of range (0 to 255)");
    return static_cast<std::uint8_t>(value);
}

std::string storedWord(const ParserTables& tables, std::string_view word) {
    if (word.empty())
        throw VelloranError("a keyword is empty");
    std::string stored(word);
    if (!tables.header.caseSensitive)
        for (char& c : stored)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return stored;
}

TextStyle styleOf(std::uint8_t fontStyle, Color color) {
    TextStyle style;
    style.fontStyle = fontStyle;
    style.color = color;
    style.defined = true;
    return style;
}

} // namespace

LanguageHeader& sharedHeader(ParserTables& tables) {
    LanguageHeader& h = tables.header;
    h.rightMargin = 80;
    h.indentStep = 1;
    h.selectedText = 0xFFFFFF;
    h.selectedBack = 0x800000;
    tables.fontName = "Courier New";
    tables.fontSize = 10;
    return h;
}

void setEditableStyles(ParserTables& tables, std::initializer_list<EditableStyle> styles) {
    auto& slots = tables.header.editableStyles;
    if (styles.size() > slots.size())
        throw VelloranError("a language offers at most " + std::to_string(slots.size()) +
                            " editable styles");
    slots = {};
    std::size_t i = 0;
    for (const EditableStyle& style : styles)
        slots[i++] = style;
}

void addKeywords(ParserTables& tables, int token, CharSet states, CharSet follow, Words words) {
    const std::uint8_t id = checkedIndex(token, "token");
    for (const std::string_view word : words)
        tables.keywords.push_back({storedWord(tables, word), follow, states, id});
}

void addKeywords(ParserTables& tables, int token, CharSet states, CharSet follow, WordList words) {
    addKeywords(tables, token, states, follow, Words(words.begin(), words.size()));
}

void addKeywordTokens(ParserTables& tables, int firstToken, CharSet states, CharSet follow,
                      Words words) {
    int token = firstToken;
    for (const std::string_view word : words)
        addKeywords(tables, token++, states, follow, {word});
}

void addKeywordTokens(ParserTables& tables, int firstToken, CharSet states, CharSet follow,
                      WordList words) {
    addKeywordTokens(tables, firstToken, states, follow, Words(words.begin(), words.size()));
}

TokenDefinition runsThrough(std::string_view terminator) {
    TokenDefinition d;
    if (terminator.empty() || terminator.size() > d.terminator.size())
        throw VelloranError("a terminator has 1 to 4 characters, not \"" + std::string(terminator) +
                            "\"");
    d.present = true;
    // Tested before the first body character too, so that "/**/" or an empty line
    // comment ends where it should.
    d.checkFirst = true;
    d.body = anyChar();
    d.includeTerminator = true;
    d.terminatorLength = static_cast<std::int32_t>(terminator.size());
    for (std::size_t i = 0; i < terminator.size(); ++i)
        d.terminator[i] = chars(terminator.substr(i, 1));
    return d;
}

TokenDefinition runsThroughOneOf(CharSet terminators) {
    TokenDefinition d = runsThrough(" ");
    d.terminator[0] = terminators;
    return d;
}

TokenDefinition runsUntil(int terminator) {
    TokenDefinition d = runsThrough(" ");
    d.terminator[0] = CharSet{terminator};
    d.includeTerminator = false;
    return d;
}

TokenDefinition continuesOver(CharSet body) {
    TokenDefinition d;
    d.present = true;
    d.body = body;
    return d;
}

TokenDefinition continuesWithHandler(int handlerId) {
    TokenDefinition d;
    d.present = true;
    d.bodyHandler = true;
    d.bodyHandlerId = handlerId;
    return d;
}

void defineToken(ParserTables& tables, int token, const TokenDefinition& definition) {
    tables.tokens[checkedIndex(token, "token")] = definition;
}

void addStartChars(ParserTables& tables, CharSet characters, CharSet states, int token,
                   int handlerId) {
    const std::uint8_t id = checkedIndex(token, "token");
    for (int c = 0; c < 256; ++c)
        if (characters.has(c))
            tables.startChars[c] = {true, true, handlerId, states, {}, id};
}

void addStartChars(ParserTables& tables, CharSet characters, CharSet states, int token,
                   const TokenDefinition& definition) {
    const std::uint8_t id = checkedIndex(token, "token");
    for (int c = 0; c < 256; ++c)
        if (characters.has(c))
            tables.startChars[c] = {true, false, 0, states, definition, id};
}

TextStyle plain(Color color) {
    return styleOf(0, color);
}

TextStyle bold(Color color) {
    return styleOf(kBold, color);
}

TextStyle italic(Color color) {
    return styleOf(kItalic, color);
}

TextStyle underlined(Color color) {
    return styleOf(kUnderline, color);
}

TextStyle hotspot(TextStyle style) {
    style.hotspot = true;
    return style;
}

void setStyles(ParserTables& tables, std::initializer_list<std::pair<int, TextStyle>> styles) {
    for (const auto& [number, style] : styles)
        tables.styles[checkedIndex(number, "style")] = style;
}

void mapTokens(ParserTables& tables, std::initializer_list<std::pair<int, int>> tokenStyles) {
    for (const auto& [token, style] : tokenStyles)
        tables.map[checkedIndex(token, "token")] = checkedIndex(style, "style");
}

void mapTokenRange(ParserTables& tables, int firstToken, int lastToken, int style) {
    for (int token = firstToken; token <= lastToken; ++token)
        mapTokens(tables, {{token, style}});
}

Transition Transition::entering(CharSet states) const {
    Transition t = *this;
    t.m_transition.enter = states;
    return t;
}

Transition Transition::leaving(CharSet states) const {
    Transition t = *this;
    t.m_transition.leave = states;
    return t;
}

Transition Transition::asContainer() const {
    Transition t = *this;
    t.m_transition.container = true;
    return t;
}

void setTransition(ParserTables& tables, Tokens tokens, const Transition& transition) {
    for (const int token : tokens)
        tables.transitions[checkedIndex(token, "token")] = transition.get();
}

} // namespace velloran::lang
