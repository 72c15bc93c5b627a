// The styles text is drawn and exported with: 256 styles, the map from token numbers
// to styles, and the default look for text without token numbers.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velloran {

// Colours are stored as the platform-neutral 0x00BBGGRR value the parser images use.
using Color = std::uint32_t;

[[nodiscard]] constexpr int RedOf(Color c) noexcept {
    return c & 0xFF;
}
[[nodiscard]] constexpr int GreenOf(Color c) noexcept {
    return (c >> 8) & 0xFF;
}
[[nodiscard]] constexpr int BlueOf(Color c) noexcept {
    return (c >> 16) & 0xFF;
}

enum FontStyleBits : std::uint8_t { kBold = 1, kItalic = 2, kUnderline = 4 };

struct TextStyle {
    std::uint8_t fontStyle = 0; // FontStyleBits
    Color color = 0x000000;
    Color back = 0xFFFFFF;
    bool hotspot = false;
    bool defined = false;

    friend bool operator==(const TextStyle&, const TextStyle&) = default;
};

struct StyleSheet {
    std::array<TextStyle, 256> styles{};
    std::array<std::uint8_t, 256> tokenToStyle{};
    // Used where highlighting is off or a line has no token numbers.
    TextStyle defaultStyle{};
    std::string fontName = "Courier New";
    int fontSize = 10;
    bool highlight = false;

    // The style a character with token `token` is drawn with.
    [[nodiscard]] const TextStyle& styleForToken(std::uint8_t token) const noexcept {
        return highlight ? styles[tokenToStyle[token]] : defaultStyle;
    }
};

} // namespace velloran
