// The Programs menu and its dialog in a real main window: the menu follows the list,
// a program starts with the document as one argument in the project's folder, and the
// dialog's edits reach the settings file only through Done.
#include "app/editorentry.h"
#include "app/mainwindowfixture.h"
#include "editor/ui/codememo.h"
#include "platform/inifile.h"
#include "programs/ui/tfedprogs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include <cstdlib>

using namespace velloran;

namespace {

class ProgramsTest : public MainWindowTest {
protected:
    void SetUp() override {
        // Records its working folder, its arguments one per line, and the first file's text.
        m_recorder = file("recorder", "#!/bin/sh\n"
                                      "{ pwd; echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done;\n"
                                      "  [ $# -gt 0 ] && cat \"$1\"; } > \"$0.out.tmp\"\n"
                                      "mv \"$0.out.tmp\" \"$0.out\"\n");
        QFile::setPermissions(m_recorder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(dir.path()).mkdir("site");
        writePrograms({{"Recorder", m_recorder.toStdString()}, {"Missing", "/no/such/program"}});
    }

    void writePrograms(const std::vector<programs::Program>& list) {
        IniFile ini(settingsPath().toStdString());
        programs::writePrograms(ini, list);
        ini.save();
    }

    std::vector<QString> menuItems(const TfEditor& editor) const {
        std::vector<QString> names;
        for (QAction* action : editor.Programsmenu->actions())
            names.push_back(action->isSeparator() ? "-" : action->text());
        return names;
    }

    // Runs the program and waits for what it recorded.
    QStringList run(TfEditor& editor, int index) {
        QFile::remove(m_recorder + ".out");
        editor.Programsmenu->actions().at(index)->trigger();
        if (!waitFor([&] { return QFile::exists(m_recorder + ".out"); }))
            return {};
        return QString::fromUtf8(fileBytes(m_recorder + ".out")).split('\n');
    }

    QString m_recorder;
};

} // namespace

TEST_F(ProgramsTest, ADocumentWithBlanksAndSemicolonIsOneArgumentSavedFirst) {
    const QString page = file("site/my page; echo x.htm", "old\n");
    auto editor = start({page.toStdString()});
    dm.state.projectFileName = dir.filePath("site/site.vpr").toStdString();
    ASSERT_EQ(menuItems(*editor),
              (std::vector<QString>{"Recorder", "Missing", "-", "Edit Programs..."}));
    EXPECT_EQ(editor->Programsmenu->actions().at(0)->statusTip(), "Run Recorder.");
    editor->CurrentEntry()->Memo->model().replaceSel("new ");
    const QStringList recorded = run(*editor, 0);
    ASSERT_GE(recorded.size(), 4);
    EXPECT_EQ(recorded[0], dir.filePath("site"));
    EXPECT_EQ(recorded[1], "1");
    EXPECT_EQ(recorded[2], page);
    EXPECT_EQ(recorded[3], "new old"); // saved before the program started
    EXPECT_FALSE(editor->CurrentEntry()->isModified());
}

TEST_F(ProgramsTest, NoDocumentNoArgumentAndBadPathsAreReported) {
    auto editor = start();
    const QStringList recorded = run(*editor, 0);
    ASSERT_GE(recorded.size(), 2);
    EXPECT_EQ(recorded[1], "0");

    editor->Programsmenu->actions().at(1)->trigger();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "\"/no/such/program\" is not a valid path.");

    // A bare command name is looked up on PATH.
    const std::string oldPath = std::getenv("PATH");
    setenv("PATH", (dir.path().toStdString() + ":" + oldPath).c_str(), 1);
    writePrograms({{"By name", "recorder"}});
    editor->BuildProgramsMenu();
    EXPECT_EQ(menuItems(*editor), (std::vector<QString>{"By name", "-", "Edit Programs..."}));
    EXPECT_FALSE(run(*editor, 0).isEmpty());
    setenv("PATH", oldPath.c_str(), 1);
}

TEST_F(ProgramsTest, DialogAppliesEditsOnMovingAndDoneWritesTheShorterList) {
    auto editor = start();
    editor->execDialog = [&](QDialog& dialog) {
        auto& programs = dynamic_cast<Tfedprogs&>(dialog);
        EXPECT_FALSE(programs.bbupdate->isEnabled());
        programs.eProgName->setText("Renamed");
        EXPECT_TRUE(programs.bbupdate->isEnabled());
        programs.bbclearClick(); // revert: the stored text, nothing pending
        EXPECT_EQ(programs.eProgName->text(), "Recorder");
        EXPECT_FALSE(programs.bbclear->isEnabled());
        programs.eProgName->setText("Renamed");
        programs.lbPrograms->setCurrentRow(1);
        programs.lbProgramsClick(); // moving on applies the edit
        EXPECT_EQ(programs.lbPrograms->item(0)->text(), "Renamed");
        programs.eProgName->setText("edit dropped by delete");
        programs.bbDelProgClick();
        EXPECT_EQ(programs.programList().size(), 1u);
        EXPECT_EQ(programs.eProgName->text(), "Renamed");
        programs.bbDoneClick();
        return programs.result();
    };
    editor->command("EditPrograms1")->trigger();
    const IniFile ini(settingsPath().toStdString());
    EXPECT_EQ(ini.readString("programs", "numprogs", ""), "1");
    EXPECT_EQ(ini.readString("programs", "progname0", ""), "Renamed");
    EXPECT_EQ(ini.readString("programs", "progname1", ""), "Missing"); // left, not read
    EXPECT_EQ(menuItems(*editor), (std::vector<QString>{"Renamed", "-", "Edit Programs..."}));
}

TEST_F(ProgramsTest, CancelLeavesTheSettingsFileByteForByte) {
    auto editor = start();
    const QByteArray before = fileBytes(settingsPath());
    editor->execDialog = [&](QDialog& dialog) {
        auto& programs = dynamic_cast<Tfedprogs&>(dialog);
        programs.bbNewProgClick();
        programs.eProgName->setText("New one");
        programs.bbupdateClick();
        programs.bbDelProgClick();
        programs.bbCancel->click();
        return programs.result();
    };
    editor->command("EditPrograms1")->trigger();
    EXPECT_EQ(fileBytes(settingsPath()), before);
    EXPECT_EQ(menuItems(*editor).size(), 4u);
}
