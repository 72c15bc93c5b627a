// The project window's frame: its controls, opening and creating projects, the folder tree
// and its commands, and the watcher on the project file.
#include "project/tfproject.h"

#include "platform/errors.h"
#include "platform/filenotify.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "project/tfprojecticons.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <unordered_set>
#include <utility>

namespace velloran {
namespace {

constexpr int kMinPane = 30;
constexpr int kFolderRole = Qt::UserRole + 1;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

ProjectFolder* folderOf(const QTreeWidgetItem* item) {
    if (item == nullptr)
        return nullptr;
    return reinterpret_cast<ProjectFolder*>(item->data(0, kFolderRole).value<quintptr>());
}

} // namespace

Tfproject::Tfproject(ProjectSession session, Prompter& prompter, MainThread& mainThread,
                     const FileRequest& openDialog)
    : QWidget(nullptr, Qt::Window), m_state(session), m_prompter(prompter),
      m_openDialog(openDialog), m_project(session, prompter) {
    setObjectName(QStringLiteral("Tfproject"));
    setWindowTitle(QStringLiteral("Project Manager"));
    // The close box only hides the window, which never keeps the program running.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(600, 420);
    for (std::size_t i = 0; i < m_icons.size(); ++i)
        m_icons[i] = EntryIcon(static_cast<int>(i / 2), i % 2 == 1);
    execDialog = [](QDialog& dialog) { return dialog.exec(); };
    buildToolbar();
    buildViews();
    buildPopup();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Toolbar1);
    layout->addWidget(Splitter1, 1);
    m_project.setListener(this);
    createWatcher(mainThread);
}

Tfproject::~Tfproject() {
    ProjectNotify.reset();
    m_project.setListener(nullptr);
    // The views report their clearing while they are taken down; nothing may answer then.
    TreeView1->blockSignals(true);
    ListView1->blockSignals(true);
    clearTree();
}

QAction* Tfproject::addTool(const QString& name, const QString& text, const QString& hint) {
    QAction* action = Toolbar1->addAction(text);
    action->setObjectName(name);
    action->setToolTip(hint);
    return action;
}

void Tfproject::buildToolbar() {
    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setIconSize(QSize(16, 16));
    const QString splitHint = QStringLiteral("Show / Hide Project Folders");
    sbSplit = addTool(QStringLiteral("sbSplit"), splitHint, splitHint);
    sbSplit->setIcon(ToolIcon(ToolGlyph::Split));
    sbSplit->setCheckable(true);
    sbSplit->setChecked(true);
    connect(sbSplit, &QAction::toggled, this, [this] { sbSplitClick(); });
    Toolbar1->addSeparator();
    addStyleButtons();
    Toolbar1->addSeparator();
    auto* sorts = new QActionGroup(this);
    sbSortName = addTool(QStringLiteral("sbSortName"), QStringLiteral("abc"),
                         QStringLiteral("Sort by Name"));
    sbSortExtenssion = addTool(QStringLiteral("sbSortExtenssion"), QStringLiteral(".abc"),
                               QStringLiteral("Sort by Extension"));
    for (QAction* sort : {sbSortName, sbSortExtenssion}) {
        sort->setCheckable(true);
        sorts->addAction(sort);
        connect(sort, &QAction::triggered, this, [this] { SortItems(); });
    }
    sbSortName->setChecked(true);
    Toolbar1->addSeparator();
    sbProperties = addTool(QStringLiteral("sbProperties"), QStringLiteral("Prop"),
                           QStringLiteral("File Properties"));
    connect(sbProperties, &QAction::triggered, this, [this] { Properties1Click(); });
    Toolbar1->addSeparator();
    // Without a themed picture the button shows its word.
    sbPublish = addTool(QStringLiteral("sbPublish"), QStringLiteral("Publish"),
                        QStringLiteral("Publish Project"));
    sbPublish->setIcon(QIcon::fromTheme(QStringLiteral("document-send")));
    connect(sbPublish, &QAction::triggered, this, [this] {
        if (publishProject)
            publishProject();
    });
}

// The four view styles, one radio group; each button's tag is its style.
void Tfproject::addStyleButtons() {
    auto* styles = new QActionGroup(this);
    const struct {
        QAction*& action;
        const char* name;
        const char* hint;
        ToolGlyph glyph;
    } buttons[] = {{sbsmallicon, "sbsmallicon", "Small Icons", ToolGlyph::SmallIcons},
                   {sbLargeIcon, "sbLargeIcon", "Large Icons", ToolGlyph::LargeIcons},
                   {sbList, "sbList", "List", ToolGlyph::List},
                   {sbDetail, "sbDetail", "Details", ToolGlyph::Details}};
    int tag = 11;
    for (const auto& button : buttons) {
        button.action = addTool(QLatin1String(button.name), QLatin1String(button.hint),
                                QLatin1String(button.hint));
        button.action->setIcon(ToolIcon(button.glyph));
        button.action->setCheckable(true);
        button.action->setData(tag);
        styles->addAction(button.action);
        connect(button.action, &QAction::triggered, this,
                [this, tag] { ChangeListViewStyle(tag); });
        ++tag;
    }
}

void Tfproject::buildViews() {
    TreeView1 = new QTreeWidget;
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView1->setEditTriggers(QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::SelectedClicked);
    TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    TreeView1->setMinimumWidth(kMinPane);
    TreeView1->viewport()->setAcceptDrops(true);
    TreeView1->viewport()->installEventFilter(this);
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this] {
        if (!m_filling)
            TreeView1Change();
    });
    connect(TreeView1, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        if (!m_filling)
            queueRename(item);
    });
    connect(TreeView1, &QWidget::customContextMenuRequested, this,
            [this](QPoint pos) { popupAt(TreeView1, pos); });
    buildListViews();
    ListStyles->setMinimumWidth(kMinPane);
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->addWidget(TreeView1);
    Splitter1->addWidget(ListStyles);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->setStretchFactor(1, 1);
    // Narrow enough that the list keeps most of a default-sized (250 px) window.
    Splitter1->setSizes({100, 150});
}

void Tfproject::buildPopup() {
    pmTree = new QMenu(this);
    pmTree->setObjectName(QStringLiteral("pmTree"));
    const auto item = [this](const char* name, const char* text, void (Tfproject::*run)()) {
        QAction* action = pmTree->addAction(QLatin1String(text));
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, run);
        return action;
    };
    AddFiletoProject2 =
        item("AddFiletoProject2", "Add File to Project", &Tfproject::AddFiletoProject2Click);
    RemoveFilefromProject2 = item("RemoveFilefromProject2", "Remove File from Project",
                                  &Tfproject::RemoveFilefromProject2Click);
    pmTree->addSeparator();
    AddFoldertoProject2 =
        item("AddFoldertoProject2", "Add Folder to Project", &Tfproject::AddFoldertoProject2Click);
    AddSubFoldertoProject2 = item("AddSubFoldertoProject2", "Add Sub Folder to Project",
                                  &Tfproject::AddSubFoldertoProject2Click);
    RemoveFolderfromProject2 = item("RemoveFolderfromProject2", "Remove Folder from Project",
                                    &Tfproject::RemoveFolderfromProject2Click);
    Properties1 = item("Properties1", "Properties...", &Tfproject::Properties1Click);
}

void Tfproject::createWatcher(MainThread& mainThread) {
    try {
        auto notify = std::make_unique<TFileNotify>(mainThread);
        notify->setFolder("/");
        notify->setOptions({TNotificationOption::fnoFile, TNotificationOption::fnoTime});
        notify->OnFileNotify = [this](TFileNotify&, TNotificationOption) {
            ProjectNotifyFileNotify();
        };
        ProjectNotify = std::move(notify);
    } catch (const VelloranError&) {
        // Projects work as before, only without the reload offer.
    }
}

// Started on the first project, so that no folder is watched before there is one.
void Tfproject::watch(const std::string& name) {
    if (!ProjectNotify)
        return;
    try {
        ProjectNotify->setFilename(name);
        ProjectNotify->Loaded();
    } catch (const VelloranError&) {
        // An unwatchable folder costs the reload offer, nothing else.
    }
}

void Tfproject::OpenProject(const std::string& name) {
    const std::string file = name; // `name` may live in the recent list, which opening reorders
    const bool opened = m_project.OpenProject(file);
    if (TreeView1->topLevelItemCount() == 0) {
        syncTree();
        selectFolder(m_project.tree().folderAt(0));
    }
    if (!opened)
        return;
    // Relative entries of the project resolve against its folder.
    QDir::setCurrent(qs(ExtractFilePath(file)));
    watch(file);
    setWindowTitle(qs(ProjectCaption(file)));
    if (showOnOpen)
        show();
}

void Tfproject::NewProject1Click() {
    m_project.CloseProject();
    m_state.projectFileName.clear();
    addFolderAndEdit("New Project", nullptr);
}

void Tfproject::bbOpenProjClick() {
    FileRequest request;
    request.title = "Open Project";
    request.filter = "Velloran Project|*.vpr";
    request.defaultExt = "vpr";
    if (const std::optional<std::string> name = m_prompter.openFile(request))
        OpenProject(*name);
}

void Tfproject::ProjectNotifyFileNotify() {
    if (m_state.bulkUpdate || m_state.projectFileName.empty())
        return;
    const ProjectFolder* selected = selectedFolder();
    const int index = selected != nullptr ? m_project.tree().indexOf(*selected) : -1;
    const std::string name = m_state.projectFileName;
    const std::string text = "Project \"" + name +
                             "\" has been changed by another application.\r\n"
                             "Do you want to reload it?";
    if (m_prompter.message(MessageKind::Information, text, Buttons::YesNo) != Answer::Yes)
        return;
    OpenProject(name);
    selectFolder(m_project.tree().folderAt(index));
}

// ---- The folder tree ----

ProjectFolder* Tfproject::selectedFolder() const {
    return folderOf(TreeView1->currentItem());
}

QTreeWidgetItem* Tfproject::folderItem(const ProjectFolder& folder) const {
    for (QTreeWidgetItemIterator it(TreeView1); *it != nullptr; ++it) {
        if (folderOf(*it) == &folder)
            return *it;
    }
    return nullptr;
}

void Tfproject::selectFolder(const ProjectFolder* folder) {
    QTreeWidgetItem* item = folder != nullptr ? folderItem(*folder) : nullptr;
    if (item == nullptr)
        return;
    TreeView1->setCurrentItem(item);
    TreeView1->scrollToItem(item);
}

// Rebuilt from the model, keeping the open branches and the selection. The items are
// built apart from the view without recursion and handed over whole: a damaged file may
// nest folders as deep as it likes.
void Tfproject::syncTree() {
    const ProjectFolder* selected = selectedFolder();
    std::unordered_set<const ProjectFolder*> expanded;
    for (QTreeWidgetItemIterator it(TreeView1); *it != nullptr; ++it) {
        if ((*it)->isExpanded())
            expanded.insert(folderOf(*it));
    }
    {
        const FlagScope guard(m_filling);
        clearTree();
        QList<QTreeWidgetItem*> topLevel;
        std::vector<QTreeWidgetItem*> toExpand;
        std::vector<std::pair<ProjectFolder*, QTreeWidgetItem*>> pending; // with parent item
        const auto queueChildren = [&](const std::vector<ProjectFolder*>& children,
                                       QTreeWidgetItem* parent) {
            for (auto child = children.rbegin(); child != children.rend(); ++child)
                pending.emplace_back(*child, parent);
        };
        queueChildren(m_project.tree().topLevel(), nullptr);
        while (!pending.empty()) {
            const auto [folder, parent] = pending.back();
            pending.pop_back();
            QTreeWidgetItem* item = newFolderItem(*folder);
            if (parent != nullptr)
                parent->addChild(item);
            else
                topLevel.append(item);
            if (expanded.contains(folder))
                toExpand.push_back(item);
            queueChildren(folder->children(), item);
        }
        TreeView1->addTopLevelItems(topLevel);
        for (QTreeWidgetItem* item : toExpand)
            item->setExpanded(true);
    }
    selectFolder(selected);
}

QTreeWidgetItem* Tfproject::newFolderItem(ProjectFolder& folder) const {
    auto* item = new QTreeWidgetItem;
    item->setText(0, qs(folder.name()));
    item->setIcon(0, iconFor(kFolderImage, false));
    item->setData(0, kFolderRole, QVariant::fromValue(reinterpret_cast<quintptr>(&folder)));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item;
}

// An item deletes its children from its destructor, one nesting level per call, and
// taking an item's children walks all of their descendants. Out of the view, each item
// is deleted once it is a leaf, and then as the first child of its parent, so that a
// deep or wide tree costs neither stack nor quadratic time.
void Tfproject::clearTree() {
    const QList<QTreeWidgetItem*> topLevel = TreeView1->invisibleRootItem()->takeChildren();
    std::vector<QTreeWidgetItem*> pending(topLevel.rbegin(), topLevel.rend());
    while (!pending.empty()) {
        QTreeWidgetItem* item = pending.back();
        if (item->childCount() > 0) {
            pending.push_back(item->child(0));
            continue;
        }
        pending.pop_back();
        delete item;
    }
}

// The edit is committed from inside the view; renaming may ask for a file name and
// re-sorts the tree, so it waits until the view is done.
void Tfproject::queueRename(QTreeWidgetItem* item) {
    ProjectFolder* folder = folderOf(item);
    if (folder == nullptr)
        return;
    const QString text = item->text(0);
    QMetaObject::invokeMethod(
        this,
        [this, folder, text] {
            const auto& folders = m_project.tree().folders();
            if (std::find(folders.begin(), folders.end(), folder) != folders.end())
                TreeView1Edited(*folder, text);
        },
        Qt::QueuedConnection);
}

void Tfproject::TreeView1Edited(ProjectFolder& folder, const QString& text) {
    const std::string name = text.toStdString();
    // An emptied name would leave a folder nobody can point at; the edit is dropped instead.
    if (!name.empty() && FolderNameFrom(name) != folder.name())
        m_project.RenameFolder(folder, name);
    syncTree();
}

void Tfproject::addFolderAndEdit(const std::string& name, ProjectFolder* parent) {
    if (const ProjectFolder* folder = m_project.AddFolder(name, parent))
        editFolderName(*folder);
}

// After the save that adding a folder runs, so that no save question interrupts the edit.
void Tfproject::editFolderName(const ProjectFolder& folder) {
    QTreeWidgetItem* item = folderItem(folder);
    if (item != nullptr && TreeView1->isVisible())
        TreeView1->editItem(item, 0);
}

void Tfproject::ListView1KeyUp(int key) {
    const ProjectFolder* folder = selectedFolder();
    if (key == Qt::Key_Backspace && folder != nullptr && folder->parent() != nullptr)
        selectFolder(folder->parent());
}

void Tfproject::AddFoldertoProject2Click() {
    if (ProjectFolder* selected = selectedFolder())
        addFolderAndEdit("New Folder", selected->parent());
}

void Tfproject::AddSubFoldertoProject2Click() {
    if (ProjectFolder* selected = selectedFolder())
        addFolderAndEdit("New Folder", selected);
}

void Tfproject::RemoveFolderfromProject2Click() {
    if (m_project.tree().folders().size() < 2) {
        m_prompter.message(MessageKind::Error, "You can not remove the last folder in a project.",
                           Buttons::Ok);
        return;
    }
    ProjectFolder* selected = selectedFolder();
    if (selected == nullptr ||
        m_prompter.message(MessageKind::Confirmation,
                           "Are you sure you want to remove the selected Folder from the project?",
                           Buttons::YesNo) != Answer::Yes)
        return;
    if (m_project.RemoveFolder(*selected))
        TreeView1Change(); // the new selection's list may still show the removed sub-folder
}

// ---- What the model reports ----

void Tfproject::projectClosing() {
    const FlagScope guard(m_filling);
    ListView1->clear();
    clearTree();
    if (ProjectNotify)
        ProjectNotify->setFilename({});
}

void Tfproject::folderAdded(ProjectFolder& folder) {
    syncTree();
    selectFolder(&folder);
}

void Tfproject::folderRemoving(ProjectFolder& folder) {
    if (&folder == selectedFolder()) {
        const FlagScope guard(m_filling);
        ListView1->clear();
    }
    delete folderItem(folder); // the view selects another folder, which fills the list
}

void Tfproject::projectSaved(const std::string& name) {
    watch(name); // a new snapshot: this very write is no foreign change
    setWindowTitle(qs(ProjectCaption(name)));
}

// ---- Popup, layout and events ----

void Tfproject::popupAt(QAbstractItemView* source, QPoint pos) {
    pmTreePopup(source);
    pmTree->popup(source->viewport()->mapToGlobal(pos));
}

void Tfproject::pmTreePopup(const QWidget* source) {
    const std::vector<QTreeWidgetItem*> entries = selectedEntries();
    const bool onTree = source == TreeView1;
    const bool hasEntry = !entries.empty();
    const bool hasRecord = hasEntry && recordOf(entries.front()) != nullptr;
    Properties1->setVisible(!onTree && hasRecord);
    RemoveFilefromProject2->setVisible(onTree || hasRecord);
    RemoveFilefromProject2->setEnabled(hasEntry);
    Properties1->setEnabled(hasEntry && (!Properties1->isVisible() || entries.size() == 1));
    const bool hasFolder = selectedFolder() != nullptr;
    for (QAction* action :
         {AddFiletoProject2, AddFoldertoProject2, AddSubFoldertoProject2, RemoveFolderfromProject2})
        action->setEnabled(hasFolder);
}

void Tfproject::sbSplitClick() {
    TreeView1->setVisible(sbSplit->isChecked()); // the splitter's handle follows the tree
}

void Tfproject::FormResize() {
    if (TreeView1->isHidden())
        return;
    const int client = Splitter1->width();
    const int handle = Splitter1->handleWidth();
    if (client < TreeView1->width() + handle + 2 * kMinPane)
        Splitter1->setSizes({std::max(kMinPane, client - handle - kMinPane), kMinPane});
}

void Tfproject::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

bool Tfproject::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease && (watched == ListView1 || watched == ListView1Icons))
        ListView1KeyUp(static_cast<QKeyEvent*>(event)->key());
    else if (handleDrop(watched, event))
        return true;
    return QWidget::eventFilter(watched, event);
}

ProjectFolder* Tfproject::dropTarget(QWidget* target, QPoint at) const {
    if (target == TreeView1)
        return folderOf(TreeView1->itemAt(TreeView1->viewport()->mapFrom(TreeView1, at)));
    if (target == TreeView1->viewport())
        return folderOf(TreeView1->itemAt(at));
    return selectedFolder();
}

} // namespace velloran
