// The script vocabulary HTML highlights inside script elements and JavaScript highlights
// on its own: one copy, so that the two languages cannot drift apart.
#pragma once

#include <array>
#include <string_view>

namespace velloran::lang {

// The truncated "synchroniz" is deliberate: existing images hold the word this way.
inline constexpr std::array<std::string_view, 53> kScriptReservedWords = {
    "abstract",   "boolean", "break",      "byte",    "case",      "catch",      "char",
    "class",      "const",   "continue",   "default", "do",        "double",     "else",
    "extends",    "false",   "final",      "finally", "float",     "for",        "function",
    "goto",       "if",      "implements", "import",  "in",        "instanceof", "int",
    "interface",  "long",    "native",     "new",     "null",      "package",    "private",
    "protected",  "public",  "return",     "short",   "static",    "super",      "switch",
    "synchroniz", "this",    "throw",      "throws",  "transient", "true",       "try",
    "var",        "void",    "while",      "with"};

// clang-format off
inline constexpr std::array<std::string_view, 80> kScriptFunctions = {
    "abs", "acos", "alert", "anchor", "asin", "atan", "back", "big", "blink", "blur", "bold",
    "ceil", "charAt", "clear", "clearTimeout", "click", "close", "confirm", "cos", "escape",
    "eval", "exp", "fixed", "floor", "focus", "fontcolor", "fontsize", "forward", "getDate",
    "getDay", "getHours", "getMinutes", "getMonth", "getSeconds", "getTime", "getTimezoneOffset",
    "getYear", "go", "indexOf", "isNaN", "italics", "lastIndexOf", "link", "log", "max", "min",
    "open", "parse", "parseFloat", "parseInt", "pow", "prompt", "random", "round", "select",
    "setDate", "setHours", "setMinutes", "setMonth", "setSeconds", "setTimeout", "setTime",
    "setYear", "sin", "small", "sqrt", "strike", "sub", "submit", "substring", "sup", "tan",
    "toGMTString", "toLocaleString", "toLowerCase", "toUpperCase", "unescape", "UTC", "write",
    "writeln"};
// clang-format on

inline constexpr std::array<std::string_view, 42> kScriptOperators = {
    ",",  "=",  "+=", "-=", "*=", "/=", "%=", "<<=", ">>=", ">>>=", "&=", "^=", "|=", "?:",
    "||", "&&", "|",  "^",  "&",  "==", "!=", "<",   "<=",  ">",    ">=", "<<", ">>", ">>>",
    "+",  "-",  "*",  "/",  "%",  "!",  "~",  "++",  "--",  "(",    ")",  "[",  "]",  "."};

} // namespace velloran::lang
