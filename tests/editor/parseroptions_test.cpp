// The options dialog's logic: Cancel restores the parser exactly, option bits, number
// rules, element styles, the key list and shortcut capture.
#include "editor/builtinparsers.h"
#include "editor/editmodel.h"
#include "editor/htmlparser.h"
#include "editor/parserimage.h"
#include "editor/parseroptions.h"
#include "platform/paths.h"

#include <gtest/gtest.h>
#include <set>

using namespace velloran;

namespace {

struct Snapshot {
    std::string image, settings, keys;
    explicit Snapshot(const TCodeMemoParser& parser)
        : image(WriteParserImage(parser.tables())), settings(WriteSettingsString(parser.tables())),
          keys(WriteKeyAssignments(parser.tables())) {}
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

} // namespace

TEST(ParserOptionsSession, CancelLeavesTheParserByteIdentical) {
    TCodeMemoParser parser = htmlParser();
    const Snapshot before(parser);
    ParserOptionsSession session(parser);
    ASSERT_FALSE(session.elementNames().empty());
    session.setOption(cmoWordWrap, true);
    session.setOption(cmoShowGutter, false);
    EXPECT_EQ(session.setGutterText("120"), 120);
    EXPECT_EQ(session.setWrapColumnText("72"), 72);
    session.setForeground(0, 0x123456);
    session.setFontStyleBit(1, kItalic, true);
    session.setSelectedBack(0x00FF00);
    session.setFontName("DejaVu Sans Mono");
    session.setFontSize(18);
    session.setKeys(caDOCEND, MakeShortcut('K', false, true, false), '5');
    // Each change is in the parser at once; only the keys wait for OK.
    EXPECT_EQ(parser.tables().styles[session.look().header.editableStyles[0].style].color,
              0x123456u);
    EXPECT_EQ(parser.tables().fontSize, 18);
    EXPECT_EQ(parser.tables().keys, DefaultKeyTable());
    session.cancel();
    EXPECT_TRUE(Snapshot(parser) == before);
}

TEST(ParserOptionsSession, AcceptKeepsChangesAndTheKeysWork) {
    TCodeMemoParser parser = htmlParser();
    ParserOptionsSession session(parser);
    session.setBackground(0, 0x0000FF);
    const std::uint16_t ctrlK = MakeShortcut('K', false, true, false);
    session.setKeys(caDOCEND, ctrlK, MakeShortcut('5', true, false, false));
    EXPECT_EQ(session.keyLine(caDOCEND), "Document end\tCtrl+K, 5");    // bare second stroke
    EXPECT_EQ(session.keyLine(caSETBOOKMARK0 + 5), "Set Bookmark 5\t"); // its strokes moved
    session.accept();
    EXPECT_EQ(parser.tables().keys[caDOCEND].first, ctrlK);
    EXPECT_EQ(parser.tables().styles[session.look().header.editableStyles[0].style].back, 0xFFu);

    KeyMatcher matcher(parser.tables().keys);
    EXPECT_EQ(matcher.keyDown('K', false, true, false).kind, KeyResult::Pending);
    EXPECT_EQ(matcher.keyDown('5', false, false, false),
              (KeyResult{KeyResult::Command, caDOCEND, false}));
    // A command after the one that held the strokes runs too: it takes them over.
    ParserOptionsSession again(parser);
    again.setKeys(caDELETELINE, ctrlK, '5');
    EXPECT_EQ(again.keys()[caDOCEND], (KeyBinding{"caDOCEND", 0, 0}));
    // A pair passed on the way to another takes nothing for good.
    again.setKeys(caUNDO, ctrlK, '6');
    again.setKeys(caUNDO, MakeShortcut('Z', false, true, false), 0);
    EXPECT_EQ(again.keyLine(caSETBOOKMARK0 + 6), "Set Bookmark 6\tCtrl+K, 6");
    again.accept();
    matcher.setTable(parser.tables().keys);
    EXPECT_EQ(matcher.keyDown('K', false, true, false).kind, KeyResult::Pending);
    EXPECT_EQ(matcher.keyDown('5', false, false, false),
              (KeyResult{KeyResult::Command, caDELETELINE, false}));
    // A second stroke without a first is no shortcut.
    session.setKeys(caUNDO, 0, 'Z');
    EXPECT_EQ(session.keys()[caUNDO].second, 0);
}

TEST(ParserOptionsSession, OptionBoxesAndNumberBoxes) {
    std::set<std::uint32_t> masks;
    for (const OptionBox& box : OptionBoxes())
        EXPECT_TRUE(masks.insert(box.mask).second) << box.name;
    EXPECT_EQ(masks.size(), 16u);

    TCodeMemoParser parser = htmlParser();
    ParserOptionsSession session(parser);
    session.setOption(cmoWordWrap, true);
    EXPECT_FALSE(session.tabToColumnEnabled());
    session.setOption(cmoWordWrap, false);
    EXPECT_TRUE(session.tabToColumnEnabled());

    EXPECT_EQ(session.setGutterText("199"), 199);
    for (const char* refused : {"200", "", "-1", "1a", "0199"}) {
        EXPECT_THROW(
            {
                try {
                    session.setGutterText(refused);
                } catch (const OptionsError& error) {
                    EXPECT_STREQ(error.what(), "0-199 only");
                    throw;
                }
            },
            OptionsError)
            << refused;
        EXPECT_THROW(session.setRightMarginText(refused), OptionsError) << refused;
    }
    EXPECT_EQ(parser.tables().header.gutter, 199);
    EXPECT_EQ(session.setRightMarginText("0"), 0);
    EXPECT_EQ(session.setWrapColumnText("99999999999"), 0xFFFF);
    EXPECT_EQ(session.setIndentStepText("300"), 255);
    EXPECT_EQ(session.setIndentStepText(""), 0);

    for (std::uint16_t vk :
         {kVk0, kVk9, kVkBack, kVkTab, kVkDelete, kVkHome, kVkEnd, kVkLeft, kVkRight})
        EXPECT_TRUE(NumberBoxAccepts(vk)) << vk;
    for (std::uint16_t vk : {kVkA, kVkZ, kVkSpace, kVkUp, kVkReturn, std::uint16_t{0xBD}})
        EXPECT_FALSE(NumberBoxAccepts(vk)) << vk;
}

TEST(ParserOptionsSession, ElementStyles) {
    TCodeMemoParser parser = htmlParser();
    ParserOptionsSession session(parser);
    const int style = session.look().header.editableStyles[1].style;
    parser.setLook([&] {
        ParserLook look = parser.look();
        look.styles[static_cast<std::size_t>(style)] = {kBold, 0x0000FF, 0x00FFFF, false, false};
        return look;
    }());
    ParserOptionsSession fresh(parser);
    fresh.setFontStyleBit(1, kUnderline, true);
    fresh.setFontStyleBit(1, kBold, false);
    EXPECT_EQ(fresh.elementStyle(1).fontStyle, kUnderline);
    EXPECT_TRUE(fresh.elementStyle(1).defined); // so the settings text carries it
    EXPECT_FALSE(fresh.backgroundIsDefault(1));
    fresh.setForegroundToDefault(1);
    fresh.setBackgroundToDefault(1);
    EXPECT_EQ(parser.tables().styles[static_cast<std::size_t>(style)].color, 0x000000u);
    EXPECT_TRUE(fresh.backgroundIsDefault(1));
    EXPECT_THROW((void)fresh.elementStyle(99), OptionsError);
}

TEST(HotKeyCapture, TakesEditingKeysAndKeepsModifiersOnlyInTheFirstStroke) {
    HotKeyCapture first(true);
    HotKeyCapture second(false);
    EXPECT_EQ(first.text(), "None");
    EXPECT_TRUE(first.keyDown(kVkControl, false, true, false)); // Ctrl on its way down
    EXPECT_EQ(first.shortcut(), 0);
    EXPECT_TRUE(first.keyDown('K', false, true, false));
    EXPECT_EQ(first.text(), "Ctrl+K");
    for (std::uint16_t vk : {kVkBack, kVkTab, kVkDelete}) {
        EXPECT_TRUE(first.keyDown(vk, true, false, false));
        EXPECT_EQ(first.shortcut(), MakeShortcut(vk, true, false, false));
    }
    EXPECT_FALSE(first.keyDown(kVkEscape, false, false, false));
    EXPECT_FALSE(first.keyDown(kVkReturn, false, false, false));
    EXPECT_EQ(first.shortcut(), MakeShortcut(kVkDelete, true, false, false));

    EXPECT_TRUE(second.keyDown('5', false, true, true));
    EXPECT_EQ(second.shortcut(), '5');
    second.setShortcut(MakeShortcut('I', true, false, false));
    EXPECT_EQ(second.text(), "I");
}
