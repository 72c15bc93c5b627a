// The project window's file list: filling and sorting it, its view styles, opening
// entries, the file commands and the properties dialog, and files dropped from outside.
#include "platform/atomicfile.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "project/tffileprop.h"
#include "project/tfproject.h"

#include <QAction>
#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <array>

namespace velloran {
namespace {

constexpr int kRecordRole = Qt::UserRole + 2;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QString upperExtension(const QString& upperCaption) {
    return qs(ExtractFileExt(upperCaption.toStdString()));
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

// Sorts by the window's compare rule.
class ListEntry : public QTreeWidgetItem {
public:
    explicit ListEntry(const Tfproject& owner) : m_owner(owner) {}
    bool operator<(const QTreeWidgetItem& other) const override {
        return m_owner.ListView1Compare(*this, other) < 0;
    }

private:
    const Tfproject& m_owner;
};

} // namespace

void Tfproject::buildListViews() {
    ListView1 = new QTreeWidget;
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setHeaderLabels(
        {QStringLiteral("File Name"), QStringLiteral("File Path"), QStringLiteral("Web Location")});
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1Icons = new QListView;
    ListView1Icons->setObjectName(QStringLiteral("ListView1Icons"));
    ListView1Icons->setModel(ListView1->model());
    ListView1Icons->setSelectionModel(ListView1->selectionModel());
    for (QAbstractItemView* view :
         std::initializer_list<QAbstractItemView*>{ListView1, ListView1Icons}) {
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setDragDropMode(QAbstractItemView::DragOnly);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->installEventFilter(this);
        view->viewport()->setAcceptDrops(true);
        view->viewport()->installEventFilter(this);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](QPoint pos) { popupAt(view, pos); });
        connect(view, &QAbstractItemView::doubleClicked, this, [this] { ListView1DblClick(); });
    }
    // The icon view goes first, so that it lets go of the shared model before the list.
    ListStyles = new QStackedWidget;
    ListStyles->addWidget(ListView1Icons);
    ListStyles->addWidget(ListView1);
    ChangeListViewStyle(13);
}

void Tfproject::ChangeListViewStyle(int tag) {
    const std::array<QAction*, 4> buttons{sbsmallicon, sbLargeIcon, sbList, sbDetail};
    if (tag < 11 || tag > 14)
        return;
    buttons[static_cast<std::size_t>(tag - 11)]->setChecked(true);
    if (tag == 14) {
        ListStyles->setCurrentWidget(ListView1);
        return;
    }
    const bool large = tag == 12;
    // The view mode resets the other settings, so it comes first.
    ListView1Icons->setViewMode(large ? QListView::IconMode : QListView::ListMode);
    ListView1Icons->setFlow(tag == 13 ? QListView::TopToBottom : QListView::LeftToRight);
    ListView1Icons->setWrapping(true);
    ListView1Icons->setMovement(QListView::Static);
    ListView1Icons->setResizeMode(QListView::Adjust);
    ListView1Icons->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
    ListView1Icons->setGridSize(large ? QSize(96, 64) : QSize());
    ListView1Icons->setWordWrap(large);
    ListView1Icons->setSpacing(large ? 0 : 1);
    ListStyles->setCurrentWidget(ListView1Icons);
}

const QIcon& Tfproject::iconFor(int imageIndex, bool checkedOut) const {
    const int kind = imageIndex >= 0 && imageIndex <= 4 ? imageIndex : 1;
    return m_icons[static_cast<std::size_t>(kind * 2 + (checkedOut ? 1 : 0))];
}

TProjectFile* Tfproject::recordOf(const QTreeWidgetItem* entry) {
    if (entry == nullptr)
        return nullptr;
    return reinterpret_cast<TProjectFile*>(entry->data(0, kRecordRole).value<quintptr>());
}

void Tfproject::showRecord(QTreeWidgetItem& entry, const TProjectFile& record) {
    entry.setText(0, qs(record.NodeName));
    entry.setText(1, qs(record.FileInfo));
    entry.setText(2, qs(record.WebLoc));
    entry.setIcon(0, iconFor(record.ImageIndex, record.checkedOut()));
}

void Tfproject::addEntry(const QString& caption, TProjectFile* record) {
    auto* entry = new ListEntry(*this);
    entry->setData(0, kRecordRole, QVariant::fromValue(reinterpret_cast<quintptr>(record)));
    entry->setFlags(entry->flags() & ~Qt::ItemIsDropEnabled);
    if (record != nullptr) {
        showRecord(*entry, *record);
    } else {
        entry->setText(0, caption);
        entry->setIcon(0, iconFor(kFolderImage, false));
    }
    ListView1->addTopLevelItem(entry);
}

void Tfproject::TreeView1Change() {
    const ProjectFolder* folder = selectedFolder();
    if (folder == nullptr)
        return;
    {
        const FlagScope bulk(m_state.bulkUpdate);
        ListView1->setUpdatesEnabled(false);
        ListView1->clear();
        for (const ProjectFolder* child : folder->children())
            addEntry(qs(child->name()), nullptr);
        for (const auto& record : folder->files())
            addEntry({}, record.get());
        ListView1->setUpdatesEnabled(true);
    }
    ListView1->resizeColumnToContents(0);
    ListView1->resizeColumnToContents(1);
    SortItems();
}

int Tfproject::ListView1Compare(const QTreeWidgetItem& a, const QTreeWidgetItem& b) const {
    if (m_state.bulkUpdate)
        return 0;
    const bool aFolder = recordOf(&a) == nullptr;
    if (aFolder != (recordOf(&b) == nullptr))
        return aFolder ? -1 : 1;
    const QString aCaption = a.text(0).toUpper();
    const QString bCaption = b.text(0).toUpper();
    if (sbSortExtenssion->isChecked()) {
        const int byExtension = upperExtension(aCaption).compare(upperExtension(bCaption));
        if (byExtension != 0)
            return sign(byExtension);
    }
    return sign(aCaption.compare(bCaption));
}

void Tfproject::SortItems() {
    ListView1->sortItems(0, Qt::AscendingOrder);
}

std::vector<QTreeWidgetItem*> Tfproject::selectedEntries() const {
    std::vector<QTreeWidgetItem*> entries;
    for (int row = 0; row < ListView1->topLevelItemCount(); ++row) {
        if (ListView1->topLevelItem(row)->isSelected())
            entries.push_back(ListView1->topLevelItem(row));
    }
    return entries;
}

int Tfproject::nextSelectedRow(int after) const {
    for (int row = after + 1; row < ListView1->topLevelItemCount(); ++row) {
        if (ListView1->topLevelItem(row)->isSelected())
            return row;
    }
    return -1;
}

// Rows rather than items, because opening a file may refill the list.
void Tfproject::ListView1DblClick() {
    for (int row = nextSelectedRow(-1); row >= 0; row = nextSelectedRow(row)) {
        const QTreeWidgetItem* entry = ListView1->topLevelItem(row);
        TProjectFile* record = recordOf(entry);
        if (record == nullptr) {
            openSubFolder(entry->text(0));
            return;
        }
        if (!openEntry(*record))
            return;
    }
}

// False ends the run.
bool Tfproject::openEntry(TProjectFile& record) {
    const std::string path = m_project.resolvedPath(record);
    if (!FileExists(path)) {
        locateMissing(record, path);
        return false;
    }
    if (AsciiUpper(ExtractFileExt(path)) == ".VPR") {
        OpenProject(path);
        return false;
    }
    if (openFile)
        openFile(path, record.checkedOut());
    return true;
}

void Tfproject::locateMissing(TProjectFile& record, const std::string& path) {
    ProjectFolder* folder = selectedFolder();
    if (folder == nullptr)
        return;
    const std::string text = "Unable to locate file \r\n\r\n" + path +
                             "\r\n\r\nWould you like to locate the file manually?";
    if (m_prompter.message(MessageKind::Error, text, Buttons::YesNo) != Answer::Yes) {
        if (m_prompter.message(MessageKind::Confirmation,
                               "Would you like to remove the file from the project?",
                               Buttons::YesNo) == Answer::Yes)
            m_project.RemoveFile(*folder, record);
        return;
    }
    FileRequest request = m_openDialog;
    request.fileName = path;
    const std::optional<std::string> chosen = m_prompter.openFile(request);
    if (!chosen)
        return;
    {
        const FlagScope bulk(m_state.bulkUpdate);
        m_project.RemoveFile(*folder, record);
    }
    m_project.AddFile(*chosen, folder);
}

void Tfproject::openSubFolder(const QString& name) {
    const ProjectFolder* folder = selectedFolder();
    if (folder == nullptr)
        return;
    const std::string wanted = name.toStdString();
    const auto& children = folder->children();
    const auto child = std::find_if(children.begin(), children.end(),
                                    [&](const ProjectFolder* c) { return c->name() == wanted; });
    if (child != children.end())
        selectFolder(*child);
}

// ---- File commands ----

void Tfproject::AddFiletoProject2Click() {
    if (m_project.tree().empty())
        return;
    if (const std::optional<std::string> chosen = m_prompter.openFile(m_openDialog))
        m_project.AddFile(*chosen, selectedFolder());
}

void Tfproject::RemoveFilefromProject2Click() {
    const std::vector<QTreeWidgetItem*> entries = selectedEntries();
    ProjectFolder* folder = selectedFolder();
    const TProjectFile* record = entries.empty() ? nullptr : recordOf(entries.front());
    if (record == nullptr || folder == nullptr)
        return;
    if (m_prompter.message(MessageKind::Confirmation,
                           "Are you sure you want to remove the selected File from the project?",
                           Buttons::YesNo) == Answer::Yes)
        m_project.RemoveFile(*folder, *record);
}

void Tfproject::addCurrentDocument(const std::string& fileName) {
    ProjectFolder* folder = selectedFolder();
    if (!m_state.projectFileName.empty() && folder != nullptr && FileExists(fileName))
        m_project.AddFile(fileName, folder);
}

void Tfproject::Properties1Click() {
    const std::vector<QTreeWidgetItem*> entries = selectedEntries();
    TProjectFile* record = entries.empty() ? nullptr : recordOf(entries.front());
    if (record == nullptr)
        return;
    TfFileProp dialog(m_prompter, m_openDialog, this);
    // The path first: filling it also fills the name, which the stored name then replaces.
    dialog.eFileInfo->setText(qs(record->FileInfo));
    dialog.eWebLocation->setText(qs(record->WebLoc));
    dialog.enodename->setText(qs(record->NodeName));
    dialog.cbstate->setCurrentIndex(std::clamp(record->StateIndex + 1, 0, 1));
    dialog.Modified = false;
    if (execDialog(dialog) != QDialog::Accepted || !dialog.Modified)
        return;
    const FileProperties properties{
        dialog.enodename->text().toStdString(), dialog.eFileInfo->text().toStdString(),
        dialog.eWebLocation->text().toStdString(), dialog.cbstate->currentIndex() - 1};
    if (!m_project.SetFileProperties(*record, properties))
        return;
    showRecord(*entries.front(), *record);
    SortItems();
}

void Tfproject::fileAdded(ProjectFolder& folder, TProjectFile& /*file*/) {
    if (&folder == selectedFolder())
        TreeView1Change();
}

void Tfproject::fileRemoving(ProjectFolder& /*folder*/, TProjectFile& file) {
    for (int row = 0; row < ListView1->topLevelItemCount(); ++row) {
        if (recordOf(ListView1->topLevelItem(row)) == &file) {
            delete ListView1->takeTopLevelItem(row);
            return;
        }
    }
}

// ---- Files dropped from outside ----

void Tfproject::DropFiles(const QStringList& files, QWidget* target, QPoint at) {
    if (m_project.tree().empty() || files.isEmpty())
        return;
    ProjectFolder* folder = dropTarget(target, at);
    const BusyCursor busy(m_prompter);
    {
        const FlagScope bulk(m_state.bulkUpdate);
        for (const QString& file : files)
            m_project.AddFile(file.toStdString(), folder);
    }
    m_project.SaveProject(m_state.projectFileName);
    TreeView1Change();
}

bool Tfproject::handleDrop(QObject* watched, QEvent* event) {
    const bool onTree = watched == TreeView1->viewport();
    if (!onTree && watched != ListView1->viewport() && watched != ListView1Icons->viewport())
        return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    if (!drop->mimeData()->hasUrls())
        return false; // the list's own entries: nothing to add
    drop->acceptProposedAction();
    if (type != QEvent::Drop)
        return true;
    QStringList files;
    for (const QUrl& url : drop->mimeData()->urls()) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    }
    QWidget* target = onTree ? static_cast<QWidget*>(TreeView1) : ListView1;
    const QPoint at =
        onTree ? TreeView1->viewport()->mapTo(TreeView1, drop->position().toPoint()) : QPoint();
    // After the drop has ended, so that a duplicate question does not hold up the source.
    QMetaObject::invokeMethod(
        this, [this, files, target, at] { DropFiles(files, target, at); }, Qt::QueuedConnection);
    return true;
}

} // namespace velloran
