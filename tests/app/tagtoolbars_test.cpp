// The tag toolbars through the real main window: font toggles, the Enter key's modes with
// real key events, Ctrl+B, the colour toolbar, and the tag dialogs' round trip.
#include "app/editorentry.h"
#include "app/mainwindowfixture.h"
#include "editor/ui/codememo.h"
#include "tags/ui/tfanchor.h"
#include "tags/ui/tfformelement.h"
#include "tags/ui/tfimg.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolBar>

using namespace velloran;

namespace {

class TagToolbarsTest : public MainWindowTest {
protected:
    std::unique_ptr<TfEditor> startWith(const QByteArray& text) {
        auto editor = start({file("page.htm", text).toStdString()});
        editor->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(editor.get()));
        memo(*editor).setFocus();
        return editor;
    }
    static TCodeMemo& memo(const TfEditor& editor) { return *editor.CurrentEntry()->Memo; }
    static std::string text(const TfEditor& editor) {
        return memo(editor).model().store().text(0, memo(editor).model().length());
    }
    static void trigger(const TfEditor& editor, const char* name) {
        editor.command(QString::fromLatin1(name))->trigger();
    }
    // One key event as the window system delivers it, each press and release on its own.
    static void key(QWidget& widget, bool press, Qt::Key code, Qt::KeyboardModifiers modifiers,
                    bool autoRepeat = false) {
        const QString text = code == Qt::Key_Return ? QStringLiteral("\r") : QString();
        QTest::simulateEvent(&widget, press, code, modifiers, text, autoRepeat);
    }
};

} // namespace

TEST_F(TagToolbarsTest, FontTogglesWrapASelectionOrTypeOpenThenClose) {
    auto editor = startWith("word");
    memo(*editor).select(0, 4);
    trigger(*editor, "sbBold");
    EXPECT_EQ(memo(*editor).model().selText(), "<B>word</B>");
    EXPECT_FALSE(editor->command(QStringLiteral("sbBold"))->isChecked());

    memo(*editor).select(11, 11);
    trigger(*editor, "sbItalic");
    EXPECT_TRUE(editor->command(QStringLiteral("sbItalic"))->isChecked());
    trigger(*editor, "sbItalic");
    trigger(*editor, "sbHR");
    trigger(*editor, "N31");
    EXPECT_EQ(text(*editor), "<B>word</B><I></I>\r<HR>\r<H3></H3>");
}

TEST_F(TagToolbarsTest, EnterTypesTheTagOfTheChosenModeAndCtrlBALineBreak) {
    auto editor = startWith("Hello");
    TCodeMemo& editorMemo = memo(*editor);
    editorMemo.select(5, 5);
    trigger(*editor, "sbParagraph");
    QTest::keyClick(&editorMemo, Qt::Key_Return);
    QTest::keyClick(&editorMemo, Qt::Key_Return, Qt::ShiftModifier);
    trigger(*editor, "Center1");
    QTest::keyClick(&editorMemo, Qt::Key_Return);
    trigger(*editor, "sbUList");
    EXPECT_FALSE(editor->command(QStringLiteral("sbParagraph"))->isChecked()) << "one mode";
    QTest::keyClick(&editorMemo, Qt::Key_Return);
    trigger(*editor, "sbUList"); // no mode: a plain line break
    QTest::keyClick(&editorMemo, Qt::Key_Return);
    QTest::keyClick(&editorMemo, Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(text(*editor), "Hello\r<P>\r\r<P ALIGN=CENTER>\r<LI>\r<BR>");
}

TEST_F(TagToolbarsTest, OnlyAnEnterWhoseLineBreakTheEditorTypedGetsATagAndItsPressSaysShift) {
    auto editor = startWith("Hello");
    TCodeMemo& editorMemo = memo(*editor);
    editorMemo.select(5, 5);
    trigger(*editor, "sbParagraph");
    const Qt::KeyboardModifiers none;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;

    // Shift let go before Enter: still the plain line break the press asked for.
    key(editorMemo, true, Qt::Key_Shift, none);
    key(editorMemo, true, Qt::Key_Return, shift);
    key(editorMemo, false, Qt::Key_Shift, shift);
    key(editorMemo, false, Qt::Key_Return, none);
    EXPECT_EQ(text(*editor), "Hello\r");
    // Shift pressed while Enter is held: the press had none, so the tag comes.
    key(editorMemo, true, Qt::Key_Return, none);
    key(editorMemo, true, Qt::Key_Shift, none);
    key(editorMemo, false, Qt::Key_Return, shift);
    key(editorMemo, false, Qt::Key_Shift, shift);
    EXPECT_EQ(text(*editor), "Hello\r\r<P>");

    // A held key repeats its line break, and its one key-up brings one tag.
    key(editorMemo, true, Qt::Key_Return, none);
    for (int repeat = 0; repeat < 2; ++repeat) {
        key(editorMemo, false, Qt::Key_Return, none, true);
        key(editorMemo, true, Qt::Key_Return, none, true);
    }
    key(editorMemo, false, Qt::Key_Return, none);
    EXPECT_EQ(text(*editor), "Hello\r\r<P>\r\r\r<P>");

    // A list style chosen with Enter: the menu takes the press, the editor gets the release.
    auto* listStyles = editor->findChild<QMenu*>(QStringLiteral("pmListStyle"));
    ASSERT_NE(listStyles, nullptr);
    listStyles->popup(editorMemo.mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(listStyles));
    QTest::keyClick(listStyles, Qt::Key_Down);
    ASSERT_NE(listStyles->activeAction(), nullptr);
    ASSERT_EQ(listStyles->activeAction()->objectName(), "Bulletted1");
    key(*listStyles, true, Qt::Key_Return, none);
    EXPECT_FALSE(listStyles->isVisible());
    key(editorMemo, false, Qt::Key_Return, none);
    EXPECT_TRUE(editor->command(QStringLiteral("sbUList"))->isChecked());
    EXPECT_EQ(text(*editor), "Hello\r\r<P>\r\r\r<P><UL>\r<LI>\r</UL>");

    // The editor loses the focus while Enter is held: its release there is not the key-up.
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    editorMemo.setFocus();
    key(editorMemo, true, Qt::Key_Return, none);
    editorMemo.clearFocus();
    editorMemo.setFocus();
    key(editorMemo, false, Qt::Key_Return, none);
    EXPECT_EQ(text(*editor), "Hello\r\r<P>\r\r\r<P><UL>\r<LI>\r</UL>\r");
}

TEST_F(TagToolbarsTest, TheColourCodeRecoloursTheSwatch) {
    auto editor = startWith("");
    editor->eColorHex->clear();
    QTest::keyClicks(editor->eColorHex, "#FF0000");
    const QImage swatch =
        editor->command(QStringLiteral("sbColor"))->icon().pixmap(16, 16).toImage();
    EXPECT_EQ(swatch.pixelColor(8, 8), QColor(Qt::red));
}

TEST_F(TagToolbarsTest, TagDialogsLoadTheElementAtTheCaretOrTheSelectionAndWriteBackOnOk) {
    auto editor = startWith("<A HREF=a.htm>Home</A> logo.gif");
    memo(*editor).select(16, 16);
    editor->execDialog = [](QDialog& dialog) {
        auto& anchor = dynamic_cast<TfAnchor&>(dialog);
        EXPECT_EQ(anchor.eURL->text(), "a.htm");
        QTest::keyClicks(anchor.cbTarget->lineEdit(), "_top");
        return int(QDialog::Accepted);
    };
    trigger(*editor, "sbAnchor");
    EXPECT_EQ(text(*editor), "<A HREF=a.htm TARGET=\"_top\">Home</A> logo.gif");

    const Position logo = static_cast<Position>(text(*editor).find("logo"));
    memo(*editor).select(logo, logo + 8);
    editor->execDialog = [](QDialog& dialog) {
        EXPECT_EQ(dynamic_cast<TfImg&>(dialog).eSRC->text(), "logo.gif");
        return int(QDialog::Accepted);
    };
    trigger(*editor, "sbImg");
    EXPECT_EQ(text(*editor), "<A HREF=a.htm TARGET=\"_top\">Home</A> <IMG SRC=\"logo.gif\">");

    editor->execDialog = [](QDialog& dialog) {
        EXPECT_EQ(dynamic_cast<TfFormElement&>(dialog).page(), 2);
        return int(QDialog::Rejected);
    };
    memo(*editor).select(0, 0);
    const std::string before = text(*editor);
    trigger(*editor, "sbFormCheckbox");
    EXPECT_EQ(text(*editor), before) << "Cancel changes nothing";
}
