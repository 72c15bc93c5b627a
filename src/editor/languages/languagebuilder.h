// The vocabulary the built-in languages are written in, so that each language's source
// reads like its lists of keywords, token definitions, start characters, styles and states.
#pragma once

#include "editor/parsertables.h"

#include <initializer_list>
#include <span>
#include <string_view>
#include <utility>

namespace velloran::lang {

constexpr int kTab = 9;
constexpr int kCr = 13;

constexpr Color kBlack = 0x000000;
constexpr Color kRed = 0x0000FF;
constexpr Color kGreen = 0x008000;
constexpr Color kBlue = 0xFF0000;
constexpr Color kSilver = 0xC0C0C0;

using Words = std::span<const std::string_view>;
using WordList = std::initializer_list<std::string_view>;
using Tokens = std::initializer_list<int>;

// ---- Character sets -------------------------------------------------------------------

[[nodiscard]] constexpr CharSet anyChar() {
    return CharSet{}.complement();
}

[[nodiscard]] constexpr CharSet chars(std::string_view members) {
    CharSet set;
    set.addAll(members);
    return set;
}

[[nodiscard]] constexpr CharSet charRange(int first, int last) {
    CharSet set;
    set.addRange(first, last);
    return set;
}

[[nodiscard]] constexpr CharSet letters() {
    return charRange('A', 'Z') | charRange('a', 'z');
}

[[nodiscard]] constexpr CharSet digits() {
    return charRange('0', '9');
}

[[nodiscard]] constexpr CharSet hexDigits() {
    return digits() | charRange('a', 'f') | charRange('A', 'F');
}

// Control characters and the space.
[[nodiscard]] constexpr CharSet controlAndSpace() {
    return charRange(0, ' ');
}

// Everything that cannot continue a word: a keyword followed by one of these is whole.
[[nodiscard]] constexpr CharSet wordEnd() {
    return (letters() | digits() | chars("_")).complement();
}

// ---- Header ---------------------------------------------------------------------------

// What every built-in language shares: right margin 80, indent step 1, white selected
// text on navy, "Courier New" 10. Returns the header for the rest to be filled in.
LanguageHeader& sharedHeader(ParserTables& tables);

// The styles the options dialog offers for editing, in the order it lists them.
void setEditableStyles(ParserTables& tables, std::initializer_list<EditableStyle> styles);

// ---- Keywords -------------------------------------------------------------------------

// One entry per word, all giving `token`. Words of a case-insensitive language are stored
// in lower case, so set the header's case sensitivity first.
void addKeywords(ParserTables& tables, int token, CharSet states, CharSet follow, Words words);
void addKeywords(ParserTables& tables, int token, CharSet states, CharSet follow, WordList words);

// One entry per word, the words giving consecutive tokens from `firstToken`.
void addKeywordTokens(ParserTables& tables, int firstToken, CharSet states, CharSet follow,
                      Words words);
void addKeywordTokens(ParserTables& tables, int firstToken, CharSet states, CharSet follow,
                      WordList words);

// ---- Token definitions ----------------------------------------------------------------

// Runs over anything up to and including `terminator` (1 to 4 characters).
[[nodiscard]] TokenDefinition runsThrough(std::string_view terminator);

// Runs over anything up to and including the first member of `terminators`.
[[nodiscard]] TokenDefinition runsThroughOneOf(CharSet terminators);

// Runs over anything up to, but not including, `terminator`.
[[nodiscard]] TokenDefinition runsUntil(int terminator);

// Continues while the characters are members of `body`; the first other one ends it.
[[nodiscard]] TokenDefinition continuesOver(CharSet body);

// Continues for as long as built-in handler `handlerId` accepts the characters.
[[nodiscard]] TokenDefinition continuesWithHandler(int handlerId);

void defineToken(ParserTables& tables, int token, const TokenDefinition& definition);

// ---- Start characters -----------------------------------------------------------------

// Each of `characters` starts a token scanned entirely by built-in handler `handlerId`.
void addStartChars(ParserTables& tables, CharSet characters, CharSet states, int token,
                   int handlerId);

// Each of `characters` starts a token that goes on as `definition` says.
void addStartChars(ParserTables& tables, CharSet characters, CharSet states, int token,
                   const TokenDefinition& definition);

// ---- Styles and the token-to-style map ------------------------------------------------

[[nodiscard]] TextStyle plain(Color color);
[[nodiscard]] TextStyle bold(Color color);
[[nodiscard]] TextStyle italic(Color color);
[[nodiscard]] TextStyle underlined(Color color);
// The same look, and the mouse can follow it (web and mail addresses).
[[nodiscard]] TextStyle hotspot(TextStyle style);

void setStyles(ParserTables& tables, std::initializer_list<std::pair<int, TextStyle>> styles);

// Pairs of token and style.
void mapTokens(ParserTables& tables, std::initializer_list<std::pair<int, int>> tokenStyles);
void mapTokenRange(ParserTables& tables, int firstToken, int lastToken, int style);

// ---- State transitions ----------------------------------------------------------------

// Built as validIn({...}).entering({...}).leaving({...}).asContainer().
class Transition {
public:
    explicit Transition(CharSet valid) { m_transition.valid = valid; }

    [[nodiscard]] Transition entering(CharSet states) const;
    [[nodiscard]] Transition leaving(CharSet states) const;
    [[nodiscard]] Transition asContainer() const;
    [[nodiscard]] const StateTransition& get() const noexcept { return m_transition; }

private:
    StateTransition m_transition;
};

[[nodiscard]] inline Transition validIn(CharSet states) {
    return Transition(states);
}

void setTransition(ParserTables& tables, Tokens tokens, const Transition& transition);

} // namespace velloran::lang
