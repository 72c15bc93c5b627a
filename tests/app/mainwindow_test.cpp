// The real main window under the offscreen platform: start, documents, close.
#include "app/datamodule.h"
#include "app/editorentry.h"
#include "app/mainwindow.h"
#include "app/mainwindowfixture.h"
#include "app/settings.h"
#include "editor/parserimage.h"
#include "editor/ui/codememo.h"
#include "guitest.h"
#include "platform/errors.h"
#include "platform/inifile.h"
#include "platform/prompter.h"
#include "project/tfproject.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velloran;

TEST_F(MainWindowTest, FirstStartOpensTheTutorialAndCloseWritesItAsRecent) {
    auto editor = start();
    const std::string tutorial = dm.tutorialProject();
    ASSERT_FALSE(tutorial.empty());
    EXPECT_EQ(dm.state.projectFileName, tutorial);
    EXPECT_EQ(editor->windowTitle(), "Velloran Editor");
    EXPECT_TRUE(editor->pName->isVisible());
    ASSERT_EQ(editor->lbRecentFiles->count(), 1);
    EXPECT_EQ(editor->lbRecentFiles->item(0)->text(), "velloran.vpr");
    EXPECT_EQ(editor->statusPanels.size(), 4u);
    EXPECT_EQ(QDir::currentPath().toStdString() + "/velloran.vpr", tutorial);

    EXPECT_TRUE(editor->close());
    const QByteArray settings = fileBytes(dir.filePath("velloran.ini"));
    EXPECT_TRUE(settings.contains("[Recent Files]\r\nFile0=" + QByteArray::fromStdString(tutorial) +
                                  "\r\n"));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(MainWindowTest, EveryCloseWritesEveryParserTextAndOneThatDoesNotFitIsReplaced) {
    auto editor = start();
    std::vector<std::string> builtin;
    for (const auto& parser : editor->parsers().parsers) {
        ASSERT_NE(parser, nullptr);
        builtin.push_back(WriteSettingsString(parser->tables()));
    }
    ParserTables largerC = editor->parsers().parsers[2]->tables();
    largerC.fontSize += 3;
    ASSERT_TRUE(editor->close());
    editor.reset();
    const auto written = IniFile(settingsPath().toStdString()).readSection("parsers");
    ASSERT_EQ(written.size(), kParserKeys.size()) << "a first start writes them all";
    for (size_t i = 0; i < kParserKeys.size(); ++i)
        EXPECT_EQ(written[i], std::string(kParserKeys[i]) + "=" + builtin[i]);

    // The next start takes the user's look for C and the built-in one for a damaged text.
    {
        IniFile ini(settingsPath().toStdString());
        ini.writeString("parsers", "html", builtin[1].substr(0, builtin[1].size() / 2));
        ini.writeString("parsers", "c", WriteSettingsString(largerC));
        ini.save();
    }
    editor = start();
    EXPECT_EQ(WriteSettingsString(editor->parsers().parsers[1]->tables()), builtin[1]);
    EXPECT_EQ(editor->parsers().parsers[2]->tables().fontSize, largerC.fontSize);
    EXPECT_TRUE(prompter.messages.empty());
    ASSERT_TRUE(editor->close());
    const IniFile ini(settingsPath().toStdString());
    EXPECT_EQ(ini.readString("parsers", "html", ""), builtin[1]);
    EXPECT_EQ(ini.readString("parsers", "c", ""), WriteSettingsString(largerC));
}

TEST_F(MainWindowTest, MissingRecentProjectIsReportedAndForgotten) {
    writeBytes(dir.filePath("velloran.ini"), "[Recent Files]\r\nFile0=/gone/site.vpr\r\n");
    auto editor = start();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "Unable to locate project \"/gone/site.vpr\".");
    EXPECT_TRUE(dm.state.recentProjects.empty());
    EXPECT_EQ(editor->lbRecentFiles->count(), 0);
}

TEST_F(MainWindowTest, CancelOnTheSecondOfThreeChangedDocumentsWritesNoSettings) {
    const QByteArray before = "[startup]\r\nCurrentUserList=/mine.vul\r\n";
    writeBytes(dir.filePath("velloran.ini"), before);
    auto editor = start();
    std::vector<QString> paths;
    for (const char* name : {"a.htm", "b.htm", "c.htm"}) {
        paths.push_back(file(name, "old\r\n"));
        editor->OpenFile(paths.back().toStdString(), false);
        editor->CurrentEntry()->Memo->model().typeText("new ");
    }
    prompter.planAnswer(Answer::Yes);
    prompter.planAnswer(Answer::Cancel);

    EXPECT_FALSE(editor->close());
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(fileBytes(paths[0]), "new old\r\n");
    EXPECT_EQ(fileBytes(paths[1]), "old\r\n");
    EXPECT_EQ(fileBytes(dir.filePath("velloran.ini")), before);
    EXPECT_EQ(prompter.messages.size(), 2u);
}

TEST_F(MainWindowTest, DocumentsOpenOnceShowTheirNameAndKeepTheirBytes) {
    auto editor = start();
    const QByteArray bytes = "caf\xE9\r\nline two\r\n"; // not UTF-8, CR LF
    const QString path = file("page.htm", bytes);
    editor->OpenFile(path.toStdString(), false);
    editor->OpenFile(path.toStdString(), false);
    editor->OpenFile(dir.filePath("missing.htm").toStdString(), false);
    ASSERT_EQ(editor->documentTabCount(), 1);
    EXPECT_EQ(editor->windowTitle(), path);
    EXPECT_EQ(editor->statusPanels[0]->text(), "   1:   1");
    EXPECT_EQ(editor->statusPanels[2]->text(), "  Insert");

    editor->CurrentEntry()->Memo->model().typeText("x");
    EXPECT_EQ(editor->statusPanels[1]->text(), "Modified");
    editor->CurrentEntry()->Memo->model().undo();
    editor->CurrentEntry()->Save(prompter, {});
    EXPECT_EQ(fileBytes(path), bytes);
    EXPECT_TRUE(editor->close());
}

// A settings file that is a FIFO or a link to /dev/zero must neither hang the start nor
// fill the memory: the program starts on its defaults, says why, and leaves it alone.
class SpecialSettingsFileTest : public MainWindowTest {
protected:
    void expectDefaultsAndItsMessage() {
        const std::string settings = settingsPath().toStdString();
        auto editor = start();
        // Said once, not again by every later reader of the same file.
        ASSERT_EQ(prompter.messages.size(), 1u);
        EXPECT_EQ(prompter.messages[0].text,
                  "Cannot read \"" + settings + "\": it is not a regular file");
        EXPECT_EQ(dm.state.projectFileName, dm.tutorialProject()) << "the first-start default";
        EXPECT_TRUE(editor->isVisible());
        // It cannot be opened as a document either, and the window goes on.
        EXPECT_THROW(editor->OpenFile(settings, false), FileError);
        EXPECT_EQ(editor->documentTabCount(), 0);
        EXPECT_TRUE(editor->close());
    }
};

TEST_F(SpecialSettingsFileTest, AFifo) {
    ASSERT_EQ(::mkfifo(settingsPath().toStdString().c_str(), 0600), 0);
    expectDefaultsAndItsMessage();
    struct stat info {};
    ASSERT_EQ(::lstat(settingsPath().toStdString().c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(SpecialSettingsFileTest, ALinkToDevZero) {
    ASSERT_EQ(::symlink("/dev/zero", settingsPath().toStdString().c_str()), 0);
    expectDefaultsAndItsMessage();
    EXPECT_EQ(QFileInfo(settingsPath()).symLinkTarget(), "/dev/zero");
}
