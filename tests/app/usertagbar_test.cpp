// The User Tags toolbar and code completion through the real main window: the list read
// at start, inserting the chosen tag, Ctrl+S, the editing dialog and re-docking.
#include "app/editorentry.h"
#include "app/mainwindowfixture.h"
#include "editor/ui/codememo.h"
#include "tags/ui/tfusertags.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

using namespace velloran;

namespace {

class UserTagBarTest : public MainWindowTest {
protected:
    std::unique_ptr<TfEditor> startWith(const QByteArray& text) {
        listFile =
            file("mine.vul", "[Table]\r\nshortcut=tbl\r\ntagcount=2\r\ntag0=<TABLE>\r\n"
                             "tag1=\xC2\xABseltext\xC2\xBB</TABLE>\r\n[bold]\r\nshortcut=b\r\n"
                             "tagcount=1\r\ntag0=<B>\xC2\xABseltext\xC2\xBB</B>\r\n[img]\r\n"
                             "tagcount=1\r\ntag0=<IMG>\r\n");
        writeBytes(settingsPath(), "[startup]\r\nCurrentUserList=" + listFile.toUtf8() + "\r\n");
        auto editor = start({file("page.htm", text).toStdString()});
        editor->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(editor.get()));
        memo(*editor).setFocus();
        return editor;
    }
    static TCodeMemo& memo(const TfEditor& editor) { return *editor.CurrentEntry()->Memo; }
    static std::string text(const TfEditor& editor) { return memo(editor).model().getText(); }
    QString listFile;
};

} // namespace

TEST_F(UserTagBarTest, TheListIsReadAtStartAndTheChosenTagWrapsTheSelection) {
    auto editor = startWith("see x");
    QComboBox* list = editor->cbUserList;
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->itemText(0), "bold");
    EXPECT_EQ(list->itemText(2), "Table");
    EXPECT_EQ(dm.state.userTagShortcuts, (std::vector<std::string>{"b", "", "tbl"}));
    EXPECT_EQ(list->toolTip(), "Select a Tag to Add");
    EXPECT_EQ(editor->command(QStringLiteral("sbUserAddTag"))->toolTip(), "Add Selected Tag");

    memo(*editor).select(4, 5);
    list->setCurrentIndex(2);
    editor->command(QStringLiteral("sbUserAddTag"))->trigger();
    EXPECT_EQ(text(*editor), "see <TABLE>\r\nx</TABLE>");
    EXPECT_EQ(memo(*editor).model().caret(), memo(*editor).model().length());
}

TEST_F(UserTagBarTest, CtrlSReplacesTheShortcutAtTheCaretAndIsInTheEditorsMenu) {
    auto editor = startWith("see TBL");
    memo(*editor).select(7, 7);
    QTest::keyClick(&memo(*editor), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(text(*editor), "see <TABLE>\r\n</TABLE>");
    EXPECT_EQ(editor->cbUserList->currentText(), "Table");
    memo(*editor).model().undo();
    EXPECT_EQ(text(*editor), "see TBL") << "one undoable change";

    memo(*editor).select(0, 0);
    editor->command(QStringLiteral("CodeCompletion1"))->trigger();
    EXPECT_EQ(text(*editor), "see TBL") << "not a shortcut";

    const QList<QAction*> items = editor->pmEditor->actions();
    ASSERT_GE(items.size(), 2);
    EXPECT_EQ(items[1]->objectName(), "CodeCompletion1");
    EXPECT_EQ(items[1]->text(), "Code Completion");
    EXPECT_EQ(items[1]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
}

TEST_F(UserTagBarTest, TheEditingDialogsChangesReachTheToolbarList) {
    auto editor = startWith("");
    editor->cbUserList->setCurrentIndex(2);
    editor->execDialog = [](QDialog& dialog) {
        auto& tags = dynamic_cast<TfUserTags&>(dialog);
        EXPECT_EQ(tags.cbName->currentText(), "Table");
        QTest::mouseClick(tags.bbAdd, Qt::LeftButton);
        QTest::keyClicks(tags.eName, "Anchor");
        QTest::keyClicks(tags.eShortcut, "a");
        tags.mTag->setPlainText(QStringLiteral("<A>"));
        QTest::mouseClick(tags.bbPost, Qt::LeftButton);
        return int(QDialog::Accepted);
    };
    editor->command(QStringLiteral("sbUserEditTag"))->trigger();
    EXPECT_EQ(editor->cbUserList->itemText(0), "Anchor");
    EXPECT_EQ(editor->cbUserList->currentIndex(), 2) << "the index chosen before";
    EXPECT_EQ(dm.state.userTagShortcuts.front(), "a");
}

TEST_F(UserTagBarTest, ReDockingTheToolbarKeepsTheChosenTag) {
    auto editor = startWith("");
    editor->cbUserList->setCurrentIndex(1);
    QToolBar* bar = editor->toolbar(9);
    editor->addToolBar(Qt::LeftToolBarArea, bar);
    EXPECT_EQ(editor->toolBarArea(bar), Qt::LeftToolBarArea);
    editor->addToolBar(Qt::BottomToolBarArea, bar);
    editor->LoadLayout(editor.get());
    EXPECT_EQ(editor->cbUserList->currentText(), "img");
}
