// The settings keys owned by start-up and exit: recent projects, custom colours, the
// current user tag list and the highlighting rule sets' display texts.
#include "app/settings.h"

#include "editor/parserimage.h"
#include "platform/inifile.h"

#include <charconv>
#include <cstdio>

namespace velloran {

namespace {

// Key lines are taken whole, as the colour dialog's entries themselves contain "=";
// the key in front of the first "=" only orders them.
std::vector<std::string> valuesOfSection(const IniFile& ini, std::string_view section) {
    std::vector<std::string> values;
    for (const auto& line : ini.readSection(section)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos || eq + 1 == line.size())
            continue;
        values.push_back(CutToLength(std::string_view(line).substr(eq + 1), kMaxRecentLineLength));
    }
    return values;
}

} // namespace

std::string CutToLength(std::string_view text, size_t limit) {
    if (text.size() <= limit)
        return std::string(text);
    size_t end = limit;
    // Back off over continuation bytes so a multi-byte character is never split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end));
}

std::optional<ParserTables> ApplyParserSettings(const ParserTables& builtin,
                                                std::string_view text) {
    // Reading assigns field by field, so a fault half-way must not reach the rule set.
    ParserTables tables = builtin;
    try {
        ReadSettingsString(text, tables);
    } catch (const ParserImageError&) {
        return std::nullopt;
    }
    // The bounds the options dialog itself keeps; beyond them the editor cannot be drawn.
    constexpr int kMaxGutter = 199;
    constexpr int kMaxFontSize = 200;
    if (tables.header.gutter < 0 || tables.header.gutter > kMaxGutter || tables.fontSize < 1 ||
        tables.fontSize > kMaxFontSize)
        return std::nullopt;
    for (size_t style = 0; style < tables.styles.size(); ++style)
        if (tables.styles[style].defined && !builtin.styles[style].defined)
            return std::nullopt;
    return tables;
}

std::string ParserKeysText(const ParserTables& tables) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const char byte : WriteKeyAssignments(tables)) {
        const auto b = static_cast<unsigned char>(byte);
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

bool ApplyParserKeys(KeyTable& keys, std::string_view text) {
    if (text.size() % 2 != 0)
        return false;
    std::string stream;
    for (size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (error != std::errc() || end != text.data() + i + 2)
            return false;
        stream += static_cast<char>(value);
    }
    ParserTables tables;
    tables.keys = keys;
    try {
        ReadKeyAssignments(stream, tables);
    } catch (const ParserImageError&) {
        return false;
    }
    keys = std::move(tables.keys);
    return true;
}

std::string ParserSelectionText(const LanguageHeader& header) {
    return std::to_string(header.selectedText) + ',' + std::to_string(header.selectedBack);
}

bool ApplyParserSelection(LanguageHeader& header, std::string_view text) {
    const auto comma = text.find(',');
    if (comma == std::string_view::npos)
        return false;
    const auto colour = [](std::string_view digits, Color& value) {
        constexpr Color kMaxColor = 0xFFFFFF;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return error == std::errc() && end == digits.data() + digits.size() && value <= kMaxColor;
    };
    Color fore = 0;
    Color back = 0;
    if (!colour(text.substr(0, comma), fore) || !colour(text.substr(comma + 1), back))
        return false;
    header.selectedText = fore;
    header.selectedBack = back;
    return true;
}

void ReadSettings(const IniFile& ini, AppState& state, Settings& settings) {
    state.recentProjects = valuesOfSection(ini, kRecentFilesSection);
    settings.customColors = valuesOfSection(ini, kCustomColorsSection);
    state.currentUserList = ini.readString(kStartupSection, "CurrentUserList", "");
    for (size_t i = 0; i < kParserKeys.size(); ++i) {
        if (ini.hasKey(kParsersSection, kParserKeys[i]))
            settings.parsers[i] = ini.readString(kParsersSection, kParserKeys[i], "");
        if (ini.hasKey(kKeyAssignmentsSection, kParserKeys[i]))
            settings.parserKeys[i] = ini.readString(kKeyAssignmentsSection, kParserKeys[i], "");
        if (ini.hasKey(kSelectedTextSection, kParserKeys[i]))
            settings.parserSelection[i] = ini.readString(kSelectedTextSection, kParserKeys[i], "");
    }
}

void WriteSettings(IniFile& ini, const AppState& state, const Settings& settings) {
    ini.eraseSection(kRecentFilesSection);
    size_t written = 0;
    for (const auto& name : state.recentProjects) {
        if (written == kRecentProjectsWritten)
            break;
        // A name with a line feed cannot be stored in a line-based file; leaving it
        // out keeps the other recent projects.
        if (name.find('\n') == std::string::npos)
            ini.writeString(kRecentFilesSection, "File" + std::to_string(written++), name);
    }
    ini.eraseSection(kCustomColorsSection);
    for (size_t i = 0; i < settings.customColors.size(); ++i)
        ini.writeString(kCustomColorsSection, std::to_string(i), settings.customColors[i]);
    ini.writeString(kStartupSection, "CurrentUserList", state.currentUserList);
    for (size_t i = 0; i < kParserKeys.size(); ++i) {
        if (settings.parsers[i])
            ini.writeString(kParsersSection, kParserKeys[i], *settings.parsers[i]);
        if (settings.parserKeys[i])
            ini.writeString(kKeyAssignmentsSection, kParserKeys[i], *settings.parserKeys[i]);
        if (settings.parserSelection[i])
            ini.writeString(kSelectedTextSection, kParserKeys[i], *settings.parserSelection[i]);
    }
}

std::string FormatCustomColor(int slot, std::uint32_t bgr) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "Color%c=%06X", static_cast<char>('A' + slot),
                  static_cast<unsigned>(bgr & 0xFFFFFFu));
    return buffer;
}

std::optional<CustomColorSlot> ParseCustomColor(std::string_view entry) {
    if (entry.size() < 8 || entry.substr(0, 5) != "Color" || entry[6] != '=')
        return std::nullopt;
    const int slot = entry[5] - 'A';
    if (slot < 0 || slot > 15)
        return std::nullopt;
    std::uint32_t value = 0;
    const auto digits = entry.substr(7);
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return CustomColorSlot{slot, value};
}

} // namespace velloran
