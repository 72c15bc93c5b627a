// Pure string operations on HTML tag text: find a tag in a piece of text and read, set,
// replace or remove one of its attributes; colours to and from "#RRGGBB"; relative URLs.
// Searches that ignore case fold ASCII letters only, so UTF-8 text is never split.
// Positions are 0-based byte offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velloran {

// A value of just this stands for "present but empty": with an empty quote it writes the
// bare attribute name (CHECKED). It is "»" in UTF-8.
inline constexpr std::string_view kBareValue = "\xC2\xBB";

// The first occurrence of `pattern` at or after `from`, ignoring ASCII letter case; none
// for an empty pattern.
[[nodiscard]] std::optional<std::size_t> FindNoCase(std::string_view text, std::string_view pattern,
                                                    std::size_t from = 0);

// From the first `tagStart` through the first `tagEnd` that begins after it; empty when
// either is missing.
[[nodiscard]] std::string ExtractTag(std::string_view text, std::string_view tagStart,
                                     std::string_view tagEnd);
// Strictly between the first `startMark` and the first `endMark` after it; empty when
// either is missing.
[[nodiscard]] std::string TextBetween(std::string_view text, std::string_view startMark,
                                      std::string_view endMark);
// Text through the first `startMark`, then `replacement`, then from the first `endMark`
// after it on; empty when either mark is missing.
[[nodiscard]] std::string ReplaceBetween(std::string_view text, std::string_view startMark,
                                         std::string_view endMark, std::string_view replacement);
// Without the first occurrence of `part` (ignoring case); unchanged when absent or empty.
[[nodiscard]] std::string RemoveFirst(std::string_view text, std::string_view part);
// Every run of two or more blanks becomes one blank.
[[nodiscard]] std::string CollapseBlanks(std::string_view text);

// `name` includes its "=" (for example "SRC="). The value of the attribute in the first
// tag: up to the closing quote when quoted, else up to the first blank or ">"; empty
// when the tag or the attribute is missing.
[[nodiscard]] std::string GetAttribute(std::string_view text, std::string_view tagStart,
                                       std::string_view tagEnd, std::string_view name);
// The attribute's whole text, from its name through the end of its value.
[[nodiscard]] std::string GetAttributeText(std::string_view text, std::string_view tagStart,
                                           std::string_view tagEnd, std::string_view name);
// The whole text with the first tag rewritten so that `name` has `value` (set, replaced,
// or removed when `value` is empty; `kBareValue` keeps it with an empty value); blank
// runs in the tag collapsed. Empty when the tag is not found.
[[nodiscard]] std::string SetAttribute(std::string_view text, std::string_view tagStart,
                                       std::string_view tagEnd, std::string_view name,
                                       std::string_view value, std::string_view quote);

// Colours are 0x00BBGGRR (red in the low byte). "#" and six upper-case hex digits.
[[nodiscard]] std::string ColorToHex(std::uint32_t color);
// One leading "#" dropped; six characters give red, green, blue, where a character other
// than 0-9 or A-F counts as 0; any other length gives black.
[[nodiscard]] std::uint32_t HexToColor(std::string_view text);

// Without leading and trailing blanks (character 32 only).
[[nodiscard]] std::string TrimBlanks(std::string_view text);
// TrimBlanks, then every occurrence of `find` (case-sensitive) replaced left to right.
[[nodiscard]] std::string ReplaceAll(std::string_view text, std::string_view find,
                                     std::string_view replacement);

// `chosenFile` relative to the folder of `documentFileName`, climbing with ".." where
// needed, backslashes turned into "/". A document name without a folder (never saved)
// gives the chosen file's full path.
[[nodiscard]] std::string RelativeUrl(std::string_view documentFileName,
                                      std::string_view chosenFile);

} // namespace velloran
