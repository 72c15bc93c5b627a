// Reading and writing parser images, settings strings and key-assignment streams.
#include "editor/parserimage.h"

#include "editor/compressor.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace velloran {

namespace {

using Byte = unsigned char;

constexpr std::size_t kHeaderSize = 652;
constexpr std::size_t kTokenSize = 196;
constexpr std::size_t kStartCharSize = 280;
constexpr std::size_t kStyleSize = 24;
constexpr std::size_t kTransitionSize = 97;
constexpr std::size_t kSetSize = 32;
constexpr std::size_t kMaxTableEntries = 255; // table counts are single bytes
constexpr std::size_t kVersionSize = 2;
constexpr std::size_t kImagePrefixSize = 6; // version and uncompressed size
constexpr std::string_view kStreamPrefix = "Qorvex2:";
constexpr std::string_view kStreamFamily = "Qorvex";
constexpr std::uint8_t kLastCommandIndex = kCommandCount - 1;

const char* const kDamaged = "Parser image is damaged: ";
const char* const kCannotWrite = "Cannot write the parser image: ";
const char* const kBadStyleString = "Invalid data in style string";
const char* const kBadKeyAssignments = "Invalid data in key assignments";

[[noreturn]] void fail(const char* prefix, const std::string& why) {
    throw ParserImageError(prefix + why);
}

void putU32(Byte* p, std::uint32_t value) noexcept {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<Byte>(value >> (8 * i));
}

std::uint32_t getU32(const Byte* p) noexcept {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

std::int32_t getI32(const Byte* p) noexcept {
    return static_cast<std::int32_t>(getU32(p));
}

// A fixed field of capacity + 1 bytes; the zeroed record supplies the padding.
void putFixedString(Byte* p, std::string_view text, std::size_t capacity, const char* what) {
    if (text.size() > capacity)
        fail(kCannotWrite,
             std::string(what) + " is longer than " + std::to_string(capacity) + " bytes");
    p[0] = static_cast<Byte>(text.size());
    std::memcpy(p + 1, text.data(), text.size());
}

std::string getFixedString(const Byte* p, std::size_t capacity, const char* what) {
    if (p[0] > capacity)
        fail(kDamaged, std::string(what) + " claims " + std::to_string(p[0]) +
                           " bytes in a field of " + std::to_string(capacity));
    return {reinterpret_cast<const char*>(p + 1), p[0]};
}

class ByteWriter {
public:
    void byte(std::uint8_t value) { m_out.push_back(static_cast<char>(value)); }
    void u32(std::uint32_t value) {
        Byte bytes[4];
        putU32(bytes, value);
        block(bytes, sizeof bytes);
    }
    void set(const CharSet& set) {
        Byte bytes[kSetSize];
        set.toBytes(bytes);
        block(bytes, sizeof bytes);
    }
    void shortString(std::string_view text, const std::string& what) {
        if (text.size() > 255)
            fail(kCannotWrite, what + " is longer than 255 bytes");
        byte(static_cast<std::uint8_t>(text.size()));
        m_out += text;
    }
    template <std::size_t Size, typename Entry>
    void record(const Entry& entry, void (*encode)(const Entry&, Byte*)) {
        Byte bytes[Size] = {};
        encode(entry, bytes);
        block(bytes, Size);
    }
    [[nodiscard]] std::string take() { return std::move(m_out); }

private:
    void block(const Byte* bytes, std::size_t size) {
        m_out.append(reinterpret_cast<const char*>(bytes), size);
    }

    std::string m_out;
};

// Every read is checked against the end; the section names the part being read so
// that a truncation says where the data ran out.
class ByteReader {
public:
    explicit ByteReader(std::string_view data) : m_data(data) {}

    void section(const char* name) noexcept { m_section = name; }
    const Byte* take(std::size_t size) {
        if (size > m_data.size() - m_pos)
            fail(kDamaged, std::string("the data ends inside the ") + m_section);
        const Byte* p = reinterpret_cast<const Byte*>(m_data.data()) + m_pos;
        m_pos += size;
        return p;
    }
    std::uint8_t byte() { return *take(1); }
    std::uint32_t u32() { return getU32(take(4)); }
    CharSet set() { return CharSet::fromBytes(take(kSetSize)); }
    std::string shortString() {
        const std::size_t size = byte();
        return {reinterpret_cast<const char*>(take(size)), size};
    }
    [[nodiscard]] std::size_t remaining() const noexcept { return m_data.size() - m_pos; }

private:
    std::string_view m_data;
    std::size_t m_pos = 0;
    const char* m_section = "parser data";
};

void encodeHeader(const LanguageHeader& h, Byte* p) {
    putFixedString(p, h.sampleText, 255, "sample text");
    for (std::size_t i = 0; i < h.editableStyles.size(); ++i) {
        Byte* slot = p + 256 + 27 * i;
        putFixedString(slot, h.editableStyles[i].name, 25, "editable style name");
        slot[26] = h.editableStyles[i].style;
    }
    putFixedString(p + 526, h.languageName, 35, "language name");
    putU32(p + 564, h.options);
    p[568] = h.caseSensitive ? 1 : 0;
    putU32(p + 572, static_cast<std::uint32_t>(h.rightMargin));
    putU32(p + 576, static_cast<std::uint32_t>(h.wrapColumn));
    putU32(p + 580, static_cast<std::uint32_t>(h.gutter));
    putU32(p + 584, static_cast<std::uint32_t>(h.indentStep));
    putFixedString(p + 588, h.wrapOverride, 20, "wrap-override text");
    p[609] = h.anchorToken;
    h.startStates.toBytes(p + 610);
    putU32(p + 644, h.selectedText);
    putU32(p + 648, h.selectedBack);
}

LanguageHeader decodeHeader(const Byte* p) {
    LanguageHeader h;
    h.sampleText = getFixedString(p, 255, "sample text");
    for (std::size_t i = 0; i < h.editableStyles.size(); ++i) {
        const Byte* slot = p + 256 + 27 * i;
        h.editableStyles[i] = {getFixedString(slot, 25, "editable style name"), slot[26]};
    }
    h.languageName = getFixedString(p + 526, 35, "language name");
    h.options = getU32(p + 564);
    h.caseSensitive = p[568] != 0;
    h.rightMargin = getI32(p + 572);
    h.wrapColumn = getI32(p + 576);
    h.gutter = getI32(p + 580);
    h.indentStep = getI32(p + 584);
    h.wrapOverride = getFixedString(p + 588, 20, "wrap-override text");
    h.anchorToken = p[609];
    h.startStates = CharSet::fromBytes(p + 610);
    h.selectedText = getU32(p + 644);
    h.selectedBack = getU32(p + 648);
    return h;
}

void encodeToken(const TokenDefinition& d, Byte* p) {
    p[0] = d.present;
    p[4] = d.checkFirst;
    d.body.toBytes(p + 5);
    p[40] = d.bodyHandler;
    p[44] = d.bodyCustom;
    putU32(p + 48, static_cast<std::uint32_t>(d.bodyHandlerId));
    p[52] = d.includeTerminator;
    p[53] = d.terminatorHandler;
    p[56] = d.terminatorCustom;
    putU32(p + 60, static_cast<std::uint32_t>(d.terminatorHandlerId));
    putU32(p + 64, static_cast<std::uint32_t>(d.terminatorLength));
    for (std::size_t k = 0; k < d.terminator.size(); ++k)
        d.terminator[k].toBytes(p + 68 + kSetSize * k);
}

TokenDefinition decodeToken(const Byte* p) {
    TokenDefinition d;
    d.present = p[0] != 0;
    d.checkFirst = p[4] != 0;
    d.body = CharSet::fromBytes(p + 5);
    d.bodyHandler = p[40] != 0;
    d.bodyCustom = p[44] != 0;
    d.bodyHandlerId = getI32(p + 48);
    d.includeTerminator = p[52] != 0;
    d.terminatorHandler = p[53] != 0;
    d.terminatorCustom = p[56] != 0;
    d.terminatorHandlerId = getI32(p + 60);
    d.terminatorLength = getI32(p + 64);
    for (std::size_t k = 0; k < d.terminator.size(); ++k)
        d.terminator[k] = CharSet::fromBytes(p + 68 + kSetSize * k);
    return d;
}

void encodeStartChar(const StartCharDefinition& s, Byte* p) {
    p[0] = s.present;
    p[40] = s.standardHandler;
    putU32(p + 48, static_cast<std::uint32_t>(s.handlerId));
    encodeToken(s.definition, p + 80);
    // The embedded definition's flag overlaps the state set's last bytes; the set wins.
    s.states.toBytes(p + 52);
    p[276] = s.token;
}

StartCharDefinition decodeStartChar(const Byte* p) {
    StartCharDefinition s;
    s.present = p[0] != 0;
    s.standardHandler = p[40] != 0;
    s.handlerId = getI32(p + 48);
    s.states = CharSet::fromBytes(p + 52);
    s.definition = decodeToken(p + 80);
    s.definition.present = !s.standardHandler;
    s.token = p[276];
    return s;
}

void encodeStyle(const TextStyle& s, Byte* p) {
    p[0] = s.fontStyle;
    putU32(p + 4, s.color);
    putU32(p + 8, s.back);
    p[12] = s.hotspot;
    putU32(p + 16, s.defined ? 1 : 0);
    // 20..23 held a font handle at run time; it is meaningless on disk and stays zero.
}

TextStyle decodeStyle(const Byte* p) {
    TextStyle s;
    s.fontStyle = p[0] & (kBold | kItalic | kUnderline);
    s.color = getU32(p + 4);
    s.back = getU32(p + 8);
    s.hotspot = p[12] != 0;
    s.defined = getU32(p + 16) != 0;
    return s;
}

void encodeTransition(const StateTransition& t, Byte* p) {
    t.valid.toBytes(p);
    t.enter.toBytes(p + kSetSize);
    t.leave.toBytes(p + 2 * kSetSize);
    p[96] = t.container;
}

StateTransition decodeTransition(const Byte* p) {
    return {CharSet::fromBytes(p), CharSet::fromBytes(p + kSetSize),
            CharSet::fromBytes(p + 2 * kSetSize), p[96] != 0};
}

// The reader and the writer apply the same checks, so whatever is written reads back.
void checkToken(const TokenDefinition& d, const std::string& owner, const char* prefix) {
    if (d.terminatorLength < 0 || d.terminatorLength > 4)
        fail(prefix, owner + " has a terminator of " + std::to_string(d.terminatorLength) +
                         " characters (at most 4)");
}

void checkStartChar(const StartCharDefinition& s, int character, const char* prefix) {
    const std::string owner = "start character " + std::to_string(character);
    if (!s.standardHandler)
        checkToken(s.definition, owner, prefix);
    else if (s.handlerId < kStdIdentifier || s.handlerId > kLastHandler)
        fail(prefix, owner + " names unknown handler " + std::to_string(s.handlerId));
}

// One entry is written for every index `inUse` accepts, preceded by the count byte.
template <typename InUse, typename WriteEntry>
void writeTable(ByteWriter& out, std::size_t size, const char* name, InUse inUse,
                WriteEntry writeEntry) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < size; ++i)
        count += inUse(i) ? 1 : 0;
    if (count > kMaxTableEntries)
        fail(kCannotWrite, "the language has " + std::to_string(count) + " " + name +
                               ", at most 255 can be stored");
    out.byte(static_cast<std::uint8_t>(count));
    for (std::size_t i = 0; i < size; ++i)
        if (inUse(i)) {
            out.byte(static_cast<std::uint8_t>(i));
            writeEntry(i);
        }
}

template <typename ReadEntry>
void readTable(ByteReader& in, const char* name, ReadEntry readEntry) {
    in.section(name);
    const int count = in.byte();
    for (int i = 0; i < count; ++i)
        readEntry(in.byte());
}

void writeKeyBinding(ByteWriter& out, const KeyBinding& binding) {
    out.shortString(binding.name, "command name \"" + binding.name + "\"");
    out.u32(binding.first);
    out.u32(binding.second);
}

// Follows the command index byte; the index has been read into `index`.
void readKeyBinding(ByteReader& in, int index, KeyTable& keys) {
    if (index > kLastCommandIndex)
        fail(kDamaged, "key binding for unknown command " + std::to_string(index));
    KeyBinding binding{in.shortString().substr(0, kMaxCommandNameLength)};
    const std::uint32_t first = in.u32();
    const std::uint32_t second = in.u32();
    if (first > 0xFFFF || second > 0xFFFF)
        fail(kDamaged, "shortcut of " + binding.name + " is out of range");
    binding.first = static_cast<std::uint16_t>(first);
    binding.second = static_cast<std::uint16_t>(second);
    keys[index] = std::move(binding);
}

void writeKeywords(ByteWriter& out, const std::vector<KeywordEntry>& keywords) {
    for (const KeywordEntry& k : keywords) {
        if (k.word.empty())
            fail(kCannotWrite, "a keyword is empty");
        out.shortString(k.word, "keyword \"" + k.word.substr(0, 20) + "...\"");
        out.set(k.follow);
        out.set(k.states);
        out.u32(k.token);
    }
    out.byte(0);
}

void readKeywords(ByteReader& in, std::vector<KeywordEntry>& keywords) {
    in.section("keyword list");
    for (std::string word = in.shortString(); !word.empty(); word = in.shortString()) {
        KeywordEntry k{std::move(word), in.set(), in.set()};
        const std::uint32_t token = in.u32();
        if (token > 255)
            fail(kDamaged, "keyword \"" + k.word + "\" has token number " + std::to_string(token) +
                               " (at most 255)");
        k.token = static_cast<std::uint8_t>(token);
        keywords.push_back(std::move(k));
    }
}

void writeTables(ByteWriter& out, const ParserTables& t) {
    writeTable(
        out, t.tokens.size(), "token definitions",
        [&](std::size_t i) { return t.tokens[i].present; },
        [&](std::size_t i) {
            checkToken(t.tokens[i], "token " + std::to_string(i), kCannotWrite);
            out.record<kTokenSize>(t.tokens[i], encodeToken);
        });
    writeTable(
        out, t.startChars.size(), "start characters",
        [&](std::size_t i) { return t.startChars[i].present; },
        [&](std::size_t i) {
            checkStartChar(t.startChars[i], static_cast<int>(i), kCannotWrite);
            out.record<kStartCharSize>(t.startChars[i], encodeStartChar);
        });
    writeTable(
        out, t.styles.size(), "defined styles", [&](std::size_t i) { return t.styles[i].defined; },
        [&](std::size_t i) { out.record<kStyleSize>(t.styles[i], encodeStyle); });
    writeTable(
        out, t.map.size(), "token-to-style map entries",
        [&](std::size_t i) { return t.map[i] != 0; }, [&](std::size_t i) { out.byte(t.map[i]); });
    writeTable(
        out, t.transitions.size(), "state transitions",
        [&](std::size_t i) { return t.transitions[i] != StateTransition{}; },
        [&](std::size_t i) { out.record<kTransitionSize>(t.transitions[i], encodeTransition); });
    writeTable(
        out, t.keys.size(), "changed key bindings",
        [&](std::size_t i) { return t.keys[i] != DefaultKeyTable()[i]; },
        [&](std::size_t i) { writeKeyBinding(out, t.keys[i]); });
}

void readTables(ByteReader& in, ParserTables& t) {
    readTable(in, "token definitions", [&](int id) {
        t.tokens[id] = decodeToken(in.take(kTokenSize));
        checkToken(t.tokens[id], "token " + std::to_string(id), kDamaged);
    });
    readTable(in, "start characters", [&](int c) {
        t.startChars[c] = decodeStartChar(in.take(kStartCharSize));
        checkStartChar(t.startChars[c], c, kDamaged);
    });
    readTable(in, "styles", [&](int n) { t.styles[n] = decodeStyle(in.take(kStyleSize)); });
    readTable(in, "token-to-style map", [&](int id) { t.map[id] = in.byte(); });
    readTable(in, "state transitions",
              [&](int id) { t.transitions[id] = decodeTransition(in.take(kTransitionSize)); });
    readTable(in, "key bindings", [&](int index) { readKeyBinding(in, index, t.keys); });
}

} // namespace

std::string WriteParserData(const ParserTables& tables) {
    ByteWriter out;
    out.record<kHeaderSize>(tables.header, encodeHeader);
    out.u32(static_cast<std::uint32_t>(tables.fontSize));
    out.shortString(tables.fontName, "font name");
    writeKeywords(out, tables.keywords);
    writeTables(out, tables);
    return out.take();
}

ParserTables ReadParserData(std::string_view data) {
    ByteReader in(data);
    ParserTables tables;
    in.section("language header");
    tables.header = decodeHeader(in.take(kHeaderSize));
    in.section("font");
    tables.fontSize = static_cast<std::int32_t>(in.u32());
    tables.fontName = in.shortString();
    readKeywords(in, tables.keywords);
    readTables(in, tables);
    if (in.remaining() != 0)
        fail(kDamaged, "unexpected data (" + std::to_string(in.remaining()) +
                           " bytes) after the key bindings");
    return tables;
}

std::string WriteParserImage(const ParserTables& tables) {
    const std::string data = WriteParserData(tables);
    Byte prefix[kImagePrefixSize];
    prefix[0] = static_cast<Byte>(kParserImageVersion);
    prefix[1] = static_cast<Byte>(kParserImageVersion >> 8);
    putU32(prefix + kVersionSize, static_cast<std::uint32_t>(data.size()));
    std::string image(reinterpret_cast<const char*>(prefix), sizeof prefix);
    return image + Compress(data, CompressionMethod::KH);
}

ParserTables ReadParserImage(std::string_view image, std::string_view componentName) {
    if (image.size() < kVersionSize)
        fail(kDamaged, "the image is too short to hold its version");
    const int version = static_cast<Byte>(image[0]) | static_cast<Byte>(image[1]) << 8;
    if (version != kParserImageVersion)
        throw ParserVersionError(std::string(componentName) +
                                 ": DFM file saved by different version of TCodeMemoParser.\n\r"
                                 "Recompile script to update DFM file.\n\rExpected version was " +
                                 std::to_string(kParserImageVersion) + " read version was " +
                                 std::to_string(version));
    if (image.size() < kImagePrefixSize)
        fail(kDamaged, "the image ends inside its size field");
    std::string data;
    try {
        data = Decompress(image.substr(kImagePrefixSize));
    } catch (const ECompressorException& e) {
        fail(kDamaged, e.what());
    }
    return ReadParserData(data);
}

// ---------------------------------------------------------------------------------------
// Settings string

namespace {

// Decimal numbers and counted texts separated by single characters; any deviation is
// the one error the caller reports.
class SettingsParser {
public:
    explicit SettingsParser(std::string_view text, std::size_t pos) : m_text(text), m_pos(pos) {}

    [[noreturn]] static void fail() { throw ParserImageError(kBadStyleString); }

    std::int64_t number(std::int64_t low, std::int64_t high) {
        const bool negative = m_pos < m_text.size() && m_text[m_pos] == '-';
        m_pos += negative ? 1 : 0;
        std::int64_t value = 0;
        std::size_t digits = 0;
        for (; m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9'; ++m_pos) {
            if (++digits > 10) // more than any 32-bit value needs
                fail();
            value = value * 10 + (m_text[m_pos] - '0');
        }
        value = negative ? -value : value;
        if (digits == 0 || value < low || value > high)
            fail();
        return value;
    }
    std::int32_t int32() {
        return static_cast<std::int32_t>(number(std::numeric_limits<std::int32_t>::min(),
                                                std::numeric_limits<std::int32_t>::max()));
    }
    std::uint32_t uint32() {
        return static_cast<std::uint32_t>(number(0, std::numeric_limits<std::uint32_t>::max()));
    }
    // A count of characters, a comma, then that many characters.
    std::string_view countedText(std::size_t maxLength) {
        const auto length =
            static_cast<std::size_t>(number(0, static_cast<std::int64_t>(maxLength)));
        expect(',');
        if (length > m_text.size() - m_pos)
            fail();
        m_pos += length;
        return m_text.substr(m_pos - length, length);
    }
    void expect(char c) {
        if (next() != c)
            fail();
    }
    char next() {
        if (m_pos >= m_text.size())
            fail();
        return m_text[m_pos++];
    }
    [[nodiscard]] bool atEnd() const noexcept { return m_pos == m_text.size(); }

private:
    std::string_view m_text;
    std::size_t m_pos;
};

constexpr std::size_t kMaxWrapOverride = 20;
constexpr std::size_t kMaxFontName = 255;

void readStyle(SettingsParser& in, ParserTables& tables) {
    TextStyle& style = tables.styles[static_cast<std::size_t>(in.number(0, 255))];
    in.expect(',');
    style.color = in.uint32();
    in.expect(',');
    style.back = in.uint32();
    in.expect(',');
    std::uint8_t fontStyle = 0;
    for (char c = in.next(); c != ';'; c = in.next()) {
        if (c == 'B')
            fontStyle |= kBold;
        else if (c == 'I')
            fontStyle |= kItalic;
        else if (c == 'U')
            fontStyle |= kUnderline;
        else
            SettingsParser::fail();
    }
    style.fontStyle = fontStyle;
    style.defined = true;
}

std::string styleText(int number, const TextStyle& style) {
    std::string text = std::to_string(number) + ',' + std::to_string(style.color) + ',' +
                       std::to_string(style.back) + ',';
    if (style.fontStyle & kBold)
        text += 'B';
    if (style.fontStyle & kItalic)
        text += 'I';
    if (style.fontStyle & kUnderline)
        text += 'U';
    return text + ';';
}

} // namespace

std::string WriteSettingsString(const ParserTables& tables) {
    const LanguageHeader& h = tables.header;
    if (h.wrapOverride.size() > kMaxWrapOverride || tables.fontName.size() > kMaxFontName)
        fail(kCannotWrite, "the wrap-override text or the font name is too long");
    std::string text = std::string(kStreamPrefix) + std::to_string(h.options) + ',' +
                       std::to_string(h.gutter) + ',' + std::to_string(h.wrapColumn) + ',' +
                       std::to_string(h.indentStep) + ',' + std::to_string(h.wrapOverride.size()) +
                       ',' + h.wrapOverride;
    text += ',' + std::to_string(tables.fontName.size()) + ',' + tables.fontName + ',' +
            std::to_string(tables.fontSize);
    std::string styles;
    std::size_t count = 0;
    for (std::size_t i = 0; i < tables.styles.size(); ++i)
        if (tables.styles[i].defined) {
            ++count;
            styles += styleText(static_cast<int>(i), tables.styles[i]);
        }
    if (count > kMaxTableEntries)
        fail(kCannotWrite, "more than 255 styles are defined");
    text += ',' + std::to_string(count);
    return count > 0 ? text + ',' + styles : text;
}

void ReadSettingsString(std::string_view text, ParserTables& tables) {
    const std::size_t colon = text.find(':');
    if (!text.starts_with(kStreamFamily) || colon == std::string_view::npos)
        SettingsParser::fail();
    SettingsParser in(text, colon + 1);
    LanguageHeader& h = tables.header;
    // The options mask is accepted in signed as well as unsigned form: same 32 bits.
    h.options = static_cast<std::uint32_t>(in.number(std::numeric_limits<std::int32_t>::min(),
                                                     std::numeric_limits<std::uint32_t>::max()));
    in.expect(',');
    h.gutter = in.int32();
    in.expect(',');
    h.wrapColumn = in.int32();
    in.expect(',');
    h.indentStep = in.int32();
    in.expect(',');
    h.wrapOverride = in.countedText(kMaxWrapOverride);
    in.expect(',');
    const std::string_view font = in.countedText(kMaxFontName);
    tables.fontName = font.empty() ? "Courier New" : std::string(font);
    in.expect(',');
    tables.fontSize = in.int32();
    in.expect(',');
    const auto count = in.number(0, static_cast<std::int64_t>(kMaxTableEntries));
    if (count > 0)
        in.expect(',');
    for (std::int64_t i = 0; i < count; ++i)
        readStyle(in, tables);
    if (!in.atEnd())
        SettingsParser::fail();
}

std::string WriteKeyAssignments(const ParserTables& tables) {
    ByteWriter out;
    out.shortString(kStreamPrefix, "prefix");
    out.byte(kLastCommandIndex);
    for (std::size_t i = 0; i < tables.keys.size(); ++i) {
        out.byte(static_cast<std::uint8_t>(i));
        writeKeyBinding(out, tables.keys[i]);
    }
    return out.take();
}

void ReadKeyAssignments(std::string_view stream, ParserTables& tables) {
    KeyTable keys = tables.keys;
    try {
        ByteReader in(stream);
        if (!in.shortString().starts_with(kStreamFamily) || in.byte() != kLastCommandIndex)
            throw ParserImageError(kBadKeyAssignments);
        for (int i = 0; i < kCommandCount; ++i)
            readKeyBinding(in, in.byte(), keys);
        if (in.remaining() != 0)
            throw ParserImageError(kBadKeyAssignments);
    } catch (const ParserImageError&) {
        throw ParserImageError(kBadKeyAssignments);
    }
    tables.keys = std::move(keys);
}

} // namespace velloran
