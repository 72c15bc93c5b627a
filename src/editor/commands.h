// The editor control's commands, their default shortcuts and the matcher that turns
// key presses (including two-stroke shortcuts such as Ctrl+K, I) into commands.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velloran {

// Shortcuts keep the 16-bit form the parser images store key tables in: a Windows
// virtual-key code in the low byte plus modifier bits; 0 means "no shortcut".
constexpr std::uint16_t kShiftBit = 0x2000;
constexpr std::uint16_t kCtrlBit = 0x4000;
constexpr std::uint16_t kAltBit = 0x8000;
constexpr std::uint16_t kModifierBits = kShiftBit | kCtrlBit | kAltBit;

constexpr std::uint16_t kVkBack = 0x08;
constexpr std::uint16_t kVkTab = 0x09;
constexpr std::uint16_t kVkReturn = 0x0D;
constexpr std::uint16_t kVkShift = 0x10;
constexpr std::uint16_t kVkControl = 0x11;
constexpr std::uint16_t kVkAlt = 0x12;
constexpr std::uint16_t kVkEscape = 0x1B;
constexpr std::uint16_t kVkSpace = 0x20;
constexpr std::uint16_t kVkPrior = 0x21; // Page Up
constexpr std::uint16_t kVkNext = 0x22;  // Page Down
constexpr std::uint16_t kVkEnd = 0x23;
constexpr std::uint16_t kVkHome = 0x24;
constexpr std::uint16_t kVkLeft = 0x25;
constexpr std::uint16_t kVkUp = 0x26;
constexpr std::uint16_t kVkRight = 0x27;
constexpr std::uint16_t kVkDown = 0x28;
constexpr std::uint16_t kVkInsert = 0x2D;
constexpr std::uint16_t kVkDelete = 0x2E;
constexpr std::uint16_t kVk0 = 0x30; // '0'..'9' follow in order
constexpr std::uint16_t kVk9 = 0x39;
constexpr std::uint16_t kVkA = 0x41; // 'A'..'Z' follow in order
constexpr std::uint16_t kVkZ = 0x5A;
constexpr std::uint16_t kVkF1 = 0x70; // F1..F12 follow in order
constexpr std::uint16_t kVkF12 = 0x7B;

[[nodiscard]] constexpr std::uint16_t MakeShortcut(std::uint16_t vk, bool shift, bool ctrl,
                                                   bool alt) noexcept {
    return static_cast<std::uint16_t>(vk | (shift ? kShiftBit : 0) | (ctrl ? kCtrlBit : 0) |
                                      (alt ? kAltBit : 0));
}

// Indexes are part of the stored key tables and of scripts; never renumber.
enum EditorCommand : int {
    caLEFT = 0,
    caRIGHT,
    caLINEHOME,
    caLINEEND,
    caUP,
    caDOWN,
    caPAGEUP,
    caPAGEDOWN,
    caWORDLEFT,
    caWORDRIGHT,
    caDOCSTART,
    caDOCEND,
    caCUT,
    caCOPY,
    caPASTE,
    caDELETE,
    caBACKSPACE,
    caBLOCKIND,
    caBLOCKUND,
    caINSTOGGLE,
    caSETBOOKMARK0 = 20,  // .. caSETBOOKMARK0 + 9
    caGOTOBOOKMARK0 = 30, // .. caGOTOBOOKMARK0 + 9
    caDELETELINE = 40,
    caUNDO = 41,
    caREDO = 42,
};

constexpr int kCommandCount = 43;
// Commands 0..11 move the caret; Shift with their keys extends the selection.
constexpr int kMovementCommandCount = 12;
constexpr std::size_t kMaxCommandNameLength = 40;

struct KeyBinding {
    std::string name; // the script name, e.g. "caSETBOOKMARK3"
    std::uint16_t first = 0;
    std::uint16_t second = 0; // non-zero makes a two-stroke shortcut

    friend bool operator==(const KeyBinding&, const KeyBinding&) = default;
};

using KeyTable = std::array<KeyBinding, kCommandCount>;

[[nodiscard]] const KeyTable& DefaultKeyTable();

// The description shown in the options dialog; empty for an index out of range.
[[nodiscard]] const char* CommandDescription(int index) noexcept;

// Readable form such as "Ctrl+Shift+Z", "Page Up" or "F5"; empty for 0.
[[nodiscard]] std::string ShortcutText(std::uint16_t shortcut);

// Both strokes, e.g. "Ctrl+K, I"; empty when the command has no shortcut.
[[nodiscard]] std::string KeyBindingText(const KeyBinding& binding);

struct KeyResult {
    enum Kind {
        NotHandled, // not a shortcut: the key goes on to ordinary typing
        Pending,    // first stroke of a two-stroke shortcut, eaten
        Consumed,   // second stroke that completed nothing, eaten
        Command,    // `command` should run
    };
    Kind kind = NotHandled;
    int command = -1;
    // Shift was held without being part of the shortcut: movement extends the selection.
    bool extend = false;

    friend bool operator==(const KeyResult&, const KeyResult&) = default;
};

class KeyMatcher {
public:
    KeyMatcher();
    explicit KeyMatcher(const KeyTable& table);

    // Replacing the table also drops a half-typed two-stroke shortcut.
    void setTable(const KeyTable& table);

    // `vk` is the bare virtual-key code; the modifiers come separately.
    [[nodiscard]] KeyResult keyDown(std::uint16_t vk, bool shift, bool ctrl, bool alt);

    [[nodiscard]] bool pending() const noexcept { return m_pending != 0; }
    void reset() noexcept { m_pending = 0; }

private:
    struct Strokes {
        std::uint16_t first = 0;
        std::uint16_t second = 0;
    };

    [[nodiscard]] bool isMovementKey(std::uint16_t shortcut) const noexcept;
    [[nodiscard]] KeyResult secondStroke(std::uint16_t vk, bool shift);
    [[nodiscard]] KeyResult firstStroke(std::uint16_t vk, bool shift, bool ctrl, bool alt);

    std::array<Strokes, kCommandCount> m_keys{};
    std::array<std::uint16_t, kMovementCommandCount> m_movementKeys{};
    std::uint16_t m_pending = 0;
};

} // namespace velloran
