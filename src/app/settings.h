// Reading the settings at start-up and writing them back at exit.
#pragma once

#include "app/appstate.h"
#include "editor/parsertables.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velloran {

class IniFile;

inline constexpr std::string_view kRecentFilesSection = "Recent Files";
inline constexpr std::string_view kCustomColorsSection = "Custom Colors";
inline constexpr std::string_view kStartupSection = "startup";
inline constexpr std::string_view kParsersSection = "parsers";
inline constexpr std::string_view kKeyAssignmentsSection = "Key Assignments";
inline constexpr std::string_view kSelectedTextSection = "Selected Text";
inline constexpr size_t kRecentProjectsWritten = 10;
inline constexpr size_t kMaxRecentLineLength = 255;

// The display settings texts of the highlighting rule sets, in the order the settings
// file lists them (that of BuiltinParserFiles). A rule set with no text of its own keeps
// its built-in one.
inline constexpr std::array<std::string_view, 6> kParserKeys = {"pascal", "html",    "c",
                                                                "email",  "jscript", "css"};
using ParserSettings = std::array<std::optional<std::string>, kParserKeys.size()>;

// What the colour dialog holds as custom colours: entries of the form "ColorA=BBGGRR"
// (a slot letter A to P and a 0x00BBGGRR value in hex), kept whole.
using CustomColors = std::vector<std::string>;

struct Settings {
    CustomColors customColors;
    ParserSettings parsers;
    // The key tables of the same rule sets, under the same key names in their own section.
    ParserSettings parserKeys;
    // Their selected-text colours, which the display settings text leaves out.
    ParserSettings parserSelection;
};

// A rule set's tables with a stored display settings text applied over its built-in
// ones; none when the text cannot be applied (damaged, out of range, or naming a style
// the language does not define, as a text from a build with other languages may), and
// the rule set then keeps its built-in settings.
[[nodiscard]] std::optional<ParserTables> ApplyParserSettings(const ParserTables& builtin,
                                                              std::string_view text);

// A rule set's key table as a settings value: the key-assignment stream in hexadecimal.
[[nodiscard]] std::string ParserKeysText(const ParserTables& tables);
// False, with the key table unchanged, for a value that is not a whole key table.
[[nodiscard]] bool ApplyParserKeys(KeyTable& keys, std::string_view text);

// A rule set's selected-text colours as a settings value: "text,back", decimal 0x00BBGGRR.
[[nodiscard]] std::string ParserSelectionText(const LanguageHeader& header);
// False, with the header unchanged, for a value that is not two colours.
[[nodiscard]] bool ApplyParserSelection(LanguageHeader& header, std::string_view text);

// Fills the recent projects, current user list, custom colours and parser texts from
// the file; missing keys keep their defaults (parser texts stay as given).
void ReadSettings(const IniFile& ini, AppState& state, Settings& settings);
// Writes the same keys back: the first ten recent projects, the custom colours, the
// user list and every parser text that is known, in rule-set order. Other sections stay as they
// are.
void WriteSettings(IniFile& ini, const AppState& state, const Settings& settings);

// Cuts to at most `limit` bytes without splitting a UTF-8 sequence.
[[nodiscard]] std::string CutToLength(std::string_view text, size_t limit);

// The custom-colour entry for slot 0..15 ("ColorA=...").
[[nodiscard]] std::string FormatCustomColor(int slot, std::uint32_t bgr);
struct CustomColorSlot {
    int slot;
    std::uint32_t bgr;
};
[[nodiscard]] std::optional<CustomColorSlot> ParseCustomColor(std::string_view entry);

} // namespace velloran
