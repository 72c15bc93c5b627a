// The script of today's web as both JavaScript and HTML's script elements highlight it:
// the newer words and operators, template literals with "${…}" and regular-expression
// literals, on top of the classic vocabulary of scriptwords.h.
#pragma once

#include "editor/languages/languagebuilder.h"

#include <string_view>

namespace velloran::lang {

// Words beyond the classic reserved list.
inline constexpr std::string_view kModernScriptWords[] = {
    "async", "await", "debugger", "delete", "export", "let", "of", "typeof", "yield"};

// Operators beyond the classic list; "{" and "}" are the template rules' business.
inline constexpr std::string_view kModernScriptOperators[] = {"=>",
                                                              "?.",
                                                              "??",
                                                              "??"
                                                              "=",
                                                              "**",
                                                              "**=",
                                                              "===",
                                                              "!==",
                                                              "&&=",
                                                              "||=",
                                                              "...",
                                                              "?",
                                                              ":",
                                                              ";"};

// Reserved words after which a "/" divides, as it does after a name.
inline constexpr std::string_view kOperandWords[] = {"false", "null", "super", "this", "true"};

// Everything that cannot continue a script name.
[[nodiscard]] CharSet scriptWordEnd();

// The states a script lives in. A state set has no stack, so template literals nest two
// deep, each state saying where its literal returns to: 1 is a literal in top-level code,
// 2e one in a "${…}" of a level-1 literal, 2b one inside braces of such an expression.
// `regex` and `division` tell which a "/" starts: one of them is set in code.
struct ScriptStates {
    int top;
    int regex;
    int division;
    int text1, expr1, brace1;
    int text2e, expr2e, brace2e;
    int text2b, expr2b, brace2b;

    // Where code is highlighted.
    [[nodiscard]] CharSet code() const;
    // Every state, for leaving the script altogether.
    [[nodiscard]] CharSet all() const;
    // A classic operator's states: division only where an operand came before.
    [[nodiscard]] CharSet operatorStates(std::string_view op) const;
};

struct TemplateTokens {
    int open1, open2e, open2b, deep;
    int close1, close2e, close2b;
    int dollar1, dollar2e, dollar2b;
    int exprClose1, exprClose2e, exprClose2b;
    int braceOpen1, braceOpen2e, braceOpen2b;
    int braceClose1, braceClose2e, braceClose2b;
    int regex;
    // The plain "{" and "}" of top-level code.
    int braceOpenTop, braceCloseTop;
};

// Keywords, definitions and transitions of template literals and regular expressions.
void addTemplatesAndRegex(ParserTables& tables, const ScriptStates& states,
                          const TemplateTokens& tokens);

// After an operand a "/" divides; after an operator it starts a regular expression.
void setOperands(ParserTables& tables, const ScriptStates& states, CharSet valid, Tokens operands);
void setOperators(ParserTables& tables, const ScriptStates& states, CharSet valid,
                  Tokens operators);

} // namespace velloran::lang
