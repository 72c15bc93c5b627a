// Screen cells of characters: the painter, the caret's Up and Down and the mouse must
// agree on them, or the caret drifts on lines with tabs or wide characters.
#pragma once

#include "platform/encoding.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velloran {

// Cells a character takes: two for wide and full-width East Asian characters.
[[nodiscard]] constexpr int CharCells(char32_t c) noexcept {
    if (c < 0x1100)
        return 1;
    const bool wide = (c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
                      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                      (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                      (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
                      (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
    return wide ? 2 : 1;
}

// Walks the characters of `text` (from a display line's start) with their first cell
// and cell count, TAB reaching to the next tab stop; `visit(offset, length, ch, cell,
// cells)` returns false to stop.
template <class Visit>
void WalkCells(std::string_view text, Encoding encoding, int tabWidth, Visit&& visit) {
    std::int64_t cell = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        char32_t ch = byte;
        if (encoding == Encoding::Windows1252)
            ch = Cp1252ToUnicode(byte);
        else if (byte >= 0x80)
            ch = DecodeCharAt(encoding, text, i, &length);
        const int cells = ch == '\t' ? static_cast<int>(tabWidth - cell % tabWidth) : CharCells(ch);
        if (!visit(i, static_cast<int>(length), ch, cell, cells))
            return;
        cell += cells;
        i += length;
    }
}

} // namespace velloran
