// Tag commands on a real editing model: wrapping, the Enter key's tags, font toggles and
// finding the element around the caret.
#include "editor/editmodel.h"
#include "tags/tagcommands.h"

#include <gtest/gtest.h>

using namespace velloran;

namespace {

EditModel withText(std::string_view text) {
    EditModel model;
    model.loadFromBytes(std::string(text));
    return model;
}

std::string storeText(const EditModel& model) {
    return model.store().text(0, model.length());
}

// The editor breaks the line first; the tag follows on key release.
void pressEnter(EditModel& model, const EnterKeyMode& mode) {
    model.typeCharacter('\r');
    TypeEnterKeyTag(model, mode);
}

} // namespace

TEST(TagCommands, WrappingSelectsTheResultOnlyWhenThereWasASelection) {
    EditModel model = withText("one two");
    model.setSel(4, 4);
    WrapSelection(model, "<B>", "</B>");
    EXPECT_EQ(storeText(model), "one <B></B>two");
    EXPECT_EQ(model.caret(), 11);
    EXPECT_FALSE(model.hasSelection());

    model.setSel(0, 3);
    WrapSelection(model, "<UL>\r\n<LI>", "\r\n</UL>");
    EXPECT_EQ(storeText(model), "<UL>\r<LI>one\r</UL> <B></B>two");
    EXPECT_EQ(model.selectionStart(), 0);
    EXPECT_EQ(model.selText(), "<UL>\r\n<LI>one\r\n</UL>");

    EditModel bold = withText("x");
    EXPECT_TRUE(ToggleFontTag(bold, "<B>", "</B>", true));
    EXPECT_FALSE(ToggleFontTag(bold, "<B>", "</B>", false));
    EXPECT_EQ(storeText(bold), "<B></B>x");
    bold.setSel(7, 8);
    EXPECT_FALSE(ToggleFontTag(bold, "<B>", "</B>", true)) << "the button goes up";
    EXPECT_EQ(bold.selText(), "<B>x</B>");
}

TEST(TagCommands, EnterTypesTheModesTagAndKeepsEmptyParagraphs) {
    EditModel model = withText("Hello");
    model.setSel(5, 5);
    const EnterKeyMode paragraph{true, 1, false, false};
    pressEnter(model, paragraph);
    EXPECT_EQ(storeText(model), "Hello\r<P>");
    pressEnter(model, paragraph);
    EXPECT_EQ(storeText(model), "Hello\r<P>\r&nbsp;<P>");
    EXPECT_EQ(model.caret(), model.length());

    EditModel trailing = withText("abc<P>");
    trailing.setSel(3, 3);
    pressEnter(trailing, paragraph);
    EXPECT_EQ(storeText(trailing), "abc\r&nbsp;\r<P><P>");

    EditModel modes = withText("a");
    modes.setSel(1, 1);
    pressEnter(modes, {false, 1, false, true});
    pressEnter(modes, {false, 1, true, false});
    pressEnter(modes, {true, 3, false, false});
    pressEnter(modes, {});
    EXPECT_EQ(storeText(modes), "a\r<LI>\r<BR>\r<P ALIGN=RIGHT>\r");
}

TEST(TagCommands, TheEnclosingElementIsFoundFromTheCaretOrTakenFromAnExactSelection) {
    const std::string page = "<P><A HREF=a.htm>Home</A> and <a href=x>y</a>";
    EditModel model = withText(page);
    model.setSel(18, 18); // between H and o
    ASSERT_TRUE(SelectEnclosingTag(model, "<A", "</A>"));
    EXPECT_EQ(model.selText(), "<A HREF=a.htm>Home</A>");

    model.setSel(26, 26); // after "</A>"
    EXPECT_FALSE(SelectEnclosingTag(model, "<A", "</A>"));
    EXPECT_EQ(model.caret(), 26);

    const Position lower = static_cast<Position>(page.find("<a href"));
    model.setSel(lower, static_cast<Position>(page.size()));
    EXPECT_FALSE(SelectEnclosingTag(model, "<A", "</A>")) << "the start must match exactly";
    model.setSel(lower + 11, lower + 11);
    ASSERT_TRUE(SelectEnclosingTag(model, "<A", "</A>"));
    EXPECT_EQ(model.selText(), "<a href=x>y</a>");
}
