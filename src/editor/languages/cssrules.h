// Style sheets as both the CSS language and HTML's style elements highlight them. Every
// construct starts with a keyword (a digit, "#", "." and ":" are keywords too), so the
// rules need none of the start characters, which HTML's tags already use.
#pragma once

#include "editor/languages/languagebuilder.h"

namespace velloran::lang {

// Where a style sheet can be. At-rules with blocks of rules (`@media`, `@supports`, …)
// put their rules in `atBlock`; a state set cannot count, so such blocks do not nest.
struct CssStates {
    int rules;     // selectors at the top level
    int atPrelude; // after an at-rule's name, up to its "{" or ";"
    int atBlock;   // selectors inside an at-rule's block
    int declarations;
    int value;
    int nestedDeclarations; // the declarations of a rule inside an at-rule's block
    int nestedValue;

    [[nodiscard]] CharSet all() const;
    [[nodiscard]] CharSet selectors() const { return {rules, atBlock}; }
    [[nodiscard]] CharSet names() const { return {declarations, nestedDeclarations}; }
    [[nodiscard]] CharSet values() const { return {value, nestedValue, atPrelude}; }
};

struct CssTokens {
    int comment;
    int element;     // type selectors and "*"
    int classOrId;   // ".name" and "#name"
    int pseudo;      // ":hover", "::before"
    int attribute;   // "[href^='http']"
    int blockAtRule; // `@media`, `@import` and the others with a prelude
    int atRule;      // `@font-face` and unknown at-rules: their block holds declarations
    int property;
    int customProperty; // "--name"
    int valueWord;
    int function; // "var(", "calc(", …
    int number;   // with its unit
    int color;    // "#rgb", "#rrggbb", named colours
    int string;
    int url;
    int important;
    // Punctuation that moves between the states.
    int openRule, openAtBlock, openNestedRule;
    int closeTop, closeNested;
    int colon, nestedColon;
    int semicolon, nestedSemicolon, atSemicolon;
};

// Everything that cannot continue a CSS name.
[[nodiscard]] CharSet cssNameEnd();
[[nodiscard]] CharSet cssNameChars();

// Keywords, definitions and transitions of a style sheet. Tokens of a host language that
// appear in a sheet (blanks, names) are the host's to give transitions.
void addCssRules(ParserTables& tables, const CssStates& states, const CssTokens& tokens);

} // namespace velloran::lang
