// "Display Properties" in the real main window: the options dialog for the current
// document's language, its keys in the editor afterwards and its look after a restart.
#include "app/editorentry.h"
#include "app/mainwindowfixture.h"
#include "editor/ui/codememo.h"
#include "editor/ui/optionsdialog.h"
#include "platform/inifile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace velloran;

namespace {

// Runs "Display Properties" and, once its dialog is up, `drive` on it.
void displayProperties(TfEditor& editor, const std::function<void(TOptionsDialog&)>& drive) {
    bool driven = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TOptionsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog)); // focus moves only in an active window
        driven = true;
        drive(*dialog);
    });
    editor.command(QStringLiteral("DisplayProperties1"))->trigger();
    EXPECT_TRUE(driven);
}

template <class T>
T* child(TOptionsDialog& dialog, const char* name) {
    return dialog.findChild<T*>(QString::fromUtf8(name));
}

constexpr Color kPurple = 0x800080;

} // namespace

TEST_F(MainWindowTest, CtrlKThen5AssignedInTheDialogWorksInTheEditor) {
    auto editor = start();
    editor->OpenFile(file("a.htm", "<p>one</p>\r\n<p>two</p>\r\n").toStdString(), false);
    TCodeMemo* memo = editor->CurrentEntry()->Memo;
    displayProperties(*editor, [](TOptionsDialog& dialog) {
        dialog.pages()->setCurrentIndex(2);
        auto* list = child<QListWidget>(dialog, "KeyList");
        list->setCurrentRow(caDOCEND);
        auto* first = child<QWidget>(dialog, "ccHotKey1");
        first->setFocus();
        QTest::keyClick(first, Qt::Key_K, Qt::ControlModifier);
        auto* second = child<QWidget>(dialog, "ccHotKey2");
        second->setFocus();
        QTest::keyClick(second, Qt::Key_Tab); // a key, not a move to the next box
        QTest::keyClick(second, Qt::Key_5);
        EXPECT_TRUE(second->hasFocus());
        list->setFocus();
        EXPECT_EQ(list->item(caDOCEND)->text(), QStringLiteral("Document end\tCtrl+K, 5"));
        child<QPushButton>(dialog, "OKButton")->click();
    });
    const auto ctrlK5MovesToTheEnd = [](TCodeMemo& memo) {
        memo.select(0, 0);
        QTest::keyClick(&memo, Qt::Key_K, Qt::ControlModifier);
        QTest::keyClick(&memo, Qt::Key_5);
        return memo.selStart() == memo.model().store().length();
    };
    EXPECT_TRUE(ctrlK5MovesToTheEnd(*memo));

    // The keys come back at the next start; a damaged key table gives the built-in one.
    ASSERT_TRUE(editor->close());
    editor.reset();
    editor = start({file("a.htm", "<p>one</p>\r\n").toStdString()});
    ASSERT_NE(editor->CurrentEntry(), nullptr);
    EXPECT_TRUE(ctrlK5MovesToTheEnd(*editor->CurrentEntry()->Memo));
    ASSERT_TRUE(editor->close());
    editor.reset();
    {
        IniFile ini(settingsPath().toStdString());
        const std::string keys = ini.readString("Key Assignments", "html", "");
        ini.writeString("Key Assignments", "html", keys.substr(0, keys.size() / 2));
        ini.save();
    }
    editor = start({file("a.htm", "<p>one</p>\r\n").toStdString()});
    ASSERT_NE(editor->CurrentEntry(), nullptr);
    EXPECT_EQ(editor->CurrentEntry()->Memo->model().parser()->tables().keys, DefaultKeyTable());
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(MainWindowTest, AColourChangedInTheDialogIsBackAfterARestart) {
    auto editor = start();
    editor->OpenFile(file("a.htm", "<p>one</p>\r\n").toStdString(), false);
    const TCodeMemoParser* html = editor->CurrentEntry()->Memo->model().parser();
    ASSERT_NE(html, nullptr);
    const int comment = html->tables().header.editableStyles[0].style;
    displayProperties(*editor, [](TOptionsDialog& dialog) {
        dialog.chooseColor = [](Color) { return kPurple; };
        dialog.pages()->setCurrentIndex(1);
        child<QListWidget>(dialog, "SynElementsBox")->setCurrentRow(0);
        child<QPushButton>(dialog, "fgColorPanelButton")->click();
        child<QPushButton>(dialog, "OKButton")->click();
    });
    EXPECT_EQ(editor->CurrentEntry()->Memo->model().styleSheet().styles[comment].color, kPurple);
    ASSERT_TRUE(editor->close());
    editor.reset();

    editor = start();
    EXPECT_EQ(editor->parsers().forRuleSet(kHtmlRuleSet)->tables().styles[comment].color, kPurple);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(MainWindowTest, ACancelledDialogLeavesNothingForTheNextDocument) {
    auto editor = start();
    editor->OpenFile(file("a.htm", "<p>one</p>\r\n").toStdString(), false);
    const StyleSheet before = editor->CurrentEntry()->Memo->model().styleSheet();
    displayProperties(*editor, [](TOptionsDialog& dialog) {
        dialog.chooseColor = [](Color) { return kPurple; };
        dialog.pages()->setCurrentIndex(1);
        child<QPushButton>(dialog, "fgColorPanelButton")->click();
        child<QPushButton>(dialog, "CancelButton")->click();
    });
    editor->OpenFile(file("b.htm", "<p>two</p>\r\n").toStdString(), false);
    EXPECT_EQ(editor->CurrentEntry()->Memo->model().styleSheet().styles, before.styles);
}

TEST_F(MainWindowTest, WhatEachPageChangesIsBackAfterARestart) {
    auto editor = start();
    editor->OpenFile(file("a.htm", "<p>one</p>\r\n").toStdString(), false);
    const ParserTables before = editor->parsers().forRuleSet(kHtmlRuleSet)->tables();
    const int comment = before.header.editableStyles[0].style;
    displayProperties(*editor, [](TOptionsDialog& dialog) {
        dialog.chooseColor = [](Color) { return kPurple; };
        child<QCheckBox>(dialog, "LineNosBox")->toggle();
        child<QCheckBox>(dialog, "DispWrapBox")->toggle();
        auto* gutter = child<QLineEdit>(dialog, "LeftBorderWidthBox");
        gutter->setFocus();
        gutter->selectAll();
        QTest::keyClicks(gutter, QStringLiteral("250")); // refused at the third digit
        gutter->selectAll();
        QTest::keyClicks(gutter, QStringLiteral("42"));
        auto* wrap = child<QLineEdit>(dialog, "WrapColumnBox");
        wrap->setFocus();
        wrap->selectAll();
        QTest::keyClicks(wrap, QStringLiteral("66"));
        gutter->setFocus(); // the wrap column is taken on leaving its box

        dialog.pages()->setCurrentIndex(1);
        child<QListWidget>(dialog, "SynElementsBox")->setCurrentRow(0);
        child<QCheckBox>(dialog, "UseItalicBox")->toggle();
        child<QPushButton>(dialog, "sbColorPanelButton")->click();
        child<QComboBox>(dialog, "FontSizeBox")->setCurrentText(QStringLiteral("14"));
        child<QPushButton>(dialog, "OKButton")->click();
    });
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "0-199 only");
    prompter.messages.clear();
    ASSERT_TRUE(editor->close());
    editor.reset();

    editor = start({file("a.htm", "<p>one</p>\r\n").toStdString()});
    const ParserTables& after = editor->parsers().forRuleSet(kHtmlRuleSet)->tables();
    EXPECT_EQ(after.header.options, before.header.options ^ cmoPrintLineNos ^ cmoWordWrap);
    EXPECT_EQ(after.header.gutter, 42);
    EXPECT_EQ(after.header.wrapColumn, 66);
    EXPECT_EQ(after.styles[comment].fontStyle, before.styles[comment].fontStyle ^ kItalic);
    EXPECT_EQ(after.header.selectedBack, kPurple);
    EXPECT_EQ(after.header.selectedText, before.header.selectedText);
    EXPECT_EQ(after.fontSize, 14);
    ASSERT_NE(editor->CurrentEntry(), nullptr);
    EXPECT_EQ(editor->CurrentEntry()->Memo->model().gutterWidth(), 42);
    EXPECT_TRUE(prompter.messages.empty());
}
