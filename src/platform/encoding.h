// Character encodings of documents: detection, stepping over whole characters and
// conversion to and from Unicode code points, for UTF-8 and Windows-1252.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velloran {

enum class Encoding { Utf8, Windows1252 };

// The name shown to the user ("UTF-8", "Windows-1252").
[[nodiscard]] const char* EncodingName(Encoding encoding) noexcept;

[[nodiscard]] bool IsValidUtf8(std::string_view bytes) noexcept;

// Valid UTF-8 (plain ASCII included) is UTF-8; anything else is Windows-1252, which
// gives every byte a meaning, so any file can be edited and written back unchanged.
[[nodiscard]] Encoding DetectEncoding(std::string_view bytes) noexcept;

// Length in bytes of the character starting at `pos` (at least 1, at most what is
// left). A byte that does not start a well-formed UTF-8 sequence counts as one
// character, so stepping never stalls on damaged text.
[[nodiscard]] std::size_t CharLengthAt(Encoding encoding, std::string_view text,
                                       std::size_t pos) noexcept;

// Start of the character that ends just before `pos` (pos > 0).
[[nodiscard]] std::size_t PrevCharStart(Encoding encoding, std::string_view text,
                                        std::size_t pos) noexcept;

// The code point of the character at `pos`; `length` receives its byte length.
// Malformed UTF-8 bytes decode as U+FFFD.
[[nodiscard]] char32_t DecodeCharAt(Encoding encoding, std::string_view text, std::size_t pos,
                                    std::size_t* length = nullptr) noexcept;

// The bytes of one character in the encoding; empty when the encoding cannot hold it.
[[nodiscard]] std::string EncodeChar(Encoding encoding, char32_t codePoint);

// Windows-1252 byte to Unicode (the five unassigned bytes map to themselves).
[[nodiscard]] char32_t Cp1252ToUnicode(unsigned char byte) noexcept;

// Number of characters in `text`.
[[nodiscard]] std::size_t CountChars(Encoding encoding, std::string_view text) noexcept;

} // namespace velloran
