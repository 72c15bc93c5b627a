// What the editor options dialog does to a language, apart from its window: the backup
// that Cancel restores, the option boxes and their mask bits, the rules of the number
// boxes, the element styles, the key list text and the capture of shortcut strokes.
#pragma once

#include "editor/codememoparser.h"
#include "editor/commands.h"
#include "platform/errors.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velloran {

// A value an options box refuses; the parser keeps what it had.
class OptionsError : public VelloranError {
public:
    using VelloranError::VelloranError;
};

inline constexpr const char* kMarginRangeError = "0-199 only";
inline constexpr int kMaxMarginValue = 199;

// The check boxes of the "Options" page, each tied to one bit of the option mask.
struct OptionBox {
    enum Group { Print, General, View };
    const char* name; // the control's name
    const char* caption;
    std::uint32_t mask;
    Group group;
};
[[nodiscard]] std::span<const OptionBox> OptionBoxes() noexcept;

// The keys the word-wrap column and indent step boxes let through: digits and the
// keys that move or delete within the text.
[[nodiscard]] bool NumberBoxAccepts(std::uint16_t vk) noexcept;

// The list line of a command: its description, a TAB, both strokes of its shortcut.
[[nodiscard]] std::string KeyListLine(int command, const KeyBinding& binding);

// One shortcut box. The first stroke keeps its modifiers; the second is a bare key, as
// the key matcher compares it. Every key with a code is taken, Backspace, Tab and
// Delete included; Return and Escape are left to the dialog.
class HotKeyCapture {
public:
    explicit HotKeyCapture(bool modifiersAllowed) noexcept : m_modifiers(modifiersAllowed) {}
    [[nodiscard]] std::uint16_t shortcut() const noexcept { return m_shortcut; }
    void setShortcut(std::uint16_t shortcut) noexcept;
    // Whether the key was taken (it is then not to be used for anything else). A bare
    // modifier is taken without changing the stroke.
    bool keyDown(std::uint16_t vk, bool shift, bool ctrl, bool alt) noexcept;
    // "None" for no shortcut.
    [[nodiscard]] std::string text() const;

private:
    bool m_modifiers;
    std::uint16_t m_shortcut = 0;
};

// One run of the dialog over a parser. Every change goes straight into the parser, so
// anything showing it sees the change once it re-reads the parser; the key table is
// edited on a copy that reaches the parser only on accept.
class ParserOptionsSession {
public:
    // Takes the backups.
    explicit ParserOptionsSession(TCodeMemoParser& parser);

    [[nodiscard]] const ParserLook& look() const noexcept { return m_look; }
    [[nodiscard]] const std::string& languageName() const noexcept {
        return m_look.header.languageName;
    }

    // ---- "Options" page ----
    [[nodiscard]] bool option(std::uint32_t mask) const noexcept {
        return (m_look.header.options & mask) != 0;
    }
    void setOption(std::uint32_t mask, bool on);
    // Tab to column does nothing while word wrap is on.
    [[nodiscard]] bool tabToColumnEnabled() const noexcept;
    // 0 to 199 is stored and returned; anything else raises OptionsError "0-199 only".
    int setGutterText(std::string_view text);
    int setRightMarginText(std::string_view text);
    // The number as the editor accepts it (clamped to its range; no digits is 0).
    int setWrapColumnText(std::string_view text);
    int setIndentStepText(std::string_view text);

    // ---- "Highlighting" page: the editable elements ----
    [[nodiscard]] std::vector<std::string> elementNames() const;
    [[nodiscard]] const TextStyle& elementStyle(int element) const;
    void setFontStyleBit(int element, std::uint8_t bit, bool on);
    void setForeground(int element, Color color);
    void setBackground(int element, Color color);
    // To the colours of text without a style.
    void setForegroundToDefault(int element);
    void setBackgroundToDefault(int element);
    [[nodiscard]] bool backgroundIsDefault(int element) const;
    void setSelectedText(Color color);
    void setSelectedBack(Color color);
    void setFontName(std::string name);
    void setFontSize(int size);

    // ---- "Key assignments" page ----
    [[nodiscard]] const KeyTable& keys() const noexcept { return m_keys; }
    [[nodiscard]] std::string keyLine(int command) const;
    // A second stroke without a first is dropped. Another command holding exactly these
    // strokes shows none while this command keeps them.
    void setKeys(int command, std::uint16_t first, std::uint16_t second);

    // OK: the key table copy goes to the parser. Cancel: the parser is as it was.
    void accept();
    void cancel();

private:
    [[nodiscard]] int styleOf(int element) const;
    TextStyle& definedStyle(int element);
    void apply();
    void resolveKeys();

    TCodeMemoParser& m_parser;
    const ParserLook m_backup;
    ParserLook m_look;
    KeyTable m_keys;     // as the list shows them and OK stores them
    KeyTable m_assigned; // as each command was last given them
    // When each command was last given strokes; 0 for not in this run.
    std::array<unsigned, kCommandCount> m_claim{};
    unsigned m_lastClaim = 0;
};

} // namespace velloran
