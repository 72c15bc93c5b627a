// The open project: its operations, each change written to the project file at once,
// and the upkeep of the recent-project list.
#pragma once

#include "project/projecttree.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velloran {

class Prompter;

// The application-wide state the project shares with the rest of the program; the
// references must outlive the Project.
struct ProjectSession {
    std::string& projectFileName;             // empty while the project has no file
    std::vector<std::string>& recentProjects; // most recent first
    bool& bulkUpdate;                         // set: no per-entry writes
};

// Sets a flag such as bulkUpdate for one scope, also when it ends by an exception, and
// restores the earlier value, so that a nested scope does not end the outer one.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : m_flag(flag), m_before(flag) { m_flag = true; }
    ~FlagScope() { m_flag = m_before; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
    bool m_before;
};

// The editable fields of an entry, as the properties dialog gives them back.
struct FileProperties {
    std::string NodeName;
    std::string FileInfo;
    std::string WebLoc;
    int StateIndex = -1;
};

// Tells the project window what the model did while an operation is still running
// (before a save question may come up). Every hook does nothing by default.
class ProjectListener {
public:
    virtual ~ProjectListener() = default;
    // Before every folder is freed: drop the selection, the file list and the tree.
    virtual void projectClosing() {}
    // A folder was added: show it and start editing its name.
    virtual void folderAdded(ProjectFolder& /*folder*/) {}
    // The folder (with no sub-folders) is about to be freed.
    virtual void folderRemoving(ProjectFolder& /*folder*/) {}
    // A single entry was added outside a bulk update: refill the list if it shows `folder`.
    virtual void fileAdded(ProjectFolder& /*folder*/, TProjectFile& /*file*/) {}
    // The entry is about to be freed: delete its line from the file list.
    virtual void fileRemoving(ProjectFolder& /*folder*/, TProjectFile& /*file*/) {}
    // The project file was written: take a new watcher snapshot, set the caption.
    virtual void projectSaved(const std::string& /*name*/) {}
};

// Writes the project's bytes to a file; throws FileError. Tests count the writes.
using ProjectWriter = std::function<void(const std::string& path, std::string_view bytes)>;

// "Project Manager [" + the file name without folder + "]".
[[nodiscard]] std::string ProjectCaption(const std::string& projectFile);

// The project model. Every change that the user makes (folder added, removed or
// renamed, entry added, removed or edited) is written to the session's project file
// before the call returns; with no file yet, the save dialog asks for one each time.
// Questions and errors go through the Prompter.
class Project {
public:
    Project(ProjectSession session, Prompter& prompter);

    void setListener(ProjectListener* listener) noexcept;
    // Replaces the atomic file write (for tests).
    void setWriter(ProjectWriter writer);

    // Folders in pre-order (tree().folders()[i] has absolute index i), sub-folders,
    // entries, lookups by index.
    [[nodiscard]] const ProjectTree& tree() const noexcept { return m_tree; }

    // Reads the project file `name`. A missing file is reported and leaves the
    // recent list; an unreadable file, or one that is no project, is reported with the
    // line to blame; all of them keep the open project. On success the file becomes
    // the session's project file and moves to the top of the recent list; a project
    // that a write would not keep whole is opened after a warning naming the first
    // such line. Select the first folder, watch the file and set the caption afterwards.
    bool OpenProject(std::string name);
    // Writes the tree to `name`, or with an empty name to a file chosen in the save
    // dialog, which must end in exactly ".vpr" (otherwise nothing is written). The
    // session's project file becomes the name even when the write fails; a failure is
    // reported with the system's reason and the file on disk stays as it was.
    bool SaveProject(std::string name);
    // Frees every folder and entry. Writes nothing.
    void CloseProject();

    // Adds a folder under `parent` (nullptr: top level) at its sorted place.
    // Refuses with an error, returning nullptr, a folder deeper than kMaxFolderDepth.
    ProjectFolder* AddFolder(const std::string& name, ProjectFolder* parent);
    // Refuses, with "Must remove Sub Folders first.", a folder with sub-folders. The
    // window refuses to remove the last folder before calling this.
    bool RemoveFolder(ProjectFolder& folder);
    // The in-place edit's result: cut to 255 characters, then sorted among the siblings.
    void RenameFolder(ProjectFolder& folder, const std::string& name);

    // Adds `path` to `target` (nullptr: the first folder). Nothing when the project
    // has no folder or the path has no extension; a path already in the project asks
    // whether to add it again. Returns the new entry, or nullptr. While bulkUpdate is
    // set, no write and no listener call: the caller writes once at the end.
    TProjectFile* AddFile(const std::string& path, ProjectFolder* target);
    // Removes `file` from `folder`; false when it is not there. No write during a bulk update.
    bool RemoveFile(ProjectFolder& folder, const TProjectFile& file);
    // The first entry whose FileInfo equals `path` exactly, or nullptr.
    [[nodiscard]] TProjectFile* FindFile(const std::string& path) const;
    // Stores the dialog's fields and the icon of the new path. A path with a line
    // break cannot be stored and is refused with an error.
    bool SetFileProperties(TProjectFile& file, const FileProperties& properties);

    // Where an entry's file is: a relative FileInfo is taken from the project file's folder.
    [[nodiscard]] std::string resolvedPath(const TProjectFile& file) const;

private:
    std::optional<std::string> load(const std::string& name, std::optional<std::string>& warning);
    std::optional<std::string> chooseSaveName();
    std::optional<std::string> writeTo(const std::string& name);
    bool saveChange();
    bool confirmDuplicate(const std::string& path);
    bool refuseLineBreak(const std::string& path);

    ProjectSession m_session;
    Prompter& m_prompter;
    ProjectListener m_silent;
    ProjectListener* m_listener = &m_silent;
    ProjectWriter m_writer;
    ProjectTree m_tree;
};

} // namespace velloran
