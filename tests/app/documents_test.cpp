// Documents and tabs through the real main window: rule sets by extension, tab order,
// closing, the read-only command set, drops, and the close question.
#include "app/editorentry.h"
#include "app/mainwindowfixture.h"
#include "editor/builtinparsers.h"
#include "editor/ui/codememo.h"

#include <QAction>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTabBar>
#include <QTest>
#include <QUrl>
#include <sys/stat.h>
#include <unistd.h>

using namespace velloran;

namespace {

bool Enabled(const TfEditor& editor, const char* name) {
    return editor.command(QString::fromLatin1(name))->isEnabled();
}

} // namespace

TEST_F(MainWindowTest, StyleSheetsAndScriptModulesOpenInTheirLanguages) {
    auto editor = start();
    for (const char* name : {"site.CSS", "app.js", "lib.mjs"}) {
        editor->OpenFile(file(name, "a {}").toStdString(), false);
        const TCodeMemo* memo = editor->CurrentEntry()->Memo;
        ASSERT_NE(memo->parser(memo->activeParser()), nullptr) << name;
        EXPECT_EQ(memo->parser(memo->activeParser())->languageName(),
                  std::string(name).ends_with("CSS") ? "CSS" : "JavaScript");
    }
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(MainWindowTest, ExtensionsPickRuleSetsAndLetterCaseMakesADifferentFile) {
    auto editor = start();
    editor->OpenFile(file("index.HTM", "<p>").toStdString(), false);
    EXPECT_EQ(editor->CurrentEntry()->Memo->activeParser(), kHtmlRuleSet);
    editor->OpenFile(file("readme", "text").toStdString(), false);
    EXPECT_EQ(editor->CurrentEntry()->Memo->activeParser(), kPlainTextRuleSet);
    editor->OpenFile(file("notes.txt", "text").toStdString(), false);
    EXPECT_EQ(editor->CurrentEntry()->Memo->activeParser(), kPlainTextRuleSet);
    EXPECT_EQ(editor->documentTabCount(), 3);

    editor->OpenFile(dir.filePath("index.HTM").toStdString(), false);
    EXPECT_EQ(editor->documentTabCount(), 3);
    EXPECT_EQ(editor->FileTabs->currentIndex(), 0);
    file("index.htm", "<p>");
    editor->OpenFile(dir.filePath("index.htm").toStdString(), false);
    EXPECT_EQ(editor->documentTabCount(), 4);
    EXPECT_EQ(editor->FileTabs->tabText(1), "index.htm") << "inserted after the current tab";

    // "Display Properties" of a plain-text document changes nothing and says why.
    editor->FileTabs->setCurrentIndex(3);
    editor->command(QStringLiteral("DisplayProperties1"))->trigger();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "No active parser");
}

TEST_F(MainWindowTest, NewTabsLandAfterTheCurrentOneAndClosingPicksTheNeighbour) {
    auto editor = start();
    for (int i = 0; i < 3; ++i)
        editor->command(QStringLiteral("bbnew"))->trigger();
    editor->FileTabs->setCurrentIndex(0);
    editor->OpenFile(file("b.htm", "b").toStdString(), false);
    ASSERT_EQ(editor->documentTabCount(), 4);
    EXPECT_EQ(editor->FileTabs->currentIndex(), 1);
    EXPECT_EQ(editor->FileTabs->tabText(1), "b.htm");
    EXPECT_EQ(editor->statusPanels[3]->text(), "UTF-8  LF");

    editor->FileTabs->setCurrentIndex(3);
    editor->command(QStringLiteral("bbclosedoc"))->trigger();
    EXPECT_EQ(editor->FileTabs->currentIndex(), 2);
    editor->FileTabs->setCurrentIndex(0);
    editor->command(QStringLiteral("CloseFile1"))->trigger();
    EXPECT_EQ(editor->FileTabs->tabText(0), "b.htm");
    while (editor->documentTabCount() > 0)
        editor->command(QStringLiteral("ClosePage1"))->trigger();
    EXPECT_TRUE(editor->pName->isVisible());
    EXPECT_EQ(editor->windowTitle(), "Velloran Editor");
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(MainWindowTest, TheCloseQuestionKeepsTheDocumentOnCancelAndOnADeclinedName) {
    auto editor = start();
    const QString path = file("page.htm", "old");
    editor->OpenFile(path.toStdString(), false);
    editor->CurrentEntry()->Memo->model().typeText("new ");
    prompter.planAnswer(Answer::Cancel);
    editor->command(QStringLiteral("bbclosedoc"))->trigger();
    ASSERT_EQ(editor->documentTabCount(), 1);
    EXPECT_TRUE(editor->CurrentEntry()->isModified());
    EXPECT_EQ(prompter.messages.back().text,
              "File \"" + path.toStdString() +
                  "\" has changed.\rDo you wish to save the changes ?");

    editor->command(QStringLiteral("bbnew"))->trigger();
    editor->CurrentEntry()->Memo->model().typeText("keep me");
    prompter.planAnswer(Answer::Yes);
    prompter.planFile(std::nullopt);
    editor->command(QStringLiteral("bbclosedoc"))->trigger();
    EXPECT_EQ(editor->documentTabCount(), 2) << "the unsaved text must not be thrown away";
    EXPECT_EQ(editor->CurrentEntry()->Memo->model().getText(), "keep me");

    // The exit question keeps the program open the same way.
    prompter.planAnswer(Answer::No);
    prompter.planAnswer(Answer::Yes);
    prompter.planFile(std::nullopt);
    EXPECT_FALSE(editor->close());
}

TEST_F(MainWindowTest, ReadOnlyDocumentsSwitchTheCommandSetBothWays) {
    auto editor = start();
    EXPECT_FALSE(Enabled(*editor, "bbReplace")) << "read-only set until a writable document";
    editor->OpenFile(file("w.htm", "writable text").toStdString(), false);
    EXPECT_TRUE(Enabled(*editor, "bbReplace"));
    EXPECT_FALSE(Enabled(*editor, "bbSaveFile")) << "nothing to save yet";
    editor->CurrentEntry()->Memo->select(0, 8);
    EXPECT_TRUE(Enabled(*editor, "Cut1"));

    editor->OpenFile(file("r.htm", "read-only text").toStdString(), true);
    editor->CurrentEntry()->Memo->select(0, 4);
    EXPECT_EQ(editor->statusPanels[2]->text(), "  Read only");
    for (const char* name :
         {"Cut1", "bbCut", "Paste1", "bbSaveFile", "SaveFile1", "bbReplace", "Replace1", "Indent1"})
        EXPECT_FALSE(Enabled(*editor, name)) << name;
    EXPECT_TRUE(Enabled(*editor, "Copy1"));

    editor->FileTabs->setCurrentIndex(0);
    editor->CurrentEntry()->Memo->model().typeText("x");
    EXPECT_TRUE(Enabled(*editor, "bbReplace"));
    EXPECT_TRUE(Enabled(*editor, "bbSaveFile"));
    EXPECT_EQ(editor->statusPanels[1]->text(), "Modified");
    EXPECT_EQ(editor->statusPanels[0]->text(), "   1:   2");
}

TEST_F(MainWindowTest, DroppedFilesOpenInDropOrderAndGutterClicksToggleAHighlight) {
    auto editor = start();
    QMimeData mime;
    QList<QUrl> urls;
    for (const char* name : {"one.htm", "two.htm", "three.htm"})
        urls.append(QUrl::fromLocalFile(file(QString::fromLatin1(name), "x\ny\n")));
    // A folder among them cannot be opened: it says so, and the others still open.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.htm")));
    urls.insert(1, QUrl::fromLocalFile(dir.filePath(QStringLiteral("folder.htm"))));
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(editor->pName, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(editor->pName, &drop);
    ASSERT_EQ(editor->documentTabCount(), 3);
    EXPECT_EQ(editor->FileTabs->tabText(0), "one.htm");
    EXPECT_EQ(editor->FileTabs->tabText(2), "three.htm");
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].kind, MessageKind::Error);
    // The same from a second start's hand-over.
    editor->receiveCommandLine(dir.filePath(QStringLiteral("folder.htm")));
    EXPECT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(editor->documentTabCount(), 3);

    TCodeMemo& memo = *editor->CurrentEntry()->Memo;
    emit memo.OnGutterClick(2);
    EXPECT_TRUE(memo.model().hasMark(11, 2));
    EXPECT_EQ(memo.model().store().attributes(1).lineData, 0xC0C0C0);
    emit memo.OnGutterClick(2);
    EXPECT_FALSE(memo.model().hasMark(11, 2));
    EXPECT_EQ(memo.model().store().attributes(1).lineData2, -1);
}

TEST_F(MainWindowTest, AnOutsideChangeAsksToReloadButTheProgramsOwnSaveDoesNot) {
    auto editor = start();
    const QString path = file("watched.htm", "first");
    editor->OpenFile(path.toStdString(), false);
    TCodeMemo& memo = *editor->CurrentEntry()->Memo;
    memo.model().typeText("mine ");
    editor->command(QStringLiteral("bbSaveFile"))->trigger();

    // The watcher hands events over in order, so a question too many, about our own save
    // or asked twice for one change, takes a planned Yes and a later change is not loaded.
    prompter.planAnswer(Answer::Yes);
    writeBytes(path, "changed elsewhere");
    ASSERT_TRUE(waitFor([&] { return memo.model().getText() == "changed elsewhere"; }));
    ASSERT_EQ(prompter.messages.size(), 1u) << "our own save";
    EXPECT_EQ(prompter.messages[0].text, "File \"" + path.toStdString() +
                                             "\" has been changed by another application.\r\n"
                                             "Do you want to reload it?");
    prompter.planAnswer(Answer::Yes);
    writeBytes(path, "changed again");
    ASSERT_TRUE(waitFor([&] { return memo.model().getText() == "changed again"; }));
    EXPECT_EQ(prompter.messages.size(), 2u) << "one question per change";
}

// A save of a file with a second name goes in place: both names see the new text.
TEST_F(MainWindowTest, AHardLinkedDocumentKeepsItsLinksThroughASave) {
    auto editor = start();
    const QString path = file("linked.htm", "old\r\n");
    const QString other = dir.filePath("other-name.htm");
    ASSERT_EQ(::link(path.toLocal8Bit().constData(), other.toLocal8Bit().constData()), 0);
    editor->OpenFile(path.toStdString(), false);
    TCodeMemo& memo = *editor->CurrentEntry()->Memo;
    memo.model().typeText("new ");
    editor->command(QStringLiteral("bbSaveFile"))->trigger();
    EXPECT_FALSE(memo.model().modified());
    EXPECT_EQ(fileBytes(other), "new old\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_nlink, 2u);
}

// A Save As that cannot write keeps the document's name, caption and modified state, so
// the next Save goes where the text came from.
TEST_F(MainWindowTest, AFailedSaveAsKeepsTheDocumentsName) {
    auto editor = start();
    const QString path = file("page.htm", "old\r\n");
    editor->OpenFile(path.toStdString(), false);
    TCodeMemo& memo = *editor->CurrentEntry()->Memo;
    memo.model().typeText("new ");
    prompter.planFile(dir.filePath("missing/page.htm").toStdString());
    editor->command(QStringLiteral("bbsaveas"))->trigger();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].kind, MessageKind::Error);
    EXPECT_NE(prompter.messages[0].text.find("missing/page.htm"), std::string::npos);
    EXPECT_EQ(editor->CurrentEntry()->FileName, path.toStdString());
    EXPECT_TRUE(memo.model().modified());
    editor->command(QStringLiteral("bbSaveFile"))->trigger();
    EXPECT_EQ(fileBytes(path), "new old\r\n");
}

TEST_F(MainWindowTest, ASavedEditChangesOnlyItsOwnLineOfAFileWithMixedLineEnds) {
    auto editor = start();
    const QString path = file("mixed.htm", "<p>a</p>\r\n<p>b</p>\n<p>c</p>\r<p>d</p>\r\n");
    editor->OpenFile(path.toStdString(), false);
    TCodeMemo& memo = *editor->CurrentEntry()->Memo;
    memo.model().setSelStart(memo.model().lineIndex(2));
    memo.model().typeText("x");
    editor->command(QStringLiteral("bbSaveFile"))->trigger();
    EXPECT_EQ(fileBytes(path), "<p>a</p>\r\n<p>b</p>\nx<p>c</p>\r<p>d</p>\r\n");
}
