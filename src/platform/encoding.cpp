// UTF-8 and Windows-1252 decoding, encoding and character stepping.
#include "platform/encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace velloran {

namespace {

constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Length of the well-formed UTF-8 sequence at `pos`, or 0 when it is not one.
std::size_t utf8SequenceLength(std::string_view text, std::size_t pos) noexcept {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() - pos < length)
        return 0;
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    return length;
}

} // namespace

const char* EncodingName(Encoding encoding) noexcept {
    return encoding == Encoding::Utf8 ? "UTF-8" : "Windows-1252";
}

bool IsValidUtf8(std::string_view bytes) noexcept {
    std::size_t pos = 0;
    const std::size_t size = bytes.size();
    while (pos < size) {
        // Plain ASCII dominates real pages; take it eight bytes at a time.
        while (pos + 8 <= size) {
            std::uint64_t word;
            __builtin_memcpy(&word, bytes.data() + pos, 8);
            if (word & 0x8080808080808080ULL)
                break;
            pos += 8;
        }
        if (pos >= size)
            break;
        const std::size_t length = utf8SequenceLength(bytes, pos);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

Encoding DetectEncoding(std::string_view bytes) noexcept {
    return IsValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Windows1252;
}

std::size_t CharLengthAt(Encoding encoding, std::string_view text, std::size_t pos) noexcept {
    if (pos >= text.size())
        return 0;
    if (encoding == Encoding::Windows1252)
        return 1;
    const std::size_t length = utf8SequenceLength(text, pos);
    return length == 0 ? 1 : length;
}

std::size_t PrevCharStart(Encoding encoding, std::string_view text, std::size_t pos) noexcept {
    // A position past the end steps back from the end rather than reading beyond it.
    pos = std::min(pos, text.size());
    if (pos == 0)
        return 0;
    if (encoding == Encoding::Utf8) {
        for (std::size_t back = 1; back <= 4 && back <= pos; ++back) {
            const std::size_t start = pos - back;
            if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80)
                return utf8SequenceLength(text, start) == back ? start : pos - 1;
        }
    }
    return pos - 1;
}

char32_t DecodeCharAt(Encoding encoding, std::string_view text, std::size_t pos,
                      std::size_t* length) noexcept {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    // Past the end there is no character: length 0, like CharLengthAt.
    if (pos >= text.size()) {
        if (length)
            *length = 0;
        return 0;
    }
    if (encoding == Encoding::Windows1252) {
        if (length)
            *length = 1;
        return Cp1252ToUnicode(byte(0));
    }
    const std::size_t n = utf8SequenceLength(text, pos);
    if (length)
        *length = n == 0 ? 1 : n;
    switch (n) {
    case 0:
        return 0xFFFD;
    case 1:
        return byte(0);
    case 2:
        return char32_t(byte(0) & 0x1F) << 6 | (byte(1) & 0x3F);
    case 3:
        return char32_t(byte(0) & 0x0F) << 12 | char32_t(byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
    default:
        return char32_t(byte(0) & 0x07) << 18 | char32_t(byte(1) & 0x3F) << 12 |
               char32_t(byte(2) & 0x3F) << 6 | (byte(3) & 0x3F);
    }
}

std::string EncodeChar(Encoding encoding, char32_t c) {
    if (encoding == Encoding::Windows1252) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
            return std::string(1, static_cast<char>(c));
        for (std::size_t i = 0; i < kCp1252High.size(); ++i)
            if (kCp1252High[i] == c)
                return std::string(1, static_cast<char>(0x80 + i));
        return {};
    }
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return {};
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

char32_t Cp1252ToUnicode(unsigned char byte) noexcept {
    return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
}

std::size_t CountChars(Encoding encoding, std::string_view text) noexcept {
    if (encoding == Encoding::Windows1252)
        return text.size();
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += CharLengthAt(encoding, text, pos))
        ++count;
    return count;
}

} // namespace velloran
