// Turns Qt key events into the virtual-key codes and modifiers the editing model's key
// tables are written in.
#pragma once

#include "editor/commands.h"

#include <Qt>
#include <cstdint>

namespace velloran {

struct KeyStroke {
    std::uint16_t vk = 0; // 0: a key the editor has no binding form for
    bool shift = false;
    bool ctrl = false;
    bool alt = false;

    [[nodiscard]] std::uint16_t shortcut() const noexcept {
        return vk == 0 ? 0 : MakeShortcut(vk, shift, ctrl, alt);
    }
    friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

// The virtual-key code of a Qt key (Qt::Key values), or 0.
[[nodiscard]] std::uint16_t VirtualKeyFor(int qtKey) noexcept;

// A key with its modifiers; Shift+Tab arrives from Qt as Backtab and becomes Tab
// with Shift.
[[nodiscard]] KeyStroke KeyStrokeFor(int qtKey, Qt::KeyboardModifiers modifiers) noexcept;

// Keys that only modify others (Shift, Ctrl, Meta, AltGr, the locks): they never
// complete or break a shortcut.
[[nodiscard]] bool IsModifierKey(int qtKey) noexcept;

// Whether the stroke starts a binding of `table` as the model's matcher reads it:
// exactly, or as a movement key with Shift added to extend the selection.
[[nodiscard]] bool StartsBinding(const KeyTable& table, const KeyStroke& stroke) noexcept;

// Whether `shortcut` is the first stroke of a two-stroke binding of `table`.
[[nodiscard]] bool StartsTwoStrokeBinding(const KeyTable& table, std::uint16_t shortcut) noexcept;

} // namespace velloran
