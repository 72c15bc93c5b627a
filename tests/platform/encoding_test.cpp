// Tests of encoding detection, character stepping and code point conversion.
#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velloran;

namespace {

using Sizes = std::vector<std::size_t>;

Sizes forwardStarts(Encoding e, std::string_view text) {
    Sizes starts;
    for (std::size_t pos = 0; pos < text.size(); pos += CharLengthAt(e, text, pos))
        starts.push_back(pos);
    return starts;
}

Sizes backwardStarts(Encoding e, std::string_view text) {
    Sizes starts;
    for (std::size_t pos = text.size(); pos > 0;) {
        pos = PrevCharStart(e, text, pos);
        starts.insert(starts.begin(), pos);
    }
    return starts;
}

} // namespace

TEST(Encoding, Detection) {
    const std::string ascii(20, 'a');
    EXPECT_EQ(DetectEncoding(""), Encoding::Utf8);
    EXPECT_EQ(DetectEncoding(ascii), Encoding::Utf8);
    EXPECT_EQ(DetectEncoding("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"),
              Encoding::Utf8);
    EXPECT_EQ(DetectEncoding(std::string(7, 'a') + "\xC3\xA9" + ascii), Encoding::Utf8)
        << "a character across an eight-byte block";
    for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xF0\x80\x80\xAF", // overlong
                            "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\x80", "\xC3x",
                            "\xE2\x82", "\xF0\x9F\x98", "caf\xE9"})
        EXPECT_EQ(DetectEncoding(bad), Encoding::Windows1252) << testing::PrintToString(bad);
    EXPECT_EQ(DetectEncoding(ascii + "\xC3"), Encoding::Windows1252);
    EXPECT_STREQ(EncodingName(Encoding::Windows1252), "Windows-1252");
}

TEST(Encoding, SteppingKeepsCharactersWhole) {
    // Stray byte, a, 2-, 3- and 4-byte characters, then a sequence cut short at the end.
    const std::string text = "\x80"
                             "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xE2\x82";
    EXPECT_EQ(forwardStarts(Encoding::Utf8, text), (Sizes{0, 1, 2, 4, 7, 11, 12}));
    EXPECT_EQ(backwardStarts(Encoding::Utf8, text), forwardStarts(Encoding::Utf8, text));
    EXPECT_EQ(CountChars(Encoding::Utf8, text), 7u);
    EXPECT_EQ(CountChars(Encoding::Windows1252, text), text.size());
    EXPECT_EQ(backwardStarts(Encoding::Windows1252, text).size(), text.size());

    EXPECT_EQ(CharLengthAt(Encoding::Utf8, text, text.size()), 0u);
    EXPECT_EQ(CharLengthAt(Encoding::Utf8, text, 5), 1u) << "inside a character";
    EXPECT_EQ(PrevCharStart(Encoding::Utf8, text, 6), 5u) << "inside a character";
    EXPECT_EQ(PrevCharStart(Encoding::Utf8, text, 0), 0u);
    EXPECT_EQ(PrevCharStart(Encoding::Utf8, text, text.size() + 5), 12u);

    // Forward and backward agree on damaged text as well.
    for (std::string_view damaged : {"\xC3\xA9\xA9", "\xA9\xA9\xA9\xA9\xA9\xA9", "\xED\xA0\x80",
                                     "\xF0\x9F\x98\xC3\xA9", "x\xF0\x9F\x98\x80\x80\x80\x80\x80"})
        EXPECT_EQ(backwardStarts(Encoding::Utf8, damaged), forwardStarts(Encoding::Utf8, damaged))
            << testing::PrintToString(std::string(damaged));
}

TEST(Encoding, DecodeCharAt) {
    const std::string text = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xE0\x80\xAF";
    std::size_t length = 99;
    EXPECT_EQ(DecodeCharAt(Encoding::Utf8, text, 0, &length), U'\u00E9');
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(DecodeCharAt(Encoding::Utf8, text, 2, &length), U'\u20AC');
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(DecodeCharAt(Encoding::Utf8, text, 5, &length), U'\U0001F600');
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(DecodeCharAt(Encoding::Utf8, text, 9, &length), U'\uFFFD') << "overlong";
    EXPECT_EQ(length, 1u);
    EXPECT_EQ(DecodeCharAt(Encoding::Utf8, text, 10, &length), U'\uFFFD');
    EXPECT_EQ(DecodeCharAt(Encoding::Utf8, text, text.size(), &length), U'\0');
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(DecodeCharAt(Encoding::Windows1252, text, 3, &length), U'\u201A');
    EXPECT_EQ(length, 1u);
}

TEST(Encoding, EncodeChar) {
    for (char32_t c :
         {U'A', U'\u00E9', U'\u07FF', U'\u0800', U'\uFFFD', U'\U00010000', U'\U0010FFFF'}) {
        const std::string bytes = EncodeChar(Encoding::Utf8, c);
        std::size_t length = 0;
        EXPECT_EQ(DecodeCharAt(Encoding::Utf8, bytes, 0, &length), c);
        EXPECT_EQ(length, bytes.size());
    }
    EXPECT_EQ(EncodeChar(Encoding::Utf8, 0xD800), "");
    EXPECT_EQ(EncodeChar(Encoding::Utf8, 0x110000), "");

    // Every byte survives the trip through Unicode, the five unassigned ones included.
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(EncodeChar(Encoding::Windows1252, Cp1252ToUnicode(b)),
                  std::string(1, static_cast<char>(b)));
    EXPECT_EQ(Cp1252ToUnicode(0x80), U'\u20AC');
    EXPECT_EQ(Cp1252ToUnicode(0x9F), U'\u0178');
    EXPECT_EQ(EncodeChar(Encoding::Windows1252, U'\u0100'), "");
    EXPECT_EQ(EncodeChar(Encoding::Windows1252, U'\U0001F600'), "");
}
