// The Programs menu: starting a registered external program on the current document,
// and the dialog that edits the list.
#include "app/mainwindow.h"

#include "app/datamodule.h"
#include "app/editorentry.h"
#include "platform/errors.h"
#include "platform/inifile.h"
#include "platform/prompter.h"
#include "programs/programlist.h"
#include "programs/ui/tfedprogs.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>

#include <cstdlib>
#include <filesystem>

namespace velloran {

namespace {

// The value of "progpath" + index, read afresh as each run does.
std::string ProgramPath(const std::string& settingsFile, int index) {
    return IniFile(settingsFile).readString("programs", "progpath" + std::to_string(index), "");
}

} // namespace

void TfEditor::buildProgramsMenu() {
    Programsmenu = menuBar()->addMenu(QStringLiteral("Programs"));
    Programsmenu->setObjectName(QStringLiteral("Programsmenu"));
    Programsmenu->menuAction()->setObjectName(QStringLiteral("Programsmenu"));
    Programsmenu->addSeparator()->setObjectName(QStringLiteral("N1"));
    makeCommand(Programsmenu, QStringLiteral("EditPrograms1"), QStringLiteral("Edit Programs..."),
                [this] { EditPrograms1Click(); });
    BuildProgramsMenu();
}

void TfEditor::BuildProgramsMenu() {
    while (Programsmenu->actions().size() >= 3) {
        QAction* item = Programsmenu->actions().front();
        Programsmenu->removeAction(item);
        delete item;
    }
    std::vector<programs::Program> list;
    try {
        list = programs::readPrograms(IniFile(m_dm.state.iniFileName));
    } catch (const VelloranError&) {
        // An unreadable settings file was reported when the settings were read; the
        // menu then offers only "Edit Programs...".
    }
    QAction* before = Programsmenu->actions().front();
    for (size_t i = 0; i < list.size(); ++i) {
        const QString name = QString::fromStdString(list[i].name);
        auto* item = new QAction(name, Programsmenu);
        item->setData(static_cast<int>(i));
        item->setStatusTip(QStringLiteral("Run ") + name + QStringLiteral("."));
        const int index = static_cast<int>(i);
        connect(item, &QAction::triggered, this,
                [this, index] { runCommand([this, index] { RunProgram(index); }); });
        Programsmenu->insertAction(before, item);
    }
}

void TfEditor::RunProgram(int index) {
    const std::string path = ProgramPath(m_dm.state.iniFileName, index);
    const std::string folder =
        m_dm.state.projectFileName.empty()
            ? std::string()
            : std::filesystem::path(m_dm.state.projectFileName).parent_path().string();
    QStringList arguments;
    if (TEditorEntry* entry = CurrentEntry()) {
        if (entry->isModified()) {
            bool written = false;
            saveEntry(*entry, written);
            if (!written)
                return; // the program would see other text than the user does
        }
        // An untitled document has no file to hand over.
        if (!entry->isUntitled()) {
            std::filesystem::path name(entry->FileName);
            if (!name.has_parent_path() && !folder.empty())
                name = std::filesystem::path(folder) / name;
            arguments << QString::fromStdString(name.string());
        }
    }
    const char* searchPath = std::getenv("PATH");
    if (path.empty() || !programs::isRunnable(path, searchPath ? searchPath : "")) {
        m_prompter.message(MessageKind::Error, "\"" + path + "\" is not a valid path.",
                           Buttons::Ok);
        return;
    }
    // No shell: the document's name is one argument whatever it holds.
    if (!QProcess::startDetached(QString::fromStdString(path), arguments,
                                 QString::fromStdString(folder)))
        m_prompter.message(MessageKind::Error, "There was an error opening \"" + path + "\".",
                           Buttons::Ok);
}

void TfEditor::EditPrograms1Click() {
    IniFile settings(m_dm.state.iniFileName);
    Tfedprogs dialog(settings, m_prompter, this);
    if (execDialog(dialog) == QDialog::Accepted)
        BuildProgramsMenu();
}

} // namespace velloran
