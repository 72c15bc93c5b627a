// The tables a highlighting language is made of: the header, keywords, token and
// start-character definitions, styles, the token-to-style map, state transitions and
// key bindings. Parser images store them; the parser runtime reads them.
#pragma once

#include "editor/charset.h"
#include "editor/commands.h"
#include "editor/stylesheet.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velloran {

// Built-in handler ids of token definitions and start characters.
enum HandlerId : int {
    kPascalChar = 0,     // _PASCAL_CHAR
    kWebChar = 1,        // _WEB_CHAR
    kOriginalChar = 2,   // _ORIGINAL_CHAR
    kStdIdentifier = 10, // __STD_IDENTIFIER
    kStdNumberOrFp = 11, // __STD_NUMBER_OR_FP
    kStdPascalString = 12,
    kStdCString = 13,
    kStdCChar = 14,
    kStdCNumberOrFpSigned = 15,
    kStdNumber = 16,
    kStdMailUrl = 17,
    kStdHtmlString = 18,
    // Script of today's web.
    kJsIdentifier = 19,    // letters, digits, "_", "$" and non-ASCII bytes
    kJsNumber = 20,        // decimal, 0x, 0o and 0b numbers with "_" separators and BigInt "n"
    kJsRegex = 21,         // a regular expression's body after its "/", and its flags
    kJsTemplateText = 22,  // template literal text up to its closing "`" or the next "${"
    kJsTemplateToEnd = 23, // a whole template literal up to and including its closing "`"
    kLastHandler = kJsTemplateToEnd,
};

// The "end of text" member of terminator sets.
constexpr int kEndOfText = 255;

struct EditableStyle {
    std::string name; // at most 25 bytes
    std::uint8_t style = 0;
    friend bool operator==(const EditableStyle&, const EditableStyle&) = default;
};

struct LanguageHeader {
    std::string sampleText;                         // at most 255 bytes, lines end in CR
    std::array<EditableStyle, 10> editableStyles;   // empty name = unused slot
    std::string languageName = "<Custom language>"; // at most 35 bytes
    std::uint32_t options = 0x17DBF0;
    bool caseSensitive = false;
    std::int32_t rightMargin = 80;
    std::int32_t wrapColumn = 0;
    std::int32_t gutter = 34;
    std::int32_t indentStep = 1;
    std::string wrapOverride; // at most 20 bytes
    std::uint8_t anchorToken = 0;
    CharSet startStates{0};
    Color selectedText = 0xFFFFFF;
    Color selectedBack = 0x800000;
    friend bool operator==(const LanguageHeader&, const LanguageHeader&) = default;
};

struct KeywordEntry {
    std::string word;
    CharSet follow; // the character after the word must be one of these
    CharSet states; // the states the word is recognised in
    std::uint8_t token = 0;
    friend bool operator==(const KeywordEntry&, const KeywordEntry&) = default;
};

// How a token continues after its first characters or keyword.
struct TokenDefinition {
    bool present = false;
    bool checkFirst = false; // test the terminator before the first body character
    CharSet body;
    bool bodyHandler = false;
    bool bodyCustom = false;
    std::int32_t bodyHandlerId = 0;
    bool includeTerminator = false;
    bool terminatorHandler = false;
    bool terminatorCustom = false;
    std::int32_t terminatorHandlerId = 0;
    std::int32_t terminatorLength = 0; // 1 to 4 characters
    std::array<CharSet, 4> terminator{};
    friend bool operator==(const TokenDefinition&, const TokenDefinition&) = default;
};

// A token that starts with a given character when no keyword matched.
struct StartCharDefinition {
    bool present = false;
    bool standardHandler = false; // scanned entirely by handler `handlerId`
    std::int32_t handlerId = 0;
    CharSet states;
    TokenDefinition definition; // used without a standard handler
    std::uint8_t token = 0;
    friend bool operator==(const StartCharDefinition&, const StartCharDefinition&) = default;
};

struct StateTransition {
    CharSet valid{0};
    CharSet enter;
    CharSet leave;
    bool container = false;
    friend bool operator==(const StateTransition&, const StateTransition&) = default;
};

struct ParserTables {
    LanguageHeader header;
    std::int32_t fontSize = 10;
    std::string fontName = "Courier New";
    std::vector<KeywordEntry> keywords; // in insertion order
    std::array<TokenDefinition, 256> tokens{};
    std::array<StartCharDefinition, 256> startChars{};
    std::array<TextStyle, 256> styles{};
    std::array<std::uint8_t, 256> map{};
    std::array<StateTransition, 256> transitions{};
    KeyTable keys = DefaultKeyTable();

    ParserTables() { styles[0].defined = true; }
    friend bool operator==(const ParserTables&, const ParserTables&) = default;
};

// What a user may change of a language without touching its rules: the header, the
// styles, the font and the key table.
struct ParserLook {
    LanguageHeader header;
    std::array<TextStyle, 256> styles{};
    std::string fontName;
    std::int32_t fontSize = 10;
    KeyTable keys;
    friend bool operator==(const ParserLook&, const ParserLook&) = default;
};

} // namespace velloran
