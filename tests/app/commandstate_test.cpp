// Command enabling, status texts and the find step on a real editing model.
#include "app/commandstate.h"
#include "editor/editmodel.h"

#include <gtest/gtest.h>

using namespace velloran;

TEST(CommandState, ReadOnlyDocumentsCopyButNeverChangeAndTheSetSwitchesOnlyOnAChange) {
    EditorStatus status;
    status.hasSelection = true;
    status.canPaste = true;
    status.readOnly = true;
    const EditCommandStates readOnly = EditCommandsFor(status);
    EXPECT_TRUE(readOnly.copy);
    EXPECT_FALSE(readOnly.cut || readOnly.paste || readOnly.indent);
    status.readOnly = false;
    const EditCommandStates writable = EditCommandsFor(status);
    EXPECT_TRUE(writable.cut && writable.paste && writable.indent);
    status.hasSelection = false;
    EXPECT_FALSE(EditCommandsFor(status).copy);

    EXPECT_EQ(CommandSetSwitch(CommandSet::ReadOnly, false), CommandSet::Writable);
    EXPECT_EQ(CommandSetSwitch(CommandSet::Writable, true), CommandSet::ReadOnly);
    EXPECT_FALSE(CommandSetSwitch(CommandSet::Writable, false));
}

TEST(CommandState, PanelTexts) {
    EXPECT_EQ(CaretPanelText(1, 1), "   1:   1");
    EXPECT_EQ(CaretPanelText(12345, 7), "12345:   7");
    EXPECT_EQ(ModePanelText(true, true), "  Read only");
    EXPECT_EQ(ModePanelText(false, true), "  Overwrite");
    EXPECT_EQ(EncodingPanelText(Encoding::Windows1252, "\r\n"), "Windows-1252  CR LF");
    EXPECT_EQ(EncodingPanelText(Encoding::Utf8, "\n"), "UTF-8  LF");
}

TEST(CommandState, FindAgainWalksThroughEveryMatchAndTreatsTheSelectionAsThePreviousOne) {
    EditModel model;
    model.loadFromBytes("<table>\n<TABLE>\ntabletable\n");
    ASSERT_TRUE(FindNext(model, "table", false, false));
    EXPECT_EQ(model.selectionStart(), 1);
    std::vector<Position> starts;
    while (FindNext(model, "table", false, false))
        starts.push_back(model.selectionStart());
    // Overlapping the previous match is allowed: the search goes on behind its start.
    EXPECT_EQ(starts, (std::vector<Position>{9, 16, 21}));
    EXPECT_EQ(model.selectionStart(), 22) << "left as the step into the last match left it";

    model.setSel(9, 14); // "TABLE", the previous match whatever its case
    ASSERT_TRUE(FindNext(model, "table", true, false));
    EXPECT_EQ(model.selectionStart(), 16);
    model.setSel(0, 0);
    ASSERT_TRUE(FindNext(model, "table", false, true));
    EXPECT_EQ(model.selectionStart(), 1);
    ASSERT_TRUE(FindNext(model, "table", false, true));
    EXPECT_EQ(model.selectionStart(), 9);
    EXPECT_FALSE(FindNext(model, "table", false, true)) << "tabletable is no whole word";
    EXPECT_EQ(NotFoundText("table"), "\"table\" not found.");
}
