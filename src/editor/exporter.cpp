// Plain text, RTF and HTML writers for a range of editor text, styled by its token numbers.
#include "editor/exporter.h"

#include "editor/codememoerror.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <vector>

namespace velloran {

namespace {

using CodePointWriter = void (*)(char32_t, std::string&);

enum class ByteAction : std::uint8_t { Copy, Replace, Decode };

// What to do with each byte value, worked out once per format and encoding so the hot
// loop never formats anything for single-byte characters.
struct EscapeTable {
    CodePointWriter write = nullptr;
    std::array<ByteAction, 256> action{};
    std::array<std::string, 256> replacement;
};

void appendDecimal(std::string& out, long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void appendHexByte(std::string& out, unsigned value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out += kDigits[(value >> 4) & 0xF];
    out += kDigits[value & 0xF];
}

void appendHtmlColour(std::string& out, Color c) {
    out += '#';
    appendHexByte(out, RedOf(c));
    appendHexByte(out, GreenOf(c));
    appendHexByte(out, BlueOf(c));
}

void appendHtmlChar(char32_t c, std::string& out) {
    switch (c) {
    case '<':
        out += "&lt;";
        return;
    case '>':
        out += "&gt;";
        return;
    case '"':
        out += "&quot;";
        return;
    case '&':
        out += "&amp;";
        return;
    case '\t':
    case 0xA0:
        out += "&nbsp;";
        return;
    case '\r':
        out += "\r\n";
        return;
    }
    if (c < 32)
        return;
    if (c < 128) {
        out += static_cast<char>(c);
        return;
    }
    out += "&#";
    appendDecimal(out, static_cast<long>(c));
    out += ';';
}

void appendRtfUnit(std::string& out, char16_t unit) {
    out += "\\u";
    appendDecimal(out, static_cast<std::int16_t>(unit));
    out += '?';
}

void appendRtfChar(char32_t c, std::string& out) {
    switch (c) {
    case 0:
        return;
    case '\\':
        out += "\\\\";
        return;
    case '{':
        out += "\\{";
        return;
    case '}':
        out += "\\}";
        return;
    case '\'':
        out += "\\'27";
        return;
    case '\t':
        out += "\\tab ";
        return;
    case '\f':
        out += "\\page ";
        return;
    case '\r':
        out += "\\line ";
        return;
    }
    if (c >= 32 && c < 127) {
        out += static_cast<char>(c);
    } else if (c < 128 || (c >= 0xA0 && c <= 0xFF)) {
        out += "\\'";
        appendHexByte(out, c);
    } else if (c > 0xFFFF) {
        const char32_t v = c - 0x10000;
        appendRtfUnit(out, static_cast<char16_t>(0xD800 + (v >> 10)));
        appendRtfUnit(out, static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
        // \'80..\'9f would be read as Windows-1252 letters, not these code points.
        appendRtfUnit(out, static_cast<char16_t>(c));
    }
}

EscapeTable makeTable(CodePointWriter write, Encoding encoding) {
    EscapeTable table;
    table.write = write;
    for (unsigned b = 0; b < 256; ++b) {
        if (b >= 0x80 && encoding == Encoding::Utf8) {
            table.action[b] = ByteAction::Decode;
            continue;
        }
        std::string& text = table.replacement[b];
        write(Cp1252ToUnicode(static_cast<unsigned char>(b)), text);
        const bool same = text.size() == 1 && static_cast<unsigned char>(text[0]) == b;
        table.action[b] = same ? ByteAction::Copy : ByteAction::Replace;
    }
    return table;
}

const EscapeTable& htmlTable(Encoding encoding) {
    static const EscapeTable utf8 = makeTable(appendHtmlChar, Encoding::Utf8);
    static const EscapeTable ansi = makeTable(appendHtmlChar, Encoding::Windows1252);
    return encoding == Encoding::Utf8 ? utf8 : ansi;
}

const EscapeTable& rtfTable(Encoding encoding) {
    static const EscapeTable utf8 = makeTable(appendRtfChar, Encoding::Utf8);
    static const EscapeTable ansi = makeTable(appendRtfChar, Encoding::Windows1252);
    return encoding == Encoding::Utf8 ? utf8 : ansi;
}

// Escapes the characters starting in [pos, end). A UTF-8 character is never split, so
// the returned position may lie past `end` when token numbers disagree within one.
std::size_t appendEscaped(const EscapeTable& table, std::string_view text, std::size_t pos,
                          std::size_t end, std::string& out) {
    std::size_t copyFrom = pos;
    while (pos < end) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        const ByteAction action = table.action[byte];
        if (action == ByteAction::Copy) {
            ++pos;
            continue;
        }
        out.append(text.data() + copyFrom, pos - copyFrom);
        if (action == ByteAction::Replace) {
            out += table.replacement[byte];
            ++pos;
        } else {
            std::size_t length = 1;
            table.write(DecodeCharAt(Encoding::Utf8, text, pos, &length), out);
            pos += length;
        }
        copyFrom = pos;
    }
    out.append(text.data() + copyFrom, pos - copyFrom);
    return pos;
}

void appendEscaped(const EscapeTable& table, std::string_view text, std::string& out) {
    appendEscaped(table, text, 0, text.size(), out);
}

void checkTokens(const ExportSource& source) {
    if (!source.tokens.empty() && source.tokens.size() != source.text.size())
        throw TCodeMemoException("Cannot export: the text has " +
                                 std::to_string(source.text.size()) + " bytes but " +
                                 std::to_string(source.tokens.size()) + " token numbers.");
}

// The text goes through the writers this much at a time: a streamed export holds the
// token numbers of one such block and about this much output.
constexpr std::size_t kBlock = 64 * 1024;

// The writers' output: appended straight to the caller's string, or gathered in a
// buffer that goes to a sink each time it has grown past a block.
class Output {
public:
    explicit Output(std::string& out) : m_text(out) {}
    Output(std::string& buffer, ExportSink& sink) : m_text(buffer), m_sink(&sink) {}

    [[nodiscard]] std::string& text() noexcept { return m_text; }
    void pieceDone() {
        if (m_sink && m_text.size() >= kBlock)
            flush();
    }
    void finish() {
        if (m_sink && !m_text.empty())
            flush();
    }

private:
    void flush() {
        m_sink->write(m_text);
        m_text.clear();
    }

    std::string& m_text;
    ExportSink* m_sink = nullptr;
};

// Calls writeRun(begin, end, style) for each stretch of equal token numbers, cut at
// block boundaries (a cut between equal styles writes no markup); writeRun returns
// where the next stretch starts.
template <class WriteRun>
void forEachRun(const ExportSource& source, Output& output, WriteRun&& writeRun) {
    const std::string_view text = source.text;
    const bool tokens = !source.tokens.empty() || source.readTokens;
    if (!tokens || !source.sheet.highlight) {
        for (std::size_t pos = 0; pos < text.size(); output.pieceDone())
            pos = writeRun(pos, std::min(text.size(), pos + kBlock), source.sheet.defaultStyle);
        return;
    }
    std::vector<std::uint8_t> block(source.readTokens ? kBlock : 0);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t blockStart = pos;
        const std::size_t blockEnd = std::min(text.size(), pos + kBlock);
        const std::uint8_t* numbers = source.tokens.data() + blockStart;
        if (source.readTokens) {
            source.readTokens(blockStart, blockEnd - blockStart, block.data());
            numbers = block.data();
        }
        while (pos < blockEnd) {
            const std::uint8_t token = numbers[pos - blockStart];
            std::size_t end = pos + 1;
            while (end < blockEnd && numbers[end - blockStart] == token)
                ++end;
            pos = writeRun(pos, end, source.sheet.styleForToken(token));
            output.pieceDone();
        }
    }
}

constexpr std::uint8_t kFontBits = kBold | kItalic | kUnderline;

class HtmlWriter {
public:
    HtmlWriter(const ExportSource& source, Output& out)
        : m_source(source), m_out(out.text()), m_table(htmlTable(source.encoding)),
          m_colour(source.sheet.defaultStyle.color) {}

    void writeHeader();
    std::size_t writeRun(std::size_t begin, std::size_t end, const TextStyle& style) {
        setStyle(style);
        return appendEscaped(m_table, m_source.text, begin, end, m_out);
    }
    void writeFooter() {
        closeTagsFrom(0);
        m_out += "</PRE></FONT></BODY></HTML>\r\n";
    }

private:
    static constexpr std::array<std::string_view, 3> kOpenTags{"<B>", "<I>", "<U>"};
    static constexpr std::array<std::string_view, 3> kCloseTags{"</B>", "</I>", "</U>"};

    void setStyle(const TextStyle& style);
    void closeTagsFrom(int level);

    const ExportSource& m_source;
    std::string& m_out;
    const EscapeTable& m_table;
    Color m_colour;
    std::uint8_t m_open = 0; // FontStyleBits whose tags are open; bold outermost
};

void HtmlWriter::writeHeader() {
    const EscapeTable& utf8 = htmlTable(Encoding::Utf8);
    const TextStyle& base = m_source.sheet.defaultStyle;
    m_out += "<HTML><HEAD>\r\n<META NAME=\"GENERATOR\" CONTENT=\"Velloran TCodeMemo\">\r\n<TITLE>";
    appendEscaped(utf8, m_source.title, m_out);
    m_out += "</TITLE>\r\n<META NAME=\"Date\" CONTENT=\"";
    appendEscaped(utf8, m_source.date, m_out);
    m_out += "\">\r\n</HEAD>\r\n<BODY TEXT=\"";
    appendHtmlColour(m_out, base.color);
    m_out += "\" BGCOLOR=\"";
    appendHtmlColour(m_out, base.back);
    m_out += "\">\r\n<PRE><FONT FACE=\"";
    appendEscaped(utf8, m_source.sheet.fontName, m_out);
    m_out += "\">\r\n";
}

// Tags are kept nested B > I > U inside the FONT element: a change closes everything
// inside the outermost element that changes and reopens what is still wanted.
void HtmlWriter::setStyle(const TextStyle& style) {
    const std::uint8_t wanted = style.fontStyle & kFontBits;
    const bool colourChanges = style.color != m_colour;
    if (!colourChanges && wanted == m_open)
        return;
    int level = 0;
    if (!colourChanges)
        while (((wanted ^ m_open) & (1u << level)) == 0)
            ++level;
    closeTagsFrom(level);
    if (colourChanges) {
        m_out += "</FONT><FONT COLOR=\"";
        appendHtmlColour(m_out, style.color);
        m_out += "\">";
        m_colour = style.color;
    }
    for (int i = level; i < 3; ++i) {
        if (wanted & (1u << i)) {
            m_out += kOpenTags[i];
            m_open |= 1u << i;
        }
    }
}

void HtmlWriter::closeTagsFrom(int level) {
    for (int i = 2; i >= level; --i) {
        if (m_open & (1u << i)) {
            m_out += kCloseTags[i];
            m_open &= ~(1u << i);
        }
    }
}

class RtfWriter {
public:
    RtfWriter(const ExportSource& source, Output& out)
        : m_source(source), m_output(out), m_out(out.text()), m_table(rtfTable(source.encoding)) {
        const TextStyle& base = source.sheet.defaultStyle;
        m_colours = {base.color, base.back};
        m_index.emplace(base.color, 0);
        m_index.emplace(base.back, 1);
    }

    void collectColours();
    void writeHeader();
    std::size_t writeRun(std::size_t begin, std::size_t end, const TextStyle& style) {
        if (&style != m_lastStyle)
            setStyle(style);
        return appendEscaped(m_table, m_source.text, begin, end, m_out);
    }
    void writeFooter() { m_out += "}}"; }

private:
    int colourIndex(Color c) {
        const auto [it, added] = m_index.try_emplace(c, static_cast<int>(m_colours.size()));
        if (added)
            m_colours.push_back(c);
        return it->second;
    }
    void setStyle(const TextStyle& style);

    const ExportSource& m_source;
    Output& m_output;
    std::string& m_out;
    const EscapeTable& m_table;
    std::vector<Color> m_colours;
    std::unordered_map<Color, int> m_index;
    const TextStyle* m_lastStyle = nullptr;
    std::uint8_t m_fontBits = 0;
    int m_foreground = 0;
    int m_background = 1;
};

void RtfWriter::collectColours() {
    forEachRun(m_source, m_output, [this](std::size_t, std::size_t end, const TextStyle& style) {
        colourIndex(style.color);
        colourIndex(style.back);
        return end;
    });
}

void RtfWriter::writeHeader() {
    const EscapeTable& utf8 = rtfTable(Encoding::Utf8);
    m_out += "{\\rtf1 \\deff1{\\fonttbl {\\f1 \\fnil ";
    appendEscaped(utf8, m_source.sheet.fontName, m_out);
    m_out += ";}}\r\n{\\colortbl";
    for (const Color c : m_colours) {
        m_out += "\\red";
        appendDecimal(m_out, RedOf(c));
        m_out += "\\green";
        appendDecimal(m_out, GreenOf(c));
        m_out += "\\blue";
        appendDecimal(m_out, BlueOf(c));
        m_out += ';';
    }
    m_out += "}\r\n{\\f1\\fs";
    appendDecimal(m_out, 2L * m_source.sheet.fontSize);
    m_out += "\\cf0\\cb1 ";
}

void RtfWriter::setStyle(const TextStyle& style) {
    m_lastStyle = &style;
    const std::uint8_t bits = style.fontStyle & kFontBits;
    const std::uint8_t changed = bits ^ m_fontBits;
    if (changed & kBold)
        m_out += bits & kBold ? "\\b1 " : "\\b0 ";
    if (changed & kItalic)
        m_out += bits & kItalic ? "\\i1 " : "\\i0 ";
    if (changed & kUnderline)
        m_out += bits & kUnderline ? "\\ul1 " : "\\ul0 ";
    m_fontBits = bits;
    const auto switchColour = [this](const char* control, int& current, int wanted) {
        if (wanted == current)
            return;
        m_out += control;
        appendDecimal(m_out, wanted);
        m_out += ' ';
        current = wanted;
    };
    switchColour("\\cf", m_foreground, colourIndex(style.color));
    switchColour("\\cb", m_background, colourIndex(style.back));
}

// Room for the text plus a little markup; growth beyond that is amortised anyway.
void reserveFor(const ExportSource& source, std::string& out) {
    out.reserve(out.size() + source.text.size() + source.text.size() / 8 + 1024);
}

void writePlainText(const ExportSource& source, Output& output) {
    const std::optional<LineEnd> style = LineEndNamed(source.lineEnd);
    if (!style)
        throw TCodeMemoException("Cannot export: unknown line end style.");
    const std::string_view text = source.text;
    const std::span<const LineEnd> each = source.lineEnds;
    if (!each.empty()) {
        const auto breaks = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r'));
        if (breaks != each.size())
            throw TCodeMemoException("Cannot export: the text has " + std::to_string(breaks) +
                                     " line ends but " + std::to_string(each.size()) +
                                     " line end styles.");
    }
    std::string& out = output.text();
    std::size_t pos = 0;
    std::size_t breaks = 0;
    while (pos < text.size()) {
        const std::size_t stop = std::min(text.size(), pos + kBlock);
        const void* hit = std::memchr(text.data() + pos, '\r', stop - pos);
        const std::size_t cr =
            hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : stop;
        out.append(text.data() + pos, cr - pos);
        if (cr < stop) {
            out += each.empty() ? source.lineEnd : LineEndText(each[breaks++]);
            pos = cr + 1;
        } else {
            pos = stop;
        }
        output.pieceDone();
    }
}

void writeHtml(const ExportSource& source, Output& output) {
    checkTokens(source);
    HtmlWriter writer(source, output);
    writer.writeHeader();
    forEachRun(source, output,
               [&writer](std::size_t begin, std::size_t end, const TextStyle& style) {
                   return writer.writeRun(begin, end, style);
               });
    writer.writeFooter();
}

void writeRtf(const ExportSource& source, Output& output) {
    checkTokens(source);
    RtfWriter writer(source, output);
    writer.collectColours();
    writer.writeHeader();
    forEachRun(source, output,
               [&writer](std::size_t begin, std::size_t end, const TextStyle& style) {
                   return writer.writeRun(begin, end, style);
               });
    writer.writeFooter();
}

void writeFormat(SaveFormat format, const ExportSource& source, Output& output) {
    switch (format) {
    case SaveFormat::Text:
        return writePlainText(source, output);
    case SaveFormat::Rtf:
        return writeRtf(source, output);
    case SaveFormat::Html:
        return writeHtml(source, output);
    }
    throw TCodeMemoException("Cannot export: unknown file format " +
                             std::to_string(static_cast<int>(format)) + ".");
}

// Writes into `out`, which is left as it was when the writer throws.
template <class Write>
void writeToString(std::string& out, std::size_t extra, Write&& write) {
    const std::size_t before = out.size();
    out.reserve(before + extra);
    Output output(out);
    try {
        write(output);
    } catch (...) {
        out.resize(before);
        throw;
    }
}

} // namespace

void WritePlainText(const ExportSource& source, std::string& out) {
    writeToString(out, source.text.size() + source.text.size() / 16,
                  [&](Output& output) { writePlainText(source, output); });
}

void WriteHtml(const ExportSource& source, std::string& out) {
    checkTokens(source);
    reserveFor(source, out);
    writeToString(out, 0, [&](Output& output) { writeHtml(source, output); });
}

void WriteRtf(const ExportSource& source, std::string& out) {
    checkTokens(source);
    reserveFor(source, out);
    writeToString(out, 0, [&](Output& output) { writeRtf(source, output); });
}

void WriteFormat(SaveFormat format, const ExportSource& source, std::string& out) {
    switch (format) {
    case SaveFormat::Text:
        return WritePlainText(source, out);
    case SaveFormat::Rtf:
        return WriteRtf(source, out);
    case SaveFormat::Html:
        return WriteHtml(source, out);
    }
    Output output(out);
    writeFormat(format, source, output); // throws for the unknown format
}

void WriteFormat(SaveFormat format, const ExportSource& source, ExportSink& sink) {
    std::string buffer;
    buffer.reserve(2 * kBlock);
    Output output(buffer, sink);
    writeFormat(format, source, output);
    output.finish();
}

} // namespace velloran
