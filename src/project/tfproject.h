// The project manager window: the folder tree and the selected folder's file list over the
// project model, the project commands, and the reload offer when another program changes
// the project file.
#pragma once

#include "project/projectfile.h"

#include <QIcon>
#include <QPoint>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAbstractItemView;
class QAction;
class QDialog;
class QListView;
class QMenu;
class QSplitter;
class QStackedWidget;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace velloran {

struct FileRequest;
class MainThread;
class TFileNotify;

class Tfproject : public QWidget, private ProjectListener {
public:
    // `session` is the state the window shares with the rest of the program, and
    // `openDialog` the shell's shared open dialog, read at each use; both must outlive the
    // window. `mainThread` carries the watcher's notifications.
    Tfproject(ProjectSession session, Prompter& prompter, MainThread& mainThread,
              const FileRequest& openDialog);
    ~Tfproject() override;

    // Opens the project file `name`. A missing file is reported and leaves the recent
    // list; the open project, if any, stays. On success the window shows the project
    // with its first folder selected, and the project's folder becomes the current one.
    // False while the main window starts: the layout then decides whether the window shows.
    bool showOnOpen = true;
    void OpenProject(const std::string& name);

    // ---- Commands, also run from the main window ----
    // An empty project with one folder "New Project" and no file yet; the first write
    // asks for the file. The window is not shown.
    void NewProject1Click();
    void bbOpenProjClick();
    void AddFiletoProject2Click();
    void RemoveFilefromProject2Click();
    void AddFoldertoProject2Click();
    void AddSubFoldertoProject2Click();
    void RemoveFolderfromProject2Click();
    void Properties1Click();
    // The editor's "Add This File to Project": adds the existing file `fileName` to the
    // selected folder of a project that has a file.
    void addCurrentDocument(const std::string& fileName);
    // Files dropped on `target` (TreeView1: the folder under `at`, in TreeView1's
    // coordinates, or the first folder; the list: the selected folder), written once.
    void DropFiles(const QStringList& files, QWidget* target, QPoint at);

    // ---- The window's own handlers, run by its controls ----
    // Refills the file list with the selected folder's sub-folders and entries.
    void TreeView1Change();
    // The in-place edit's result for `folder`; stored cut to 255 characters and written.
    void TreeView1Edited(ProjectFolder& folder, const QString& text);
    // Opens the selected entries in the editor, from the first selected on; a missing
    // file offers to locate or remove it, a project file opens as the project, and a
    // sub-folder entry ends the run by selecting that folder.
    void ListView1DblClick();
    // Backspace selects the parent folder.
    void ListView1KeyUp(int key);
    // Sub-folders first, then by extension when "Sort by Extension" is down, then by
    // caption, all in upper case. Everything is equal during a bulk update.
    [[nodiscard]] int ListView1Compare(const QTreeWidgetItem& a, const QTreeWidgetItem& b) const;
    void SortItems();
    // 11 small icons, 12 large icons, 13 list, 14 details.
    void ChangeListViewStyle(int tag);
    void sbSplitClick();
    // Sets which popup items show and work for a popup raised on `source`.
    void pmTreePopup(const QWidget* source);
    void FormResize();
    // The project file changed on disk: offers to reload it, keeping the selected folder.
    void ProjectNotifyFileNotify();

    [[nodiscard]] Project& project() noexcept { return m_project; }
    [[nodiscard]] ProjectFolder* selectedFolder() const;
    // Selects the folder's node (nullptr: none found, nothing changes) and shows it.
    void selectFolder(const ProjectFolder* folder);
    [[nodiscard]] QTreeWidgetItem* folderItem(const ProjectFolder& folder) const;
    // The record a list entry carries; nullptr for a sub-folder entry.
    [[nodiscard]] static TProjectFile* recordOf(const QTreeWidgetItem* entry);
    // The list's selected entries, in display order.
    [[nodiscard]] std::vector<QTreeWidgetItem*> selectedEntries() const;

    // Opens a file in the editor; set by the main window.
    std::function<void(const std::string& file, bool readOnly)> openFile;
    // Runs the main window's "Publish Project..."; set by the main window.
    std::function<void()> publishProject;
    // Runs a modal dialog; replaced in tests.
    std::function<int(QDialog&)> execDialog;

    QToolBar* Toolbar1 = nullptr;
    QAction* sbSplit = nullptr;
    QAction* sbsmallicon = nullptr;
    QAction* sbLargeIcon = nullptr;
    QAction* sbList = nullptr;
    QAction* sbDetail = nullptr;
    QAction* sbSortName = nullptr;
    QAction* sbSortExtenssion = nullptr;
    QAction* sbProperties = nullptr;
    QAction* sbPublish = nullptr;
    QSplitter* Splitter1 = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    // The details style; the other styles show the same entries and selection in
    // ListView1Icons.
    QTreeWidget* ListView1 = nullptr;
    QListView* ListView1Icons = nullptr;
    QStackedWidget* ListStyles = nullptr;
    QMenu* pmTree = nullptr;
    QAction* AddFiletoProject2 = nullptr;
    QAction* RemoveFilefromProject2 = nullptr;
    QAction* AddFoldertoProject2 = nullptr;
    QAction* AddSubFoldertoProject2 = nullptr;
    QAction* RemoveFolderfromProject2 = nullptr;
    QAction* Properties1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void projectClosing() override;
    void folderAdded(ProjectFolder& folder) override;
    void folderRemoving(ProjectFolder& folder) override;
    void fileAdded(ProjectFolder& folder, TProjectFile& file) override;
    void fileRemoving(ProjectFolder& folder, TProjectFile& file) override;
    void projectSaved(const std::string& name) override;

    void buildToolbar();
    void addStyleButtons();
    QAction* addTool(const QString& name, const QString& text, const QString& hint);
    void buildViews();
    void buildListViews();
    void buildPopup();
    void createWatcher(MainThread& mainThread);
    void watch(const std::string& name);
    void popupAt(QAbstractItemView* source, QPoint pos);

    void syncTree();
    [[nodiscard]] QTreeWidgetItem* newFolderItem(ProjectFolder& folder) const;
    void clearTree();
    void queueRename(QTreeWidgetItem* item);
    void addFolderAndEdit(const std::string& name, ProjectFolder* parent);
    void editFolderName(const ProjectFolder& folder);

    void addEntry(const QString& caption, TProjectFile* record);
    void showRecord(QTreeWidgetItem& entry, const TProjectFile& record);
    [[nodiscard]] const QIcon& iconFor(int imageIndex, bool checkedOut) const;
    [[nodiscard]] int nextSelectedRow(int after) const;
    bool openEntry(TProjectFile& record);
    void locateMissing(TProjectFile& record, const std::string& path);
    void openSubFolder(const QString& name);
    [[nodiscard]] ProjectFolder* dropTarget(QWidget* target, QPoint at) const;
    bool handleDrop(QObject* watched, QEvent* event);

    ProjectSession m_state;
    Prompter& m_prompter;
    const FileRequest& m_openDialog;
    Project m_project;
    std::array<QIcon, 10> m_icons;              // five kinds, plain and checked out
    bool m_filling = false;                     // the widgets are being filled: no handlers
    std::unique_ptr<TFileNotify> ProjectNotify; // last: no notification outlives the window
};

} // namespace velloran
