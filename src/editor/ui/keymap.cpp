// Qt keys to virtual-key codes.
#include "editor/ui/keymap.h"

#include <array>
#include <utility>

namespace velloran {

namespace {

constexpr std::array<std::pair<int, std::uint16_t>, 17> kNamedKeys{{
    {Qt::Key_Left, kVkLeft},
    {Qt::Key_Right, kVkRight},
    {Qt::Key_Up, kVkUp},
    {Qt::Key_Down, kVkDown},
    {Qt::Key_Home, kVkHome},
    {Qt::Key_End, kVkEnd},
    {Qt::Key_PageUp, kVkPrior},
    {Qt::Key_PageDown, kVkNext},
    {Qt::Key_Insert, kVkInsert},
    {Qt::Key_Delete, kVkDelete},
    {Qt::Key_Backspace, kVkBack},
    {Qt::Key_Tab, kVkTab},
    {Qt::Key_Backtab, kVkTab},
    {Qt::Key_Return, kVkReturn},
    {Qt::Key_Enter, kVkReturn},
    {Qt::Key_Escape, kVkEscape},
    {Qt::Key_Space, kVkSpace},
}};

} // namespace

std::uint16_t VirtualKeyFor(int qtKey) noexcept {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return static_cast<std::uint16_t>(kVkA + (qtKey - Qt::Key_A));
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return static_cast<std::uint16_t>(kVk0 + (qtKey - Qt::Key_0));
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return static_cast<std::uint16_t>(kVkF1 + (qtKey - Qt::Key_F1));
    for (const auto& [key, vk] : kNamedKeys)
        if (key == qtKey)
            return vk;
    return 0;
}

KeyStroke KeyStrokeFor(int qtKey, Qt::KeyboardModifiers modifiers) noexcept {
    KeyStroke stroke;
    stroke.vk = VirtualKeyFor(qtKey);
    stroke.shift = modifiers.testFlag(Qt::ShiftModifier) || qtKey == Qt::Key_Backtab;
    stroke.ctrl = modifiers.testFlag(Qt::ControlModifier);
    stroke.alt = modifiers.testFlag(Qt::AltModifier);
    return stroke;
}

bool IsModifierKey(int qtKey) noexcept {
    switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

bool StartsBinding(const KeyTable& table, const KeyStroke& stroke) noexcept {
    const std::uint16_t shortcut = stroke.shortcut();
    if (shortcut == 0)
        return false;
    const auto plain = static_cast<std::uint16_t>(shortcut & ~kShiftBit);
    for (int i = 0; i < kCommandCount; ++i) {
        const std::uint16_t first = table[static_cast<std::size_t>(i)].first;
        if (first == shortcut || (stroke.shift && i < kMovementCommandCount && first == plain))
            return true;
    }
    return false;
}

bool StartsTwoStrokeBinding(const KeyTable& table, std::uint16_t shortcut) noexcept {
    if (shortcut == 0)
        return false;
    for (const KeyBinding& binding : table)
        if (binding.first == shortcut && binding.second != 0)
            return true;
    return false;
}

} // namespace velloran
