// Layouts, toolbars, bookmarks, find and recent projects through the real main window.
#include "app/editorentry.h"
#include "app/layout.h"
#include "app/mainfinddialog.h"
#include "app/mainwindowfixture.h"
#include "editor/ui/codememo.h"
#include "platform/inifile.h"

#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QToolBar>
#include <algorithm>
#include <string>

using namespace velloran;

namespace {

std::string Text(const QRect& rect) {
    return std::to_string(rect.width()) + "x" + std::to_string(rect.height()) + "+" +
           std::to_string(rect.x()) + "+" + std::to_string(rect.y());
}

::testing::AssertionResult Inside(const QRect& area, const QRect& rect) {
    if (area.contains(rect))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Text(rect) << " is not inside " << Text(area);
}

bool Checked(const TfEditor& editor, const char* name) {
    return editor.command(QString::fromLatin1(name))->isChecked();
}

} // namespace

TEST_F(MainWindowTest, AnEmptySettingsFileCentresTheWindowAndAMaximisedLayoutKeepsItsPlace) {
    auto editor = start();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(editor->size(), QSize(600, 440));
    EXPECT_EQ(editor->geometry().topLeft(),
              QPoint((screen.width() - 600) / 2, (screen.height() - 440) / 2));
    EXPECT_EQ(project.size(), QSize(250, 440));
    EXPECT_EQ(project.geometry().x(), screen.width() / 2 - 300);
    EXPECT_TRUE(project.isVisible()) << "the tutorial project opened on the first start";

    editor->showMaximized();
    editor->command(QStringLiteral("Layout22"))->trigger();
    const IniFile ini(settingsPath().toStdString());
    EXPECT_EQ(ini.readSection("EditView2"), std::vector<std::string>{"State=2"});
    EXPECT_EQ(ini.readSection("HTMLView2"), std::vector<std::string>{"Visible=0"});
    EXPECT_EQ(ini.readInteger("ProjectView2", "Width", 0), 250);

    editor->showNormal();
    editor->command(QStringLiteral("Layout11"))->trigger(); // an empty slot: the defaults
    EXPECT_FALSE(editor->isMaximized());
    EXPECT_EQ(editor->LayoutSuffix, "1");
    editor->command(QStringLiteral("Layout21"))->trigger();
    EXPECT_TRUE(editor->isMaximized());
    EXPECT_EQ(editor->LayoutSuffix, "2");
}

TEST_F(MainWindowTest, TenStartsAndClosesLeaveBothWindowsWhereTheyWere) {
    const std::string layout = "[EditView]\r\nWidth=520\r\nHeight=480\r\nTop=120\r\nLeft=90\r\n"
                               "State=0\r\n[ProjectView]\r\nWidth=200\r\nHeight=300\r\n"
                               "Top=100\r\nLeft=10\r\nState=0\r\nVisible=1\r\n";
    writeBytes(settingsPath(), QByteArray::fromStdString(layout));
    for (int run = 0; run < 10; ++run) {
        auto editor = start();
        ASSERT_EQ(Text(editor->geometry()), "520x480+90+120") << "start " << run;
        ASSERT_EQ(Text(project.geometry()), "200x300+10+100") << "start " << run;
        ASSERT_TRUE(editor->close());
    }
    const IniFile expected = [&] {
        IniFile ini("");
        ini.parse(layout);
        return ini;
    }();
    const IniFile ini(settingsPath().toStdString());
    for (const char* section : {"EditView", "ProjectView"})
        EXPECT_EQ(ini.readSection(section), expected.readSection(section)) << section;
}

TEST_F(MainWindowTest, StoredSizesAndPlacesBeyondTheScreenAreBroughtOntoIt) {
    writeBytes(settingsPath(), "[EditView]\r\nWidth=" + QByteArray(1 << 20, '7') +
                                   "\r\nHeight=2147483648\r\nTop=-99999999999\r\nLeft=40\r\n"
                                   "[ProjectView]\r\nWidth=-5\r\nHeight=x\r\nTop=2147483647\r\n"
                                   "Left=-2147483648\r\nVisible=1\r\n"
                                   "[tbEdit]\r\nRev=2\r\nVisible=1\r\nDockedTo=+\r\n"
                                   "FloatLeft=2147483647\r\nFloatTop=-2147483648\r\n");
    auto editor = start();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(Inside(screen, editor->frameGeometry()));
    EXPECT_EQ(editor->frameGeometry().top(), screen.top()) << "the title bar on the screen";
    EXPECT_TRUE(Inside(screen, project.frameGeometry()));
    EXPECT_EQ(project.width(), std::max(kMinWindowSide, project.minimumSizeHint().width()));
    ASSERT_TRUE(editor->toolbar(2)->isFloating());
    EXPECT_TRUE(Inside(screen, editor->toolbar(2)->frameGeometry()));

    ASSERT_TRUE(editor->close());
    const IniFile ini(settingsPath().toStdString());
    EXPECT_LE(ini.readInteger("EditView", "Width", 0), screen.width());
    EXPECT_LE(ini.readInteger("EditView", "Height", 0), screen.height());
    EXPECT_GE(ini.readInteger("EditView", "Top", -1), screen.top());
}

TEST_F(MainWindowTest, ToolbarSwitchesAndBothMenusFollowEveryWayOfHidingAToolbar) {
    writeBytes(settingsPath(),
               "[tbEdit]\r\nRev=2\r\nVisible=1\r\nDockedTo=+\r\nFloatLeft=100\r\nFloatTop=50\r\n"
               "[tbColor]\r\nRev=1\r\nVisible=0\r\n");
    auto editor = start();
    ASSERT_TRUE(editor->toolbar(2)->isFloating());
    EXPECT_FALSE(editor->toolbar(5)->isHidden()) << "another revision is ignored";
    EXPECT_TRUE(editor->toolbar(7)->isHidden());
    EXPECT_FALSE(Checked(*editor, "sbFormTagsSwitch"));

    editor->toolbar(2)->close(); // the floating toolbar's close box
    EXPECT_FALSE(Checked(*editor, "sbeditswitch"));
    EXPECT_FALSE(Checked(*editor, "Edit3"));
    QMenu* popup = editor->createPopupMenu(); // the window's child, as on a right-click
    EXPECT_FALSE(popup->findChild<QAction*>(QStringLiteral("Edit2"))->isChecked());
    EXPECT_TRUE(popup->findChild<QAction*>(QStringLiteral("File2"))->isChecked());

    editor->command(QStringLiteral("sbeditswitch"))->trigger();
    EXPECT_FALSE(editor->toolbar(2)->isHidden());
    editor->command(QStringLiteral("ColorTags3"))->trigger();
    EXPECT_TRUE(editor->toolbar(5)->isHidden());
    EXPECT_FALSE(Checked(*editor, "sbColorSwitch"));
    popup->findChild<QAction*>(QStringLiteral("Toolbars2"))->trigger();
    EXPECT_TRUE(editor->toolbar(8)->isHidden());
    EXPECT_TRUE(editor->toolbar(1)->isVisible()) << "the others keep their state";

    // Quitting and starting again finds every toolbar where it was left.
    ASSERT_TRUE(editor->close());
    editor.reset();
    const IniFile ini(settingsPath().toStdString());
    EXPECT_EQ(ini.readString("tbEdit", "DockedTo", ""), "+");
    EXPECT_EQ(ini.readInteger("tbColor", "Rev", 0), 2);
    auto again = start();
    EXPECT_TRUE(again->toolbar(2)->isFloating());
    EXPECT_EQ(again->toolbar(2)->pos(), QPoint(100, 50));
    EXPECT_TRUE(again->toolbar(5)->isHidden());
    EXPECT_TRUE(again->toolbar(8)->isHidden());
    EXPECT_FALSE(again->toolbar(4)->isHidden());
    EXPECT_FALSE(Checked(*again, "sbColorSwitch"));
}

TEST_F(MainWindowTest, BookmarkMenusShowWhatIsSetAndFindAgainWalksToNotFound) {
    std::string text;
    for (int i = 1; i <= 12; ++i)
        text += "line " + std::to_string(i) + " table\n";
    auto editor = start({file("marks.htm", QByteArray::fromStdString(text)).toStdString()});
    TCodeMemo& memo = *editor->CurrentEntry()->Memo;
    editor->pmGotoMarkPopup();
    EXPECT_TRUE(editor->command(QStringLiteral("NoBookmarksset1"))->isVisible());

    const Position at = memo.model().store().lineStart(9) + 4;
    memo.select(at, at);
    editor->command(QStringLiteral("Bookmark31"))->trigger();
    editor->pmGotoMarkPopup();
    for (int i = 0; i <= 9; ++i)
        EXPECT_EQ(editor->command(NumberedItem("Bookmark", i, 2))->isVisible(), i == 3);
    EXPECT_FALSE(editor->command(QStringLiteral("NoBookmarksset1"))->isVisible());
    editor->pmSetMarkPopup();
    EXPECT_TRUE(Checked(*editor, "Bookmark31"));
    memo.select(0, 0);
    editor->command(QStringLiteral("Bookmark32"))->trigger();
    EXPECT_EQ(memo.model().getCaretPos().row, 10);
    EXPECT_EQ(memo.model().getCaretPos().column, 5);
    editor->command(QStringLiteral("Bookmark31"))->trigger(); // same line: cleared
    editor->pmGotoMarkPopup();
    EXPECT_TRUE(editor->command(QStringLiteral("NoBookmarksset1"))->isVisible());

    // Ctrl+F takes the selection; F3 walks down the matches and ends in "not found".
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    memo.setFocus();
    memo.select(memo.model().store().lineStart(10) + 8, memo.model().store().lineStart(10) + 13);
    QTest::keyClick(&memo, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(editor->FindDialog1->isVisible());
    EXPECT_EQ(editor->FindDialog1->eFind->text(), "table");
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    QTest::keyClick(&memo, Qt::Key_F3);
    EXPECT_EQ(memo.model().getCaretPos().row, 12);
    editor->command(QStringLiteral("FindAgain1"))->trigger();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "\"table\" not found.");
}

TEST_F(MainWindowTest, FifteenOpenedProjectsAreAllListed) {
    auto editor = start({file("page.htm", "x").toStdString()});
    for (int i = 0; i < 15; ++i)
        editor->OpenProject(
            file(QStringLiteral("p%1.vpr").arg(i), "[Dir0]\r\nnodename=p\r\n").toStdString());
    editor->pmRecentFilesPopup();
    const QList<QAction*> items = editor->pmRecentFiles->actions();
    ASSERT_EQ(items.size(), 15);
    EXPECT_EQ(items.front()->text(), "p14.vpr");
    items.back()->trigger();
    EXPECT_EQ(dm.state.recentProjects.front(), dir.filePath("p0.vpr").toStdString());
    EXPECT_TRUE(project.isVisible());
    EXPECT_TRUE(Checked(*editor, "sbproject"));
}
