// The project's folder tree and file entries in memory, with no file access and no questions.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velloran {

// One file entry of a project folder. The field order is the order of the keys in
// the project file.
struct TProjectFile {
    std::string NodeName; // shown in the file list; initially the file name without folder
    std::string FileInfo; // the path as entered; a relative one is relative to the project file
    std::string WebLoc;   // free text
    int ImageIndex = 1;   // 1 any file, 2 HTML page, 3 picture, 4 project file (0 is a folder)
    int StateIndex = -1;  // -1 "Checked In", 0 "Checked Out" (opened read-only)

    [[nodiscard]] bool checkedOut() const noexcept { return StateIndex != -1; }
};

inline constexpr int kFolderImage = 0; // the icon of every folder, selected or not
inline constexpr std::size_t kMaxFolderName = 255;
// Folders nest at most this many levels deep (a top-level folder is the first level).
// No site comes near it; the tree view lays out open branches one call per level.
inline constexpr int kMaxFolderDepth = 1000;

// The icon of an entry for `path`, by its extension in upper case.
[[nodiscard]] int ImageIndexFor(std::string_view path);

// A folder's display form of `text`: line breaks become blanks (the file format has
// no room for them) and the result is cut to 255 characters.
[[nodiscard]] std::string FolderNameFrom(std::string_view text);

// A folder of the tree. Only ProjectTree changes it; the pointers it hands out stay
// valid until the folder is removed or the tree cleared.
class ProjectFolder {
public:
    [[nodiscard]] const std::string& name() const noexcept { return m_name; }
    // nullptr for a top-level folder.
    [[nodiscard]] ProjectFolder* parent() const noexcept { return m_parent; }
    // 0 for a top-level folder.
    [[nodiscard]] int depth() const noexcept { return m_depth; }
    // Sub-folders in tree order (sorted by name).
    [[nodiscard]] const std::vector<ProjectFolder*>& children() const noexcept {
        return m_children;
    }
    // The folder's entries in the order they were added.
    [[nodiscard]] const std::vector<std::unique_ptr<TProjectFile>>& files() const noexcept {
        return m_files;
    }

private:
    friend class ProjectTree;

    std::string m_name;
    ProjectFolder* m_parent = nullptr;
    int m_depth = 0;
    std::vector<ProjectFolder*> m_children;
    std::vector<std::unique_ptr<TProjectFile>> m_files;
};

// An ordered tree of folders. A folder's absolute index is its position in a pre-order
// walk (first top-level folder 0, its sub-folders depth first, then the next one).
// Siblings are sorted by name without regard to ASCII case; equal names keep the
// order in which they came.
class ProjectTree {
public:
    ProjectTree() = default;
    ProjectTree(const ProjectTree&) = delete;
    ProjectTree& operator=(const ProjectTree&) = delete;
    // The folders stay where they are, so pointers to them stay valid.
    ProjectTree(ProjectTree&&) noexcept = default;
    ProjectTree& operator=(ProjectTree&&) noexcept = default;

    // Every folder in pre-order: the position is the absolute index.
    [[nodiscard]] const std::vector<ProjectFolder*>& folders() const noexcept { return m_order; }
    [[nodiscard]] const std::vector<ProjectFolder*>& topLevel() const noexcept {
        return m_topLevel;
    }
    [[nodiscard]] bool empty() const noexcept { return m_order.empty(); }
    // nullptr when no folder has that index.
    [[nodiscard]] ProjectFolder* folderAt(int index) const noexcept;
    // -1 when the folder is not in this tree.
    [[nodiscard]] int indexOf(const ProjectFolder& folder) const noexcept;
    // The first entry, in absolute-index and list order, whose FileInfo equals `path`
    // exactly; nullptr when there is none.
    [[nodiscard]] TProjectFile* findFile(std::string_view path) const noexcept;

    // Adds a folder at its sorted place under `parent` (nullptr: top level).
    ProjectFolder& addFolder(std::string_view name, ProjectFolder* parent);
    // Adds a folder as the last child of `parent`, unsorted, as a file is read;
    // sortAll() puts the tree in order afterwards.
    ProjectFolder& appendFolder(std::string_view name, ProjectFolder* parent);
    // Removes a folder that has no sub-folders, with its entries.
    void removeFolder(ProjectFolder& folder);
    // Renames and moves the folder to its sorted place among its siblings.
    void renameFolder(ProjectFolder& folder, std::string_view name);
    void sortAll();
    void clear() noexcept;

    TProjectFile& appendFile(ProjectFolder& folder, TProjectFile file);
    // False when `file` is not in the folder's list.
    bool removeFile(ProjectFolder& folder, const TProjectFile& file);

private:
    std::vector<ProjectFolder*>& siblingsOf(ProjectFolder* parent);
    ProjectFolder& create(std::string_view name, ProjectFolder* parent);
    void insertSorted(ProjectFolder& folder);
    void rebuildOrder();

    std::vector<std::unique_ptr<ProjectFolder>> m_owned; // in no particular order
    std::vector<ProjectFolder*> m_topLevel;
    std::vector<ProjectFolder*> m_order;
};

} // namespace velloran
