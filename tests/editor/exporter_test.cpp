// Tests of the plain text, RTF and HTML writers: escaping, colours, style runs, bad input.
#include "editor/codememoerror.h"
#include "editor/exporter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velloran;
using namespace std::literals;

namespace {

using Tokens = std::vector<std::uint8_t>;

// Token 1: bold red on yellow; token 2: italic green; token 3: plain (default colours).
StyleSheet highlightSheet() {
    StyleSheet sheet;
    sheet.highlight = true;
    sheet.tokenToStyle[1] = 1;
    sheet.tokenToStyle[2] = 2;
    sheet.styles[0] = sheet.defaultStyle;
    sheet.styles[1] = {kBold, 0x0000FF, 0x00FFFF};
    sheet.styles[2] = {kItalic, 0x00FF00, 0xFFFFFF};
    return sheet;
}

std::string write(SaveFormat format, std::string_view text, Encoding encoding = Encoding::Utf8,
                  const Tokens& tokens = {}, const StyleSheet& sheet = StyleSheet{}) {
    std::string out;
    WriteFormat(format,
                {.text = text,
                 .tokens = tokens,
                 .sheet = sheet,
                 .encoding = encoding,
                 .title = "a<b>.html",
                 .date = "2024-05-01"},
                out);
    return out;
}

// The HTML between the header and the closing </PRE>.
std::string htmlBody(const std::string& html) {
    const std::string start = "<FONT FACE=\"Courier New\">\r\n";
    const std::size_t from = html.find(start) + start.size();
    return html.substr(from, html.rfind("</PRE>") - from);
}

// The RTF after the colour table and the opening font group.
std::string rtfBody(const std::string& rtf) {
    const std::size_t from = rtf.find("\\cf0\\cb1 ") + 9;
    return rtf.substr(from, rtf.size() - 2 - from);
}

} // namespace

TEST(ExporterHtml, EscapesCharactersInBothEncodings) {
    EXPECT_EQ(htmlBody(write(SaveFormat::Html, "<a href=\"x\">&amp; \xC3\xA9\r"
                                               "\t\xC2\xA0\x01\x80z")),
              "&lt;a href=&quot;x&quot;&gt;&amp;amp; &#233;\r\n&nbsp;&nbsp;&#65533;z");
    EXPECT_EQ(htmlBody(write(SaveFormat::Html, "<\"&\xE9\x80\xA0\x81", Encoding::Windows1252)),
              "&lt;&quot;&amp;&#233;&#8364;&nbsp;&#129;");
    EXPECT_EQ(htmlBody(write(SaveFormat::Html, "\xF0\x9F\x98\x80")), "&#128512;");
}

TEST(ExporterHtml, FrameAndColoursAreRedFirst) {
    StyleSheet sheet;
    sheet.defaultStyle.color = 0x0000FF;
    sheet.defaultStyle.back = 0x102030;
    EXPECT_EQ(write(SaveFormat::Html, "x", Encoding::Utf8, {}, sheet),
              "<HTML><HEAD>\r\n"
              "<META NAME=\"GENERATOR\" CONTENT=\"Velloran TCodeMemo\">\r\n"
              "<TITLE>a&lt;b&gt;.html</TITLE>\r\n"
              "<META NAME=\"Date\" CONTENT=\"2024-05-01\">\r\n"
              "</HEAD>\r\n"
              "<BODY TEXT=\"#ff0000\" BGCOLOR=\"#302010\">\r\n"
              "<PRE><FONT FACE=\"Courier New\">\r\n"
              "x</PRE></FONT></BODY></HTML>\r\n");
}

TEST(ExporterHtml, StyleRunsKeepTagsNested) {
    const StyleSheet sheet = highlightSheet();
    // Token 2 is italic green, so the bold red run before it must close inside its FONT.
    EXPECT_EQ(
        htmlBody(write(SaveFormat::Html, "abcdef", Encoding::Utf8, {1, 1, 3, 2, 2, 1}, sheet)),
        "</FONT><FONT COLOR=\"#ff0000\"><B>ab</B></FONT><FONT COLOR=\"#000000\">c"
        "</FONT><FONT COLOR=\"#00ff00\"><I>de</I></FONT><FONT COLOR=\"#ff0000\"><B>f</B>");
    StyleSheet sameColour = sheet;
    sameColour.styles[2] = {kBold | kItalic, 0x0000FF, 0};
    // Bold stays on while italic goes: only the inner tag closes.
    EXPECT_EQ(htmlBody(write(SaveFormat::Html, "abc", Encoding::Utf8, {2, 1, 3}, sameColour)),
              "</FONT><FONT COLOR=\"#ff0000\"><B><I>a</I>b</B></FONT><FONT COLOR=\"#000000\">c");
    // Highlighting off: token numbers are ignored.
    StyleSheet off = sheet;
    off.highlight = false;
    EXPECT_EQ(htmlBody(write(SaveFormat::Html, "ab", Encoding::Utf8, {1, 2}, off)), "ab");
}

TEST(ExporterRtf, EscapesCharacters) {
    EXPECT_EQ(rtfBody(write(SaveFormat::Rtf, "\\{}'\t\f\r\x01\0\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"
                                             "\xC2\x85"
                                             "z"sv)),
              "\\\\\\{\\}\\'27\\tab \\page \\line \\'01\\'e9\\u8364?\\u-10179?\\u-8704?\\u133?z");
    EXPECT_EQ(rtfBody(write(SaveFormat::Rtf, "\x80\xE9", Encoding::Windows1252)), "\\u8364?\\'e9");
}

TEST(ExporterRtf, ColourTableAndStyleSwitches) {
    EXPECT_EQ(write(SaveFormat::Rtf, "abcd", Encoding::Utf8, {3, 2, 1, 3}, highlightSheet()),
              "{\\rtf1 \\deff1{\\fonttbl {\\f1 \\fnil Courier New;}}\r\n"
              "{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;"
              "\\red0\\green255\\blue0;\\red255\\green0\\blue0;\\red255\\green255\\blue0;}\r\n"
              "{\\f1\\fs20\\cf0\\cb1 a\\i1 \\cf2 b\\b1 \\i0 \\cf3 \\cb4 c\\b0 \\cf0 \\cb1 d}}");
}

TEST(ExporterPlainText, LineEndsAndControlBytes) {
    const std::string_view text = "a\tb\r\x01\0\x7F\r\rc"sv;
    std::string out = "kept:";
    for (const std::string_view lineEnd : {"\r\n", "\n", "\r", "\n\r"})
        WritePlainText({.text = text, .sheet = StyleSheet{}, .lineEnd = lineEnd}, out);
    EXPECT_EQ(out, "kept:a\tb\r\n\x01\0\x7F\r\n\r\nc"
                   "a\tb\n\x01\0\x7F\n\nc"
                   "a\tb\r\x01\0\x7F\r\rc"
                   "a\tb\n\r\x01\0\x7F\n\r\n\rc"sv);
    // Each CR may bring its own line end.
    out.clear();
    const std::vector ends{LineEnd::Lf, LineEnd::CrLf, LineEnd::Cr};
    WritePlainText({.text = text, .sheet = StyleSheet{}, .lineEnds = ends}, out);
    EXPECT_EQ(out, "a\tb\n\x01\0\x7F\r\n\rc"sv);
}

TEST(ExporterBadInput, ThrowsAndLeavesOutputAlone) {
    const StyleSheet sheet = highlightSheet();
    const Tokens tooFew{1};
    std::string out = "before";
    EXPECT_THROW(WriteHtml({.text = "ab", .tokens = tooFew, .sheet = sheet}, out),
                 TCodeMemoException);
    EXPECT_THROW(WriteRtf({.text = "ab", .tokens = tooFew, .sheet = sheet}, out),
                 TCodeMemoException);
    EXPECT_THROW(WritePlainText({.text = "a\r", .sheet = sheet, .lineEnd = "\r\r"}, out),
                 TCodeMemoException);
    const std::vector oneEnd{LineEnd::Lf};
    EXPECT_THROW(WritePlainText({.text = "a\rb\r", .sheet = sheet, .lineEnds = oneEnd}, out),
                 TCodeMemoException);
    EXPECT_THROW(WriteFormat(SaveFormat{3}, {.text = "a", .sheet = sheet}, out),
                 TCodeMemoException);
    EXPECT_EQ(out, "before");
    // Token numbers that change inside a character never split it.
    EXPECT_EQ(
        htmlBody(write(SaveFormat::Html, "\xC3\xA9x", Encoding::Utf8, {1, 2, 2}, sheet)),
        "</FONT><FONT COLOR=\"#ff0000\"><B>&#233;</B></FONT><FONT COLOR=\"#00ff00\"><I>x</I>");
    EXPECT_EQ(htmlBody(write(SaveFormat::Html, "")), "");
}
