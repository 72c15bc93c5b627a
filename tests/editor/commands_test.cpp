// Tests of the command table, shortcut texts and the two-stroke key matcher.
#include "editor/commands.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace velloran;

namespace {

enum Mods { None = 0, Shift = 1, Ctrl = 2, Alt = 4 };

// One line per result keeps the key sequences below readable.
std::string press(KeyMatcher& matcher, std::uint16_t vk, int mods = None) {
    const KeyResult r = matcher.keyDown(vk, mods & Shift, mods & Ctrl, mods & Alt);
    switch (r.kind) {
    case KeyResult::NotHandled:
        return "-";
    case KeyResult::Pending:
        return "pending";
    case KeyResult::Consumed:
        return "consumed";
    case KeyResult::Command:
        return DefaultKeyTable()[r.command].name + (r.extend ? "+extend" : "");
    }
    return "?";
}

} // namespace

TEST(CommandTable, DefaultsAreCompleteAndDistinct) {
    const KeyTable& table = DefaultKeyTable();
    std::set<std::string> names;
    std::set<std::pair<int, int>> keys;
    for (const KeyBinding& b : table) {
        EXPECT_LE(b.name.size(), kMaxCommandNameLength);
        EXPECT_NE(b.first, 0) << b.name;
        names.insert(b.name);
        keys.insert({b.first, b.second});
    }
    EXPECT_EQ(names.size(), std::size_t(kCommandCount));
    EXPECT_EQ(keys.size(), std::size_t(kCommandCount)) << "two commands share a shortcut";

    EXPECT_EQ(table[caLEFT], (KeyBinding{"caLEFT", kVkLeft, 0}));
    EXPECT_EQ(table[caSETBOOKMARK0 + 3], (KeyBinding{"caSETBOOKMARK3", kCtrlBit | 'K', '3'}));
    EXPECT_EQ(table[caGOTOBOOKMARK0 + 9], (KeyBinding{"caGOTOBOOKMARK9", kCtrlBit | 'Q', '9'}));
    EXPECT_EQ(table[caREDO], (KeyBinding{"caREDO", kCtrlBit | kShiftBit | 'Z', 0}));
    EXPECT_STREQ(CommandDescription(caBLOCKUND), "Un-indent selected block");
    EXPECT_STREQ(CommandDescription(caGOTOBOOKMARK0 + 4), "Goto Bookmark 4");
    EXPECT_STREQ(CommandDescription(-1), "");
    EXPECT_STREQ(CommandDescription(kCommandCount), "");
}

TEST(CommandTable, ShortcutText) {
    EXPECT_EQ(ShortcutText(kCtrlBit | kShiftBit | 'Z'), "Ctrl+Shift+Z");
    EXPECT_EQ(ShortcutText(kCtrlBit | 'K'), "Ctrl+K");
    EXPECT_EQ(ShortcutText(kAltBit | (kVkF1 + 4)), "Alt+F5");
    EXPECT_EQ(ShortcutText(kVkPrior), "Page Up");
    EXPECT_EQ(ShortcutText('3'), "3");
    EXPECT_EQ(ShortcutText(0), "");
    EXPECT_EQ(ShortcutText(0xBA), "Key 0xBA");
    EXPECT_EQ(KeyBindingText(DefaultKeyTable()[caBLOCKIND]), "Ctrl+K, I");
    EXPECT_EQ(KeyBindingText(DefaultKeyTable()[caLEFT]), "Left");
    EXPECT_EQ(KeyBindingText(KeyBinding{"caUNDO", 0, 'I'}), "");
}

TEST(KeyMatcher, TwoStrokeShortcuts) {
    KeyMatcher m;
    EXPECT_EQ(press(m, 'K', Ctrl), "pending");
    EXPECT_TRUE(m.pending());
    EXPECT_EQ(press(m, kVkControl, Ctrl), "-") << "a lone modifier keeps the wait";
    EXPECT_EQ(press(m, '3'), "caSETBOOKMARK3");
    EXPECT_FALSE(m.pending());

    EXPECT_EQ(press(m, 'Q', Ctrl), "pending");
    EXPECT_EQ(press(m, '3', Ctrl), "caGOTOBOOKMARK3") << "modifiers on the second stroke";
    EXPECT_EQ(press(m, 'K', Ctrl), "pending");
    EXPECT_EQ(press(m, 'I'), "caBLOCKIND");

    EXPECT_EQ(press(m, 'K', Ctrl), "pending");
    EXPECT_EQ(press(m, 'Q'), "consumed");
    EXPECT_FALSE(m.pending());
    EXPECT_EQ(press(m, '3'), "-") << "after a failed wait keys type again";

    EXPECT_EQ(press(m, 'K', Ctrl), "pending");
    m.reset();
    EXPECT_EQ(press(m, 'I'), "-");
}

TEST(KeyMatcher, ShiftExtendsOnlyMovement) {
    KeyMatcher m;
    EXPECT_EQ(press(m, kVkRight), "caRIGHT");
    EXPECT_EQ(press(m, kVkRight, Shift), "caRIGHT+extend");
    EXPECT_EQ(press(m, kVkLeft, Ctrl | Shift), "caWORDLEFT+extend");
    EXPECT_EQ(press(m, kVkEnd, Ctrl | Shift), "caDOCEND+extend");
    EXPECT_EQ(press(m, 'Z', Ctrl | Shift), "caREDO");
    EXPECT_EQ(press(m, 'Z', Ctrl), "caUNDO");
    EXPECT_EQ(press(m, kVkDelete, Shift), "-") << "Shift is not stripped from editing keys";
    EXPECT_EQ(press(m, kVkLeft, Alt), "-");
    EXPECT_EQ(press(m, 'A'), "-");
    EXPECT_EQ(press(m, 0x2000 | 'Z', Ctrl), "-") << "codes beyond the key byte match nothing";
}

TEST(KeyMatcher, CustomTable) {
    KeyTable table = DefaultKeyTable();
    table[caLEFT].first = kAltBit | 'J';
    table[caUNDO].first = kVkF1 + 1;
    table[caSETBOOKMARK0 + 1].second = 0; // a one-stroke Ctrl+K behind the two-stroke ones
    KeyMatcher m(table);
    EXPECT_EQ(press(m, 'J', Alt | Shift), "caLEFT+extend");
    EXPECT_EQ(press(m, kVkLeft), "-");
    EXPECT_EQ(press(m, kVkLeft, Shift), "-");
    EXPECT_EQ(press(m, kVkF1 + 1, Shift), "-") << "F2 is not a movement key";
    EXPECT_EQ(press(m, kVkF1 + 1), "caUNDO");
    EXPECT_EQ(press(m, 'K', Ctrl), "pending") << "the first matching command wins";

    m.setTable(DefaultKeyTable());
    EXPECT_FALSE(m.pending());
    EXPECT_EQ(press(m, kVkLeft, Shift), "caLEFT+extend");
}
