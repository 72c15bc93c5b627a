// Tests of parser images, settings strings and key-assignment streams: round trips,
// the stored layout, and refusal of damaged or out-of-range input.
#include "editor/parserimage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velloran;

namespace {

// A language with a non-default entry in every table.
ParserTables sampleTables() {
    ParserTables t;
    LanguageHeader& h = t.header;
    h.sampleText = "<p class=x>\rtext</p>\r";
    h.editableStyles[0] = {"Tags", 3};
    h.editableStyles[9] = {std::string(25, 'n'), 255};
    h.languageName = std::string(35, 'L');
    h.options = 0x80000001;
    h.caseSensitive = true;
    h.rightMargin = -2;
    h.wrapColumn = 72;
    h.gutter = 40;
    h.indentStep = 4;
    h.wrapOverride = std::string(20, ',');
    h.anchorToken = 7;
    h.startStates = CharSet{0, 1, 255};
    h.selectedText = 0x123456;
    h.selectedBack = 0xFFFFFFFF;
    t.fontSize = 12;
    t.fontName = "Mono, Bold";
    t.keywords = {{"div", CharSet{' ', '>'}, CharSet{0}, 3}, {std::string(255, 'k'), {}, {}, 255}};

    TokenDefinition& tag = t.tokens[3];
    tag = {true, true, CharSet{}.addRange('a', 'z'), true, true, -5, true, true, true, 99, 4};
    tag.terminator = {CharSet{'-'}, CharSet{'-'}, CharSet{'>'}, CharSet{kEndOfText}};
    t.tokens[255].present = true;

    t.startChars['"'] = {true, true, kStdHtmlString, CharSet{1}, {}, 9};
    StartCharDefinition& lt = t.startChars['<'];
    lt = {true, false, 0, CharSet{}.addRange(224, 255), tag, 3}; // fills the shared bytes
    lt.definition.present = true;

    t.styles[0] = {kBold | kItalic | kUnderline, 0x0000FF, 0x00FF00, true, true};
    t.styles[255] = {0, 0xFFFFFF, 0, false, true};
    t.map[3] = 255;
    t.map[255] = 1;
    t.transitions[0] = {CharSet{0, 2}, CharSet{2}, CharSet{3}, true};
    t.transitions[200].container = true;
    t.keys[caUNDO] = {std::string(40, 'u'), 0xFFFF, 0x1234};
    t.keys[caLEFT].second = kVkSpace;
    return t;
}

std::string errorOf(const std::string& data) {
    try {
        (void)ReadParserData(data);
    } catch (const ParserImageError& e) {
        return e.what();
    }
    return "no error";
}

std::uint32_t u32At(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}

} // namespace

TEST(ParserImage, EveryTableRoundTrips) {
    const ParserTables t = sampleTables();
    EXPECT_EQ(ReadParserData(WriteParserData(t)), t);

    const std::string image = WriteParserImage(t);
    EXPECT_EQ(image.substr(0, 2), std::string("\x14\x00", 2));
    EXPECT_EQ(u32At(image, 2), WriteParserData(t).size());
    EXPECT_EQ(ReadParserImage(image, "Parser"), t);
}

TEST(ParserImage, LayoutOfStoredData) {
    // Header, font size, font name, empty keyword list, tokens, start characters,
    // style 0 (its number and record), map, transitions, key bindings.
    const std::string defaults = WriteParserData(ParserTables{});
    EXPECT_EQ(defaults.size(), 652u + 4 + 12 + 1 + 1 + 1 + 1 + 25 + 1 + 1 + 1);
    EXPECT_EQ(defaults.substr(526, 18), "\x11<Custom language>");
    EXPECT_EQ(u32At(defaults, 564), 0x17DBF0u);
    EXPECT_EQ(u32At(defaults, 652), 10u);
    EXPECT_EQ(defaults.substr(656, 12), "\x0B"
                                        "Courier New");

    const std::string data = WriteParserData(sampleTables());
    EXPECT_EQ(data[568], 1);
    EXPECT_EQ(u32At(data, 572), 0xFFFFFFFEu);
    EXPECT_EQ(u32At(data, 580), 40u);
    EXPECT_EQ(data.substr(588, 2), "\x14,");
    EXPECT_EQ(static_cast<unsigned char>(data[609]), 7);
    EXPECT_EQ(static_cast<unsigned char>(data[610 + 31]), 0x80); // state 255
    EXPECT_EQ(u32At(data, 648), 0xFFFFFFFFu);
}

TEST(ParserImage, OtherVersionIsRefusedWithItsMessage) {
    std::string image = WriteParserImage(ParserTables{});
    image[0] = 19;
    try {
        (void)ReadParserImage(image, "HtmlParser");
        FAIL() << "version 19 was accepted";
    } catch (const ParserVersionError& e) {
        EXPECT_STREQ(e.what(), "HtmlParser: DFM file saved by different version of "
                               "TCodeMemoParser.\n\rRecompile script to update DFM file.\n\r"
                               "Expected version was 20 read version was 19");
    }
    EXPECT_THROW((void)ReadParserImage(image.substr(0, 2), "P"), ParserVersionError);
}

TEST(ParserImage, EveryTruncationIsAnError) {
    const std::string data = WriteParserData(sampleTables());
    for (std::size_t n = 0; n < data.size(); ++n)
        EXPECT_THROW((void)ReadParserData(data.substr(0, n)), ParserImageError) << n;
    EXPECT_NE(errorOf(data + '\0').find("unexpected data (1 bytes)"), std::string::npos);

    const std::string image = WriteParserImage(sampleTables());
    for (std::size_t n = 0; n < image.size(); ++n)
        EXPECT_THROW((void)ReadParserImage(image.substr(0, n), "P"), ParserImageError) << n;
}

TEST(ParserImage, OutOfRangeValuesAreErrors) {
    ParserTables t;
    t.keywords = {{"ab", {}, {}, 1}};
    std::string data = WriteParserData(t);
    const std::size_t tokenAt = 652 + 4 + 12 + 3 + 64;
    data[tokenAt + 1] = 1; // token 257
    EXPECT_NE(errorOf(data).find("token number 257"), std::string::npos) << errorOf(data);

    data = WriteParserData(ParserTables{});
    data[526] = 36;
    EXPECT_NE(errorOf(data).find("language name"), std::string::npos);

    t = ParserTables{};
    t.tokens[1].present = true;
    data = WriteParserData(t);
    data[652 + 16 + 3 + 64] = 5;
    EXPECT_NE(errorOf(data).find("at most 4"), std::string::npos);

    t = ParserTables{};
    t.startChars['a'] = {true, true, kStdHtmlString, {}, {}, 0};
    data = WriteParserData(t);
    data[652 + 16 + 4 + 48] = kStdIdentifier - 1;
    EXPECT_NE(errorOf(data).find("unknown handler 9"), std::string::npos);

    t = ParserTables{};
    t.keys[caREDO].first = 1;
    data = WriteParserData(t);
    const std::size_t keyAt = data.size() - 8 - 1 - t.keys[caREDO].name.size() - 1;
    data[keyAt] = kCommandCount;
    EXPECT_NE(errorOf(data).find("unknown command 43"), std::string::npos);
    data[keyAt] = caREDO;
    data[data.size() - 6] = 1; // first shortcut 0x10001
    EXPECT_NE(errorOf(data).find("out of range"), std::string::npos);
}

TEST(ParserImage, TablesThatCannotBeStoredAreRefused) {
    ParserTables t;
    for (TextStyle& s : t.styles)
        s.defined = true;
    EXPECT_THROW((void)WriteParserData(t), ParserImageError);
    t.styles[7].defined = false;
    EXPECT_NO_THROW((void)WriteParserData(t));

    t = ParserTables{};
    t.keywords = {{"", {}, {}, 0}};
    EXPECT_THROW((void)WriteParserData(t), ParserImageError);
    t = ParserTables{};
    t.fontName = std::string(256, 'f');
    EXPECT_THROW((void)WriteParserData(t), ParserImageError);
    t = ParserTables{};
    t.header.languageName = std::string(36, 'x');
    EXPECT_THROW((void)WriteParserData(t), ParserImageError);
    t = ParserTables{};
    t.tokens[0].present = true;
    t.tokens[0].terminatorLength = 5;
    EXPECT_THROW((void)WriteParserData(t), ParserImageError);
}

TEST(ParserSettings, ExactTextAndRoundTrip) {
    ParserTables t;
    t.header.options = 0x055BF0;
    t.styles[20] = {kBold, 0xFF0000, 0xFFFFFF, false, true};
    const std::string text = WriteSettingsString(t);
    EXPECT_EQ(text, "Qorvex2:351216,34,0,1,0,,11,Courier New,10,2,0,0,16777215,;"
                    "20,16711680,16777215,B;");

    const ParserTables sample = sampleTables();
    ParserTables read;
    read.styles[0].hotspot = true; // not part of the text: kept
    ReadSettingsString(WriteSettingsString(sample), read);
    EXPECT_EQ(read.header.options, sample.header.options);
    EXPECT_EQ(read.header.wrapOverride, sample.header.wrapOverride);
    EXPECT_EQ(read.fontName, "Mono, Bold");
    EXPECT_EQ(read.styles, sample.styles);
    EXPECT_EQ(WriteSettingsString(read), WriteSettingsString(sample));

    ReadSettingsString("Qorvex9 anything:-1,1,2,3,0,,0,,8,1,4,1,2,UIBI;", read);
    EXPECT_EQ(read.header.options, 0xFFFFFFFFu);
    EXPECT_EQ(read.fontName, "Courier New");
    EXPECT_EQ(read.styles[4], (TextStyle{kBold | kItalic | kUnderline, 1, 2, false, true}));
}

TEST(ParserSettings, MalformedTextKeepsWhatWasRead) {
    ParserTables t;
    EXPECT_THROW(ReadSettingsString("Qorvex2:5,40,x", t), ParserImageError);
    EXPECT_EQ(t.header.options, 5u);
    EXPECT_EQ(t.header.gutter, 40);
    EXPECT_EQ(t.header.wrapColumn, 0);

    const std::string good = "Qorvex2:1,2,3,4,2,ab,4,Sans,9,1,5,1,2,B;";
    const std::vector<std::string> bad = {"",
                                          "Other:1",
                                          "Qorvex2",
                                          "Qorvex2:1,2,3,4,21,",
                                          "Qorvex2:+1,",
                                          good.substr(0, good.size() - 1),
                                          "Qorvex2:1,2,3,4,2,ab,4,Sans,9,1,5,1,2,X;",
                                          "Qorvex2:1,2,3,4,9,ab,4,Sans",
                                          "Qorvex2:1,2,3,4,0,,0,,9,256,",
                                          good + "x"};
    for (const std::string& text : bad) {
        try {
            ReadSettingsString(text, t);
            ADD_FAILURE() << "accepted " << text;
        } catch (const VelloranError& e) {
            EXPECT_STREQ(e.what(), "Invalid data in style string") << text;
        }
    }
    EXPECT_EQ(t.header.wrapOverride, "ab");
    EXPECT_EQ(t.fontName, "Sans");
    EXPECT_EQ(t.styles[5].color, 1u);
}

TEST(ParserSettings, KeyAssignmentsRoundTripOrStayUnchanged) {
    const ParserTables sample = sampleTables();
    const std::string stream = WriteKeyAssignments(sample);
    EXPECT_EQ(stream.substr(0, 10), "\x08Qorvex2:\x2A");
    ParserTables t;
    ReadKeyAssignments(stream, t);
    EXPECT_EQ(t.keys, sample.keys);

    t = ParserTables{};
    const std::vector<std::string> bad = {stream.substr(0, stream.size() - 1), stream + 'x',
                                          std::string("\x05Other") + stream.substr(9)};
    for (const std::string& damaged : bad) {
        try {
            ReadKeyAssignments(damaged, t);
            ADD_FAILURE() << "accepted a damaged stream";
        } catch (const VelloranError& e) {
            EXPECT_STREQ(e.what(), "Invalid data in key assignments");
        }
        EXPECT_EQ(t.keys, DefaultKeyTable());
    }
}
