// The project operations: opening, saving at once after every change, and the recent list.
#include "project/projectfile.h"

#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "project/projectformat.h"

#include <algorithm>
#include <optional>

namespace velloran {
namespace {

// Names differing only in case are different files here, so the match is exact.
void forgetRecent(std::vector<std::string>& recent, const std::string& name) {
    const auto it = std::find(recent.begin(), recent.end(), name);
    if (it != recent.end())
        recent.erase(it);
}

void promoteRecent(std::vector<std::string>& recent, const std::string& name) {
    forgetRecent(recent, name);
    recent.insert(recent.begin(), name);
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

} // namespace

std::string ProjectCaption(const std::string& projectFile) {
    return "Project Manager [" + ExtractFileName(projectFile) + "]";
}

Project::Project(ProjectSession session, Prompter& prompter)
    : m_session(session), m_prompter(prompter), m_writer(WriteFileAtomically) {
}

void Project::setListener(ProjectListener* listener) noexcept {
    m_listener = listener != nullptr ? listener : &m_silent;
}

void Project::setWriter(ProjectWriter writer) {
    m_writer = std::move(writer);
}

bool Project::OpenProject(std::string name) {
    if (!FileExists(name)) {
        m_prompter.message(MessageKind::Error, "Unable to locate project " + quoted(name) + ".",
                           Buttons::Ok);
        forgetRecent(m_session.recentProjects, name);
        return false;
    }
    std::optional<std::string> warning;
    if (const std::optional<std::string> failure = load(name, warning)) {
        m_prompter.message(MessageKind::Error, *failure, Buttons::Ok);
        return false;
    }
    // Told before anything can write the project, since every change rewrites it whole.
    if (warning)
        m_prompter.message(MessageKind::Warning, *warning, Buttons::Ok);
    promoteRecent(m_session.recentProjects, name);
    return true;
}

// The file is read and checked before the open project is closed, so a file that is
// unreadable or no project costs nothing.
std::optional<std::string> Project::load(const std::string& name,
                                         std::optional<std::string>& warning) {
    BusyCursor busy(m_prompter);
    std::string bytes;
    try {
        bytes = ReadWholeFile(name);
    } catch (const VelloranError& error) {
        return error.what();
    }
    ProjectTree next;
    const ProjectReadResult result = ReadProject(bytes, next);
    if (const auto& refusal = result.refusal) {
        const std::string where =
            refusal->line > 0 ? "line " + std::to_string(refusal->line) + ": " : std::string();
        return "Unable to open project " + quoted(name) + ": " + where + refusal->reason +
               ". It is not a project file.";
    }
    CloseProject();
    m_tree = std::move(next);
    m_session.projectFileName = name;
    if (const auto& loss = result.loss)
        warning = "Line " + std::to_string(loss->line) + " of project " + quoted(name) +
                  " cannot be kept: " + loss->reason +
                  ".\r\n\r\nIt will be lost when the project is next changed.";
    return std::nullopt;
}

// Only a name ending in exactly ".vpr" is taken; any other answer writes nothing.
std::optional<std::string> Project::chooseSaveName() {
    FileRequest request;
    request.title = "New Project";
    request.filter = "Velloran Project|*.vpr";
    request.defaultExt = "vpr";
    std::optional<std::string> chosen = m_prompter.saveFile(request);
    if (!chosen || ExtractFileExt(*chosen) != ".vpr")
        return std::nullopt;
    return chosen;
}

bool Project::SaveProject(std::string name) {
    if (name.empty()) {
        std::optional<std::string> chosen = chooseSaveName();
        if (!chosen)
            return false;
        name = std::move(*chosen);
    }
    if (const std::optional<std::string> failure = writeTo(name)) {
        m_prompter.message(MessageKind::Error, *failure, Buttons::Ok);
        return false;
    }
    m_listener->projectSaved(name);
    promoteRecent(m_session.recentProjects, name);
    return true;
}

std::optional<std::string> Project::writeTo(const std::string& name) {
    BusyCursor busy(m_prompter);
    const FlagScope bulk(m_session.bulkUpdate); // a write inside a bulk update keeps it
    std::optional<std::string> failure;
    try {
        m_writer(name, FormatProject(m_tree));
    } catch (const VelloranError& error) {
        failure = error.what();
    }
    m_session.projectFileName = name;
    return failure;
}

bool Project::saveChange() {
    return SaveProject(m_session.projectFileName);
}

void Project::CloseProject() {
    m_listener->projectClosing();
    m_tree.clear();
}

ProjectFolder* Project::AddFolder(const std::string& name, ProjectFolder* parent) {
    if (parent != nullptr && parent->depth() + 1 >= kMaxFolderDepth) {
        m_prompter.message(MessageKind::Error,
                           "Folders cannot be nested more than " + std::to_string(kMaxFolderDepth) +
                               " levels deep.",
                           Buttons::Ok);
        return nullptr;
    }
    ProjectFolder& folder = m_tree.addFolder(name, parent);
    m_listener->folderAdded(folder);
    saveChange();
    return &folder;
}

bool Project::RemoveFolder(ProjectFolder& folder) {
    if (!folder.children().empty()) {
        m_prompter.message(MessageKind::Information, "Must remove Sub Folders first.", Buttons::Ok);
        return false;
    }
    m_listener->folderRemoving(folder);
    m_tree.removeFolder(folder);
    saveChange();
    return true;
}

void Project::RenameFolder(ProjectFolder& folder, const std::string& name) {
    m_tree.renameFolder(folder, name);
    saveChange();
}

TProjectFile* Project::AddFile(const std::string& path, ProjectFolder* target) {
    if (m_tree.empty() || ExtractFileExt(path).size() < 2 || refuseLineBreak(path))
        return nullptr;
    if (FindFile(path) != nullptr && !confirmDuplicate(path))
        return nullptr;
    ProjectFolder& folder = target != nullptr ? *target : *m_tree.folderAt(0);
    TProjectFile& file =
        m_tree.appendFile(folder, {ExtractFileName(path), path, "", ImageIndexFor(path), -1});
    if (!m_session.bulkUpdate) {
        m_listener->fileAdded(folder, file);
        saveChange();
    }
    return &file;
}

bool Project::confirmDuplicate(const std::string& path) {
    const std::string text = "The file " + quoted(path) +
                             " is already in the project,\r\n\r\nDo you want to add it again?";
    return m_prompter.message(MessageKind::Confirmation, text, Buttons::YesNo) == Answer::Yes;
}

bool Project::refuseLineBreak(const std::string& path) {
    if (!hasLineBreak(path))
        return false;
    m_prompter.message(MessageKind::Error,
                       "The file name " + quoted(path) +
                           " contains a line break and cannot be kept in the project.",
                       Buttons::Ok);
    return true;
}

bool Project::RemoveFile(ProjectFolder& folder, const TProjectFile& file) {
    const auto& files = folder.files();
    const auto it = std::find_if(files.begin(), files.end(),
                                 [&](const auto& entry) { return entry.get() == &file; });
    if (it == files.end())
        return false;
    m_listener->fileRemoving(folder, **it);
    m_tree.removeFile(folder, file);
    if (!m_session.bulkUpdate)
        saveChange();
    return true;
}

TProjectFile* Project::FindFile(const std::string& path) const {
    BusyCursor busy(m_prompter);
    return m_tree.findFile(path);
}

bool Project::SetFileProperties(TProjectFile& file, const FileProperties& properties) {
    if (refuseLineBreak(properties.FileInfo))
        return false;
    file.NodeName = oneLine(properties.NodeName);
    file.FileInfo = properties.FileInfo;
    file.WebLoc = oneLine(properties.WebLoc);
    file.ImageIndex = ImageIndexFor(properties.FileInfo);
    file.StateIndex = properties.StateIndex;
    saveChange();
    return true;
}

std::string Project::resolvedPath(const TProjectFile& file) const {
    if (file.FileInfo.empty() || file.FileInfo.front() == '/')
        return file.FileInfo;
    return ExtractFilePath(m_session.projectFileName) + file.FileInfo;
}

} // namespace velloran
