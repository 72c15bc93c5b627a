// The command table with its default shortcuts, shortcut text and the two-stroke matcher.
#include "editor/commands.h"

#include <cstdio>
#include <iterator>

namespace velloran {

namespace {

struct CommandInfo {
    const char* name;
    const char* description;
    std::uint16_t first;
    std::uint16_t second;
};

constexpr std::uint16_t kCtrlK = kCtrlBit | 'K';
constexpr std::uint16_t kCtrlQ = kCtrlBit | 'Q';

constexpr CommandInfo kCommands[] = {
    {"caLEFT", "Cursor Left", kVkLeft, 0},
    {"caRIGHT", "Cursor right", kVkRight, 0},
    {"caLINEHOME", "Line start", kVkHome, 0},
    {"caLINEEND", "Line end", kVkEnd, 0},
    {"caUP", "Up one line", kVkUp, 0},
    {"caDOWN", "Down one line", kVkDown, 0},
    {"caPAGEUP", "Up one page", kVkPrior, 0},
    {"caPAGEDOWN", "Down one page", kVkNext, 0},
    {"caWORDLEFT", "Move to word before", kCtrlBit | kVkLeft, 0},
    {"caWORDRIGHT", "Move to word after", kCtrlBit | kVkRight, 0},
    {"caDOCSTART", "Document start", kCtrlBit | kVkHome, 0},
    {"caDOCEND", "Document end", kCtrlBit | kVkEnd, 0},
    {"caCUT", "Cut to clipboard", kCtrlBit | 'X', 0},
    {"caCOPY", "Copy to clipboard", kCtrlBit | 'C', 0},
    {"caPASTE", "Paste to clipboard", kCtrlBit | 'V', 0},
    {"caDELETE", "Delete character at cursor", kVkDelete, 0},
    {"caBACKSPACE", "Delete character before caret", kVkBack, 0},
    {"caBLOCKIND", "Indent selected block", kCtrlK, 'I'},
    {"caBLOCKUND", "Un-indent selected block", kCtrlK, 'U'},
    {"caINSTOGGLE", "Toggle insert/overwrite mode", kVkInsert, 0},
    {"caSETBOOKMARK0", "Set Bookmark 0", kCtrlK, '0'},
    {"caSETBOOKMARK1", "Set Bookmark 1", kCtrlK, '1'},
    {"caSETBOOKMARK2", "Set Bookmark 2", kCtrlK, '2'},
    {"caSETBOOKMARK3", "Set Bookmark 3", kCtrlK, '3'},
    {"caSETBOOKMARK4", "Set Bookmark 4", kCtrlK, '4'},
    {"caSETBOOKMARK5", "Set Bookmark 5", kCtrlK, '5'},
    {"caSETBOOKMARK6", "Set Bookmark 6", kCtrlK, '6'},
    {"caSETBOOKMARK7", "Set Bookmark 7", kCtrlK, '7'},
    {"caSETBOOKMARK8", "Set Bookmark 8", kCtrlK, '8'},
    {"caSETBOOKMARK9", "Set Bookmark 9", kCtrlK, '9'},
    {"caGOTOBOOKMARK0", "Goto Bookmark 0", kCtrlQ, '0'},
    {"caGOTOBOOKMARK1", "Goto Bookmark 1", kCtrlQ, '1'},
    {"caGOTOBOOKMARK2", "Goto Bookmark 2", kCtrlQ, '2'},
    {"caGOTOBOOKMARK3", "Goto Bookmark 3", kCtrlQ, '3'},
    {"caGOTOBOOKMARK4", "Goto Bookmark 4", kCtrlQ, '4'},
    {"caGOTOBOOKMARK5", "Goto Bookmark 5", kCtrlQ, '5'},
    {"caGOTOBOOKMARK6", "Goto Bookmark 6", kCtrlQ, '6'},
    {"caGOTOBOOKMARK7", "Goto Bookmark 7", kCtrlQ, '7'},
    {"caGOTOBOOKMARK8", "Goto Bookmark 8", kCtrlQ, '8'},
    {"caGOTOBOOKMARK9", "Goto Bookmark 9", kCtrlQ, '9'},
    {"caDELETELINE", "Delete current line", kCtrlBit | 'Y', 0},
    {"caUNDO", "Undo", kCtrlBit | 'Z', 0},
    {"caREDO", "ReDo", kCtrlBit | kShiftBit | 'Z', 0},
};
static_assert(std::size(kCommands) == kCommandCount);

const char* namedKey(std::uint16_t vk) noexcept {
    switch (vk) {
    case kVkBack:
        return "Backspace";
    case kVkTab:
        return "Tab";
    case kVkReturn:
        return "Enter";
    case kVkEscape:
        return "Esc";
    case kVkSpace:
        return "Space";
    case kVkPrior:
        return "Page Up";
    case kVkNext:
        return "Page Down";
    case kVkEnd:
        return "End";
    case kVkHome:
        return "Home";
    case kVkLeft:
        return "Left";
    case kVkUp:
        return "Up";
    case kVkRight:
        return "Right";
    case kVkDown:
        return "Down";
    case kVkInsert:
        return "Insert";
    case kVkDelete:
        return "Delete";
    default:
        return nullptr;
    }
}

std::string keyText(std::uint16_t vk) {
    if (const char* name = namedKey(vk))
        return name;
    if ((vk >= kVk0 && vk <= kVk9) || (vk >= kVkA && vk <= kVkZ))
        return std::string(1, static_cast<char>(vk));
    if (vk >= kVkF1 && vk <= kVkF12)
        return "F" + std::to_string(vk - kVkF1 + 1);
    // Keys without a common name still get a text that tells them apart.
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "Key 0x%02X", static_cast<unsigned>(vk));
    return buffer;
}

} // namespace

const KeyTable& DefaultKeyTable() {
    static const KeyTable table = [] {
        KeyTable result;
        for (int i = 0; i < kCommandCount; ++i)
            result[i] = {kCommands[i].name, kCommands[i].first, kCommands[i].second};
        return result;
    }();
    return table;
}

const char* CommandDescription(int index) noexcept {
    return index >= 0 && index < kCommandCount ? kCommands[index].description : "";
}

std::string ShortcutText(std::uint16_t shortcut) {
    if (shortcut == 0)
        return {};
    std::string text;
    if (shortcut & kCtrlBit)
        text += "Ctrl+";
    if (shortcut & kShiftBit)
        text += "Shift+";
    if (shortcut & kAltBit)
        text += "Alt+";
    return text + keyText(shortcut & ~kModifierBits);
}

std::string KeyBindingText(const KeyBinding& binding) {
    std::string text = ShortcutText(binding.first);
    if (binding.first != 0 && binding.second != 0)
        text += ", " + ShortcutText(binding.second);
    return text;
}

KeyMatcher::KeyMatcher() : KeyMatcher(DefaultKeyTable()) {
}

KeyMatcher::KeyMatcher(const KeyTable& table) {
    setTable(table);
}

void KeyMatcher::setTable(const KeyTable& table) {
    for (int i = 0; i < kCommandCount; ++i)
        m_keys[i] = {table[i].first, table[i].second};
    for (int i = 0; i < kMovementCommandCount; ++i)
        m_movementKeys[i] = table[i].first;
    m_pending = 0;
}

KeyResult KeyMatcher::keyDown(std::uint16_t vk, bool shift, bool ctrl, bool alt) {
    // A modifier pressed on its way to the real key must not end a two-stroke wait.
    if (vk == kVkShift || vk == kVkControl || vk == kVkAlt)
        return {};
    return m_pending != 0 ? secondStroke(vk, shift) : firstStroke(vk, shift, ctrl, alt);
}

bool KeyMatcher::isMovementKey(std::uint16_t shortcut) const noexcept {
    for (std::uint16_t key : m_movementKeys)
        if (key != 0 && key == shortcut)
            return true;
    return false;
}

KeyResult KeyMatcher::secondStroke(std::uint16_t vk, bool shift) {
    const std::uint16_t first = m_pending;
    m_pending = 0;
    // A code outside the key byte cannot be a stored second stroke.
    if (vk != 0 && (vk & ~0xFFu) == 0)
        for (int i = 0; i < kCommandCount; ++i)
            if (m_keys[i].first == first && m_keys[i].second == vk)
                return {KeyResult::Command, i, shift};
    return {KeyResult::Consumed};
}

KeyResult KeyMatcher::firstStroke(std::uint16_t vk, bool shift, bool ctrl, bool alt) {
    // Codes beyond the key byte would alias the modifier bits; no shortcut can hold them.
    if (vk == 0 || (vk & ~0xFFu) != 0)
        return {};
    std::uint16_t shortcut = MakeShortcut(vk, shift, ctrl, alt);
    bool extend = false;
    if (shift && isMovementKey(shortcut & ~kShiftBit)) {
        shortcut &= ~kShiftBit;
        extend = true;
    }
    for (int i = 0; i < kCommandCount; ++i) {
        if (m_keys[i].first != shortcut)
            continue;
        if (m_keys[i].second == 0)
            return {KeyResult::Command, i, extend};
        m_pending = shortcut;
        return {KeyResult::Pending};
    }
    return {};
}

} // namespace velloran
