// The main window's side of publishing: the publish window for the open project, and
// the background upload of a saved document when the project asks for it.
#include "app/mainwindow.h"

#include "app/datamodule.h"
#include "app/editorentry.h"
#include "app/startup.h"
#include "ftp/ui/tfftp.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "project/tfproject.h"
#include "publish/publishplan.h"
#include "publish/ui/savepublisher.h"
#include "publish/ui/tfpublish.h"

#include <QPlainTextEdit>
#include <QStatusBar>

#include <filesystem>

namespace velloran {

namespace {

std::string ServersFile() {
    return ConfigDir() + "servers.ini";
}

} // namespace

const TProjectFile* TfEditor::projectEntryFor(const std::string& fileName) const {
    if (m_project == nullptr || m_dm.state.projectFileName.empty())
        return nullptr;
    const std::string projectDir =
        std::filesystem::path(m_dm.state.projectFileName).parent_path().string();
    const std::string wanted = std::filesystem::path(fileName).lexically_normal().string();
    for (const ProjectFolder* folder : m_project->project().tree().folders()) {
        for (const auto& entry : folder->files()) {
            std::string localPath;
            (void)RemotePathFor(*entry, projectDir, {}, &localPath);
            if (localPath == wanted)
                return entry.get();
        }
    }
    return nullptr;
}

void TfEditor::PublishProject1Click() {
    if (m_project == nullptr || m_dm.state.projectFileName.empty()) {
        m_prompter.message(MessageKind::Information,
                           "Open a project first: a publish sends the files of the open project.",
                           Buttons::Ok);
        return;
    }
    // One window per project; another project gets a window of its own.
    if (m_publish &&
        m_publish->property("projectFile").toString().toStdString() != m_dm.state.projectFileName) {
        if (m_publish->busy())
            return m_publish->raise();
        m_publish->close();
        delete m_publish;
    }
    if (!m_publish) {
        m_publish =
            new TfPublish(m_prompter, m_project->project().tree(), m_dm.state.projectFileName,
                          ServersFile(), settingsFileName(), this);
        m_publish->setProperty("projectFile", QString::fromStdString(m_dm.state.projectFileName));
        m_publish->setAttribute(Qt::WA_DeleteOnClose);
        // The FTP window, when open, keeps the one log of everything sent to servers.
        m_publish->onLog = [this](const std::string& line) {
            if (fFTP)
                fFTP->mstatus->appendPlainText(QString::fromStdString(line));
        };
        m_publish->saveDocuments = [this] {
            return ConfirmSaveBeforePublish(*this, m_prompter, [this](const std::string& name) {
                return projectEntryFor(name) != nullptr;
            });
        };
    }
    m_publish->show();
    m_publish->raise();
    m_publish->activateWindow();
}

void TfEditor::publishSaved(const TEditorEntry& entry) {
    const TProjectFile* projectEntry = projectEntryFor(entry.FileName);
    if (projectEntry == nullptr)
        return;
    if (m_savePublisher == nullptr) {
        m_savePublisher = new SavePublisher(ServersFile(), settingsFileName(), this);
        m_savePublisher->onResult = [this](const std::string& text) {
            statusBar()->showMessage(QString::fromStdString(text), 10000);
        };
    }
    m_savePublisher->fileSaved(m_dm.state.projectFileName, *projectEntry);
}

} // namespace velloran
