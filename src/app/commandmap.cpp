// The command map: main menu, popup menus, the nine toolbars and the window keys, each
// entry named as the program knows it and wired to its handler.
#include "app/layout.h"
#include "app/mainwindow.h"

#include "app/dropdownaccess.h"
#include "app/editorentry.h"
#include "app/toolbaricons.h"
#include "editor/ui/codememo.h"
#include "platform/errors.h"
#include "platform/prompter.h"
#include "project/tfproject.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

namespace velloran {

namespace {

const char* const kTagProperty = "tag";
// Marks the items of the two toolbar menus, which ShowToolbars toggles itself.
const char* const kToolbarMenuItemProperty = "toolbarMenuItem";

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

// A button with a drop-down opens it from the arrow beside it. The menu is set on the
// button as well as on its action, so that assistive technology can open and read it.
// The button takes it first, while the menu's own action still stands for the menu (the
// action's menu then answers for the action). A button without a command of its own
// opens the menu itself.
void TfEditor::setDropDown(QToolBar* toolbar, QAction* action, QMenu* menu, bool menuOnly) {
    auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(action));
    if (button != nullptr)
        button->setMenu(menu);
    action->setMenu(menu);
    if (button == nullptr)
        return;
    button->setPopupMode(QToolButton::MenuButtonPopup);
    ExposeDropDown(button);
    if (menuOnly)
        connect(action, &QAction::triggered, button, &QToolButton::showMenu);
}

QAction* TfEditor::makeCommand(QWidget* owner, const QString& name, const QString& caption,
                               const std::function<void()>& handler) {
    auto* action = new QAction(caption, owner);
    action->setObjectName(name);
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] { runCommand(handler); });
    owner->addAction(action);
    return action;
}

QAction* TfEditor::makeTagged(QWidget* owner, const QString& name, const QString& caption, int tag,
                              void (TfEditor::*handler)(QObject*)) {
    QAction* action = makeCommand(owner, name, caption, {});
    action->setProperty(kTagProperty, tag);
    connect(action, &QAction::triggered, this,
            [this, action, handler] { runCommand([&] { (this->*handler)(action); }); });
    return action;
}

// A command that fails (a save into a missing folder, an unreadable file) says so and
// leaves the window as it was: an error must never unwind through the toolkit, which
// would end the program with the user's edits unsaved.
void TfEditor::runCommand(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const VelloranError& error) {
        m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
    }
}

QAction* TfEditor::command(const QString& name) const {
    return findChild<QAction*>(name);
}

QToolBar* TfEditor::toolbar(int tag) const {
    return tag >= 1 && tag <= kToolbarCount ? m_toolbars[static_cast<size_t>(tag - 1)] : nullptr;
}

void TfEditor::buildMenus() {
    buildFileMenu();
    buildEditMenu();
    buildProgramsMenu();
    buildViewMenu();
    QMenu* windows = menuBar()->addMenu(QStringLiteral("Windows"));
    QMenu* documents = windows->addMenu(QStringLiteral("Documents"));
    documents->menuAction()->setObjectName(QStringLiteral("Documents1"));
    // Lists the open documents, so that a tab hidden by many others can be reached.
    connect(documents, &QMenu::aboutToShow, this, [this, documents] {
        documents->clear();
        for (int i = 0; i < FileTabs->count(); ++i)
            documents->addAction(FileTabs->tabText(i), this,
                                 [this, i] { FileTabs->setCurrentIndex(i); });
    });
    makeCommand(windows, QStringLiteral("CloseAll1"), QStringLiteral("Close All"), {})
        ->setEnabled(false);
}

void TfEditor::buildFileMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    makeCommand(file, QStringLiteral("NewProject1"), QStringLiteral("New Project"),
                [this] { NewProject1Click(); });
    makeCommand(file, QStringLiteral("OpenProject1"), QStringLiteral("Open Project"),
                [this] { bbOpenProjClick(); });
    file->addSeparator();
    makeCommand(file, QStringLiteral("NewFile1"), QStringLiteral("New File"),
                [this] { bbnewClick(); });
    makeCommand(file, QStringLiteral("OpenFile1"), QStringLiteral("Open File"),
                [this] { bbOpenFileClick(); });
    makeCommand(file, QStringLiteral("SaveFile1"), QStringLiteral("Save File"),
                [this] { bbSaveFileClick(); });
    makeCommand(file, QStringLiteral("SaveFileAs1"), QStringLiteral("Save File As..."),
                [this] { bbsaveasClick(); });
    makeCommand(file, QStringLiteral("CloseFile1"), QStringLiteral("Close File"),
                [this] { bbclosedocClick(); });
    file->addSeparator();
    makeCommand(file, QStringLiteral("AddFiletoProject1"), QStringLiteral("Add File to Project"),
                projectStep(&Tfproject::AddFiletoProject2Click));
    makeCommand(file, QStringLiteral("RemoveFilefromProject1"),
                QStringLiteral("Remove File from Project"),
                projectStep(&Tfproject::RemoveFilefromProject2Click));
    makeCommand(file, QStringLiteral("AddFoldertoProject1"),
                QStringLiteral("Add Folder to Project"),
                projectStep(&Tfproject::AddFoldertoProject2Click));
    makeCommand(file, QStringLiteral("AddSubFoldertoProject1"),
                QStringLiteral("Add Sub Folder to Project"),
                projectStep(&Tfproject::AddSubFoldertoProject2Click));
    makeCommand(file, QStringLiteral("RemoveFolderfromProject1"),
                QStringLiteral("Remove Folder from Project"),
                projectStep(&Tfproject::RemoveFolderfromProject2Click));
    file->addSeparator();
    makeCommand(file, QStringLiteral("PublishProject1"), QStringLiteral("Publish Project..."),
                [this] { PublishProject1Click(); });
    file->addSeparator();
    makeCommand(file, QStringLiteral("Print1"), QStringLiteral("Print"), [this] { Print1Click(); });
    makeCommand(file, QStringLiteral("PrintSettings1"), QStringLiteral("Print Setup..."),
                [this] { PrintSettings1Click(); });
}

void TfEditor::buildEditMenu() {
    QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit"));
    makeCommand(edit, QStringLiteral("Cut1"), QStringLiteral("Cut"), [this] { bbCutClick(); });
    makeCommand(edit, QStringLiteral("Copy1"), QStringLiteral("Copy"),
                editorStep(&EditModel::copy));
    makeCommand(edit, QStringLiteral("Paste1"), QStringLiteral("Paste"),
                editorStep(&EditModel::paste));
    makeCommand(edit, QStringLiteral("Undo1"), QStringLiteral("Undo"), editorStep(&EditModel::undo))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    makeCommand(edit, QStringLiteral("Redo1"), QStringLiteral("Redo"),
                editorStep(&EditModel::redo));
    makeCommand(edit, QStringLiteral("Indent1"), QStringLiteral("Indent"),
                editorStep(&EditModel::blockIndent));
    makeCommand(edit, QStringLiteral("UnIndent1"), QStringLiteral("UnIndent"),
                editorStep(&EditModel::blockUnindent));
    makeCommand(edit, QStringLiteral("Find1"), QStringLiteral("Find"), [this] {
        bbFIndClick();
    })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    makeCommand(edit, QStringLiteral("FindAgain1"), QStringLiteral("Find Again"), [this] {
        bbFindAgainClick();
    })->setShortcut(QKeySequence(Qt::Key_F3));
    makeCommand(edit, QStringLiteral("Replace1"), QStringLiteral("Replace"), [this] {
        bbReplaceClick();
    })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
}

// The "View" -> "Toolbars" items (column 3) or the dock popup's (column 2).
QMenu* TfEditor::toolbarMenu(QWidget* parent, int itemColumn) {
    auto* menu = new QMenu(QStringLiteral("Toolbars"), parent);
    for (const int tag : {1, 2, 3, 4, 5, 6, 7, 9, 8}) {
        const ToolbarInfo& info = Toolbars()[static_cast<size_t>(tag - 1)];
        QAction* item =
            makeTagged(menu, qs(itemColumn == 3 ? info.viewMenuItem : info.popupMenuItem),
                       qs(info.menuCaption), tag, &TfEditor::ShowToolbars);
        item->setCheckable(true);
        item->setChecked(!toolbar(tag)->isHidden());
        item->setProperty(kToolbarMenuItemProperty, true);
    }
    return menu;
}

void TfEditor::buildViewMenu() {
    QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
    QAction* manager = makeTagged(view, QStringLiteral("ProjectManager1"),
                                  QStringLiteral("Project Manager"), 0, &TfEditor::sbprojectClick);
    manager->setCheckable(true);
    makeCommand(view, QStringLiteral("HTMLViewer1"), QStringLiteral("HTML Viewer"),
                [this] { sbHTMLClick(); });
    makeCommand(view, QStringLiteral("FTPWindow1"), QStringLiteral("FTP Window..."),
                [this] { sbFTPClick(); });
    makeCommand(view, QStringLiteral("ConfigureScreen1"), QStringLiteral("Configure Screen..."),
                [this] { sbConfigureClick(); });
    view->addSeparator();
    Toolbars1 = toolbarMenu(view, 3);
    Toolbars1->menuAction()->setObjectName(QStringLiteral("Toolbars1"));
    view->addMenu(Toolbars1);
    connect(Toolbars1, &QMenu::aboutToShow, this, &TfEditor::pmToolbarsPopup);
    QMenu* layouts = view->addMenu(QStringLiteral("Screen Layout"));
    layouts->menuAction()->setObjectName(QStringLiteral("ScreenLayout1"));
    for (int slot = 1; slot <= 4; ++slot)
        makeTagged(layouts, NumberedItem("Layout", slot, 1), QStringLiteral("Layout %1").arg(slot),
                   slot, &TfEditor::LoadLayout);
    QMenu* save = layouts->addMenu(QStringLiteral("Save Current Layout"));
    save->menuAction()->setObjectName(QStringLiteral("SaveCurrentLayout1"));
    for (int slot = 1; slot <= 4; ++slot)
        makeTagged(save, NumberedItem("Layout", slot, 2), QStringLiteral("Layout %1").arg(slot),
                   slot, &TfEditor::SaveLayout);
    makeCommand(view, QStringLiteral("WordWrap1"), QStringLiteral("Word Wrap"), [this] {
        WordWrap1Click();
    })->setCheckable(true);
}

void TfEditor::buildPopupMenus() {
    pmEditor = new QMenu(this);
    pmEditor->setObjectName(QStringLiteral("pmEditor"));
    makeCommand(pmEditor, QStringLiteral("ClosePage1"), QStringLiteral("Close Page"),
                [this] { bbclosedocClick(); });
    addCodeCompletionItem();
    makeCommand(pmEditor, QStringLiteral("AddFiletoProject2"),
                QStringLiteral("Add This File to Project"), [this] { AddFiletoProject2Click(); });
    makeCommand(pmEditor, QStringLiteral("DisplayProperties1"),
                QStringLiteral("Display Properties"), [this] { DisplayProperties1Click(); });

    pmSetMark = new QMenu(this);
    pmSetMark->setObjectName(QStringLiteral("pmSetMark"));
    pmGotoMark = new QMenu(this);
    pmGotoMark->setObjectName(QStringLiteral("pmGotoMark"));
    for (int i = 0; i <= 9; ++i) {
        const QString caption = QStringLiteral("Bookmark %1").arg(i);
        makeTagged(pmSetMark, NumberedItem("Bookmark", i, 1), caption, i,
                   &TfEditor::Bookmark01Click)
            ->setCheckable(true);
        makeTagged(pmGotoMark, NumberedItem("Bookmark", i, 2), caption, i,
                   &TfEditor::Bookmark02Click)
            ->setVisible(false);
    }
    makeCommand(pmGotoMark, QStringLiteral("NoBookmarksset1"), QStringLiteral("No Bookmarks set"),
                {});
    connect(pmSetMark, &QMenu::aboutToShow, this, &TfEditor::pmSetMarkPopup);
    connect(pmGotoMark, &QMenu::aboutToShow, this, &TfEditor::pmGotoMarkPopup);

    pmRecentFiles = new QMenu(this);
    pmRecentFiles->setObjectName(QStringLiteral("pmRecentFiles"));
    connect(pmRecentFiles, &QMenu::aboutToShow, this, &TfEditor::pmRecentFilesPopup);
}

void TfEditor::buildWindowKeys() {
    makeCommand(this, QStringLiteral("ShowProjectKey"), QString(), [this] {
        if (m_project == nullptr)
            return;
        m_project->show();
        m_project->raise();
    })->setShortcut(QKeySequence(Qt::Key_F11));
    makeCommand(this, QStringLiteral("ShowEditorKey"), QString(), [this] {
        bringToFront();
    })->setShortcut(QKeySequence(Qt::Key_F12));
}

// ---- Toolbars ----

void TfEditor::buildToolbars() {
    // Glyphs at the size the toolbars were laid out for, so that both rows fit the
    // window's default width.
    setIconSize(QSize(16, 16));
    for (const ToolbarInfo& info : Toolbars()) {
        auto* bar = new QToolBar(qs(info.caption), this);
        bar->setObjectName(qs(info.name));
        m_toolbars[static_cast<size_t>(info.tag - 1)] = bar;
    }
    // Initial places: the top dock in three rows (the user tag list needs a row of its
    // own to fit the default window), the switches on the left, the form toolbar hidden
    // on the right.
    for (const int row : {0, 1, 2}) {
        if (row > 0)
            addToolBarBreak(Qt::TopToolBarArea);
        for (const ToolbarInfo& info : Toolbars())
            if (info.dock == "DockMain" && info.row == row)
                addToolBar(Qt::TopToolBarArea, toolbar(info.tag));
    }
    addToolBar(Qt::LeftToolBarArea, toolbar(kSwitchToolbarTag));
    addToolBar(Qt::RightToolBarArea, toolbar(7));
    toolbar(7)->hide();
    buildFileToolbar();
    buildEditToolbar();
    buildSwitchToolbar();
    buildUserTagsToolbar();
    for (QToolBar* bar : m_toolbars)
        connect(bar, &QToolBar::visibilityChanged, this, [this] { pmToolbarsPopup(); });
}

void TfEditor::buildFileToolbar() {
    QToolBar* bar = toolbar(1);
    QAction* openProject =
        makeCommand(bar, QStringLiteral("bbOpenProj"), QStringLiteral("Open Project"),
                    [this] { bbOpenProjClick(); });
    setDropDown(bar, openProject, pmRecentFiles, false);
    openProject->setToolTip(QStringLiteral("Open Project"));
    addButtons(bar, {
                        {"bbOpenFile", nullptr, "Open File", [this] { bbOpenFileClick(); }},
                        {"bbSaveFile", nullptr, "Save File", [this] { bbSaveFileClick(); }},
                        {"bbAddFileToProj", nullptr, "Add File to Project",
                         projectStep(&Tfproject::AddFiletoProject2Click)},
                        {"bbRemFileFromProj", nullptr, "Remove File from Project",
                         projectStep(&Tfproject::RemoveFilefromProject2Click)},
                        {"bbsaveas", "S as", "Save File As", [this] { bbsaveasClick(); }},
                        {"bbnew", nullptr, "New File", [this] { bbnewClick(); }},
                        {"bbclosedoc", nullptr, "Close File", [this] { bbclosedocClick(); }},
                    });
}

void TfEditor::addButtons(QToolBar* bar, std::initializer_list<ButtonSpec> buttons) {
    for (const ButtonSpec& button : buttons)
        makeCommand(bar, QString::fromLatin1(button.name),
                    QString::fromLatin1(button.caption != nullptr ? button.caption : button.hint),
                    button.handler)
            ->setToolTip(QString::fromLatin1(button.hint));
}

void TfEditor::applyGlyphIcons() {
    for (QToolBar* bar : m_toolbars)
        for (QAction* action : bar->actions())
            if (const QIcon icon = GlyphIcon(action->objectName()); !icon.isNull())
                action->setIcon(icon);
}

std::function<void()> TfEditor::projectStep(void (Tfproject::*step)()) {
    return [this, step] {
        if (m_project != nullptr)
            (m_project->*step)();
    };
}

std::function<void()> TfEditor::editorStep(void (EditModel::*step)()) {
    return [this, step] { withEditor([step](TCodeMemo& memo) { (memo.model().*step)(); }); };
}

void TfEditor::buildEditToolbar() {
    QToolBar* bar = toolbar(2);
    addButtons(bar, {
                        {"bbUnIndent", nullptr, "Un Indent", editorStep(&EditModel::blockUnindent)},
                        {"bbCut", nullptr, "Cut (Ctrl + X)", [this] { bbCutClick(); }},
                        {"bbCopy", nullptr, "Copy (Ctrl + C)", editorStep(&EditModel::copy)},
                        {"bbPaste", nullptr, "Paste (Ctrl + V)", editorStep(&EditModel::paste)},
                        {"bbundo", nullptr, "Undo (Ctrl + Z)", editorStep(&EditModel::undo)},
                        {"bbRedo", nullptr, "Redo", editorStep(&EditModel::redo)},
                        {"bbIndent", nullptr, "Indent", editorStep(&EditModel::blockIndent)},
                        {"bbReplace", nullptr, "Replace (Ctrl + R)", [this] { bbReplaceClick(); }},
                        {"bbFInd", nullptr, "Find (Ctrl + F)", [this] { bbFIndClick(); }},
                        {"bbFindAgain", nullptr, "Find Again (F3)", [this] { bbFindAgainClick(); }},
                        {"bbGotoMark", nullptr, "Goto Bookmark", {}},
                        {"bbSetMark", nullptr, "Set Bookmark", {}},
                    });
    setDropDown(bar, command(QStringLiteral("bbGotoMark")), pmGotoMark, true);
    setDropDown(bar, command(QStringLiteral("bbSetMark")), pmSetMark, true);
}

void TfEditor::buildSwitchToolbar() {
    QToolBar* bar = toolbar(kSwitchToolbarTag);
    for (const int tag : {1, 3, 5, 4, 6, 2, 7, 9}) {
        const ToolbarInfo& info = Toolbars()[static_cast<size_t>(tag - 1)];
        QAction* button = makeTagged(bar, qs(info.switchName), qs(info.switchCaption), tag,
                                     &TfEditor::ShowToolbars);
        button->setCheckable(true);
        button->setChecked(info.visible);
        button->setToolTip(qs(info.switchHint));
    }
    QAction* project = makeTagged(bar, QStringLiteral("sbproject"), QStringLiteral("Project"), 0,
                                  &TfEditor::sbprojectClick);
    project->setCheckable(true);
    project->setToolTip(QStringLiteral("Show / Hide Project Panel"));
    QAction* html = makeCommand(bar, QStringLiteral("sbHTML"), QStringLiteral("HTML"),
                                [this] { sbHTMLClick(); });
    html->setToolTip(QStringLiteral("Show / Hide HTML Viewer"));
    makeCommand(bar, QStringLiteral("sbConfigure"), QStringLiteral("Configure Screen"), [this] {
        sbConfigureClick();
    })->setToolTip(QStringLiteral("Configure Screen"));
    makeCommand(bar, QStringLiteral("sbFTP"), QStringLiteral("FTP"), [this] {
        sbFTPClick();
    })->setToolTip(QStringLiteral("FTP Window"));
}

} // namespace velloran
