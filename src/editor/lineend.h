// The ways a line can end in a file, kept per line so that a file is written back as read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace velloran {

// The store holds every line end as one CR; this says which bytes it stood for.
enum class LineEnd : std::uint8_t { CrLf, Lf, Cr, LfCr };

[[nodiscard]] constexpr std::string_view LineEndText(LineEnd end) noexcept {
    switch (end) {
    case LineEnd::CrLf:
        return "\r\n";
    case LineEnd::Lf:
        return "\n";
    case LineEnd::Cr:
        return "\r";
    case LineEnd::LfCr:
        return "\n\r";
    }
    return "\n";
}

[[nodiscard]] constexpr std::optional<LineEnd> LineEndNamed(std::string_view text) noexcept {
    for (const LineEnd end : {LineEnd::CrLf, LineEnd::Lf, LineEnd::Cr, LineEnd::LfCr})
        if (LineEndText(end) == text)
            return end;
    return std::nullopt;
}

// The line ends of a stretch of text, one a CR in order; when `each` is empty, every
// one of them is `uniform`.
struct LineEndList {
    std::span<const LineEnd> each{};
    LineEnd uniform = LineEnd::Lf;

    [[nodiscard]] LineEnd at(std::size_t index) const noexcept {
        return index < each.size() ? each[index] : uniform;
    }
};

} // namespace velloran
