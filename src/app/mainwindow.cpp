// The main window's shell: welcome panel, document tabs, status bar, show and close.
#include "app/mainwindow.h"

#include "app/datamodule.h"
#include "app/editorentry.h"
#include "app/mainfinddialog.h"
#include "app/settings.h"
#include "editor/parserimage.h"
#include "editor/ui/codememo.h"
#include "editor/ui/optionsdialog.h"
#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "project/tfproject.h"
#include "tools/ui/tfhtmlview.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace velloran {

namespace {

const char* const kWelcomeCaption = "Velloran Editor";
const char* const kVersion = "v. 1.02b";

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TfEditor::TfEditor(Tdm1& dm1, Prompter& prompter, std::vector<std::string> parameters)
    : m_dm(dm1), m_prompter(prompter),
      m_parsers(LoadBuiltinParsers(dm1.state.appDir, dm1.dataDirs)),
      m_parameters(std::move(parameters)) {
    setObjectName(QStringLiteral("TfEditor"));
    setWindowTitle(QString::fromLatin1(kWelcomeCaption));
    resize(900, 640);
    m_pages = new QStackedWidget(this);
    setCentralWidget(m_pages);
    buildWelcomePanel();
    buildFileTabs();
    buildStatusBar();
    buildPopupMenus();
    buildTagPopupMenus();
    buildToolbars();
    buildTagToolbars();
    applyGlyphIcons();
    buildMenus();
    buildWindowKeys();
    execDialog = [](QDialog& dialog) { return dialog.exec(); };
    FindDialog1 = new TMainFindDialog(this);
    connect(FindDialog1, &TMainFindDialog::find, this, &TfEditor::FindDialog1Find);
    try {
        loadToolbarPositions(IniFile(m_dm.state.iniFileName));
    } catch (const VelloranError&) {
        // The show step reports an unreadable settings file; the toolbars keep their places.
    }
    applyCommandSet(CommandSet::ReadOnly);
    UpdateStatus();
    m_dm.state.projectFileName.clear();
}

TfEditor::~TfEditor() {
    delete m_preview; // it reads documents from this window
}

void TfEditor::setProjectWindow(Tfproject* project) {
    m_project = project;
    if (m_project == nullptr)
        return;
    m_project->installEventFilter(this);
    m_project->openFile = [this](const std::string& name, bool readOnly) {
        runCommand([&] { OpenFile(name, readOnly); });
    };
    m_project->publishProject = [this] { runCommand([this] { PublishProject1Click(); }); };
    // The window keys work in the project window too.
    for (const char* name : {"ShowProjectKey", "ShowEditorKey", "LineBreakKey", "ParagraphKey"})
        m_project->addAction(command(QString::fromLatin1(name)));
}

void TfEditor::buildWelcomePanel() {
    pName = new QWidget;
    pName->setObjectName(QStringLiteral("pName"));
    pName->setAcceptDrops(true);
    pName->installEventFilter(this);
    auto* layout = new QVBoxLayout(pName);
    layout->setContentsMargins(32, 24, 32, 24);
    auto* title = new QLabel(QStringLiteral("Velloran"));
    title->setObjectName(QStringLiteral("lTitle"));
    title->setText(title->text() + QLatin1Char(' ') + QString::fromLatin1(kVersion));
    QFont titleFont = title->font();
    titleFont.setPointSize(titleFont.pointSize() * 2);
    titleFont.setBold(true);
    title->setFont(titleFont);
    layout->addWidget(title);
    auto* help = new QLabel(QStringLiteral(
        "Keep your web site as a project: folders of pages, pictures and scripts that open "
        "in tabs with one click."));
    help->setWordWrap(true);
    layout->addWidget(help);
    layout->addWidget(new QLabel(QStringLiteral("Open a Recent Project:")));
    lbRecentFiles = new QListWidget;
    lbRecentFiles->setObjectName(QStringLiteral("lbRecentFiles"));
    connect(lbRecentFiles, &QListWidget::itemDoubleClicked, this, &TfEditor::lbRecentFilesDblClick);
    layout->addWidget(lbRecentFiles, 1);
    bNewProj = new QPushButton(QStringLiteral("Create a New Project"));
    bNewProj->setObjectName(QStringLiteral("bNewProj"));
    connect(bNewProj, &QPushButton::clicked, this, [this] { NewProject1Click(); });
    layout->addWidget(bNewProj, 0, Qt::AlignLeft);
    auto* help2 = new QLabel(QStringLiteral(
        "Drop files here to open them, or use the File menu. Double-click a recent project "
        "to open it."));
    help2->setWordWrap(true);
    layout->addWidget(help2);
    // One under the other, so that the panel stays narrow enough for the default window.
    auto* contacts = new QVBoxLayout;
    contacts->addWidget(contactLabel(QStringLiteral("support@velloran.example"),
                                     QStringLiteral("mailto:support@velloran.example")));
    contacts->addWidget(contactLabel(QStringLiteral("ideas@velloran.example"),
                                     QStringLiteral("mailto:ideas@velloran.example")));
    contacts->addWidget(contactLabel(QStringLiteral("http://www.velloran.example/"),
                                     QStringLiteral("http://www.velloran.example/")));
    layout->addLayout(contacts);
    m_pages->addWidget(pName);
}

QLabel* TfEditor::contactLabel(const QString& text, const QString& url) {
    auto* label =
        new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(url, text.toHtmlEscaped()));
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    connect(label, &QLabel::linkActivated, this, [this, text, url] { openContact(text, url); });
    return label;
}

void TfEditor::openContact(const QString& text, const QString& url) {
    BusyCursor busy(m_prompter);
    if (!QDesktopServices::openUrl(QUrl(url)))
        m_prompter.message(MessageKind::Error,
                           "No Application association for \"" + text.toStdString() + "\"",
                           Buttons::Ok);
}

void TfEditor::buildFileTabs() {
    m_tabArea = new QWidget;
    auto* layout = new QVBoxLayout(m_tabArea);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FileTabs = new QTabBar;
    FileTabs->setObjectName(QStringLiteral("FileTabs"));
    FileTabs->setExpanding(false);
    FileTabs->setDocumentMode(true);
    connect(FileTabs, &QTabBar::currentChanged, this, &TfEditor::FileTabsChange);
    m_editors = new QStackedWidget;
    layout->addWidget(FileTabs);
    layout->addWidget(m_editors, 1);
    m_pages->addWidget(m_tabArea);
}

void TfEditor::buildStatusBar() {
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    // The fourth panel shows the document's encoding and line ends, kept per document.
    for (const int width : {89, 93, 50, 150}) {
        auto* panel = new QLabel;
        panel->setMinimumWidth(width);
        panel->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        statusBar()->addWidget(panel);
        statusPanels.push_back(panel);
    }
}

// ---- show and close

void TfEditor::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // Run after the window is on screen, so that questions raised while opening
    // have a window to sit on.
    QTimer::singleShot(0, this, &TfEditor::FormShow);
}

void TfEditor::readSettings() {
    try {
        const IniFile ini(m_dm.state.iniFileName);
        ReadSettings(ini, m_dm.state, m_dm.settings);
    } catch (const VelloranError& error) {
        // An unreadable settings file must not stop the program: defaults apply.
        m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
    }
    m_dm.applyCustomColors();
    // Before any document opens, so that every editor starts with the user's look. A
    // text that does not fit leaves the built-in look, and the next close replaces it.
    for (size_t i = 0; i < m_parsers.parsers.size(); ++i) {
        const auto& text = m_dm.settings.parsers[i];
        const auto& keys = m_dm.settings.parserKeys[i];
        const auto& selection = m_dm.settings.parserSelection[i];
        TCodeMemoParser* parser = m_parsers.parsers[i].get();
        if (parser == nullptr)
            continue;
        if (auto tables = text ? ApplyParserSettings(parser->tables(), *text) : std::nullopt)
            parser->setTables(std::move(*tables));
        ParserLook look = parser->look();
        const bool keysRead = keys && ApplyParserKeys(look.keys, *keys);
        const bool selectionRead = selection && ApplyParserSelection(look.header, *selection);
        if (keysRead || selectionRead)
            parser->setLook(std::move(look));
    }
}

void TfEditor::FormShow() {
    readSettings();
    LoadUserTagList();
    // Without its images the program still edits, in plain colours; say why once.
    for (const std::string& problem : m_parsers.errors)
        m_prompter.message(MessageKind::Warning, problem, Buttons::Ok);
    {
        const ScopedFlag bulk(m_dm.state.bulkUpdate, m_parameters.empty());
        if (m_project != nullptr)
            m_project->showOnOpen = false;
        const auto loud = qScopeGuard([this] {
            if (m_project != nullptr)
                m_project->showOnOpen = true;
        });
        open(ChooseStartupRequest(m_parameters, m_dm.state, m_dm.tutorialProject()));
    }
    // After the project: the layout decides whether its window shows.
    LoadLayout(this);
    if (m_entries.empty())
        showTabs(false);
    ShowWelcome();
}

void TfEditor::closeEvent(QCloseEvent* event) {
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

bool TfEditor::FormClose() {
    if (!ConfirmCloseDocuments(*this, m_prompter))
        return false;
    writeSettings();
    delete m_preview; // the program ends with its main window
    return true;
}

void TfEditor::writeSettings() {
    m_dm.collectCustomColors();
    // Every rule set's current look; one whose image is missing keeps the text it was given.
    for (size_t i = 0; i < m_parsers.parsers.size(); ++i) {
        if (const TCodeMemoParser* parser = m_parsers.parsers[i].get()) {
            try {
                m_dm.settings.parsers[i] = WriteSettingsString(parser->tables());
                m_dm.settings.parserKeys[i] = ParserKeysText(parser->tables());
                m_dm.settings.parserSelection[i] = ParserSelectionText(parser->tables().header);
            } catch (const ParserImageError&) {
                // A look that cannot be written as text keeps the text it was given.
            }
        }
    }
    try {
        EnsureConfigDir();
        IniFile ini(m_dm.state.iniFileName);
        WriteSettings(ini, m_dm.state, m_dm.settings);
        LayoutSuffix.clear();
        saveLayoutTo(ini, LayoutSuffix);
        saveToolbarPositions(ini);
        ini.save();
    } catch (const VelloranError& error) {
        m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
    }
}

// ---- opening

void TfEditor::open(const OpenRequest& request) {
    switch (request.kind) {
    case OpenRequest::Kind::Project:
        OpenProject(request.name);
        break;
    case OpenRequest::Kind::File:
        OpenFile(request.name, false);
        break;
    case OpenRequest::Kind::Nothing:
        break;
    }
}

void TfEditor::OpenProject(const std::string& name) {
    if (m_project != nullptr)
        m_project->OpenProject(name);
    ShowWelcome();
}

void TfEditor::receiveCommandLine(const QString& text) {
    runCommand([&] { open(RequestForName(text.toStdString())); });
}

void TfEditor::bringToFront() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TfEditor::OpenFile(const std::string& fileName, bool readOnly) {
    // Only a missing name is passed over in silence; a folder, a FIFO or a device
    // reaches the load, which says why it cannot be opened.
    if (!QFileInfo::exists(qs(fileName)))
        return;
    const std::string ext = AsciiUpper(ExtractFileExt(fileName));
    if (ext == ".GIF" || ext == ".JPG" || ext == ".PNG" || ext == ".BMP") {
        BusyCursor busy(m_prompter); // pictures are shown by the preview, never edited as text
        ShowImageFile(fileName);
        return;
    }
    if (IsAlreadyOpen(fileName))
        return;
    BusyCursor busy(m_prompter);
    NewDocument(fileName);
    TEditorEntry* entry = CurrentEntry();
    try {
        entry->load();
    } catch (const VelloranError&) {
        bbclosedocClick();
        throw;
    }
    entry->Memo->setReadOnly(readOnly);
    UpdateStatus();
    entry->Memo->setFocus();
}

void TfEditor::NewDocument(const std::string& fileName) {
    const bool wasHidden = m_pages->currentWidget() != m_tabArea;
    showTabs(true);
    const int index = FileTabs->count() == 0 ? 0 : FileTabs->currentIndex() + 1;
    auto entry = std::make_unique<TEditorEntry>(m_editors, fileName, m_prompter);
    TCodeMemo* memo = entry->Memo;
    m_editors->addWidget(memo);
    // Every editor gets the languages as rule sets 1-5 and 7; the extension picks one.
    for (int slot = 1; slot <= kLastRuleSet; ++slot)
        memo->setParser(slot, m_parsers.forRuleSet(slot));
    memo->setActiveParser(fileName == kUntitled ? kHtmlRuleSet : RuleSetForFileName(fileName));
    memo->onModifyProperties = [this](const TCodeMemoParser& parser) {
        TCodeMemoParser* own = m_parsers.editable(&parser);
        return own != nullptr && ModifyProperties(*own, this, [this](const QString& text) {
                   m_prompter.message(MessageKind::Error, text.toStdString(), Buttons::Ok);
               });
    };
    connect(memo, &TCodeMemo::OnChange, this, [this](unsigned flags) {
        if (flags & kChangeCaret)
            m_caretDirty = true;
        UpdateStatus();
    });
    TEditorEntry* created = entry.get();
    connect(memo, &TCodeMemo::OnChange, this, [this, created](unsigned flags) {
        if (flags & kChangeText)
            previewEdited(*created);
    });
    connect(memo, &TCodeMemo::OnGutterClick, this,
            [this, created](int line) { toggleLineHighlight(*created, line); });
    connect(memo, &TCodeMemo::OnFilesDropped, this, [this](const QStringList& files) {
        std::vector<std::string> names;
        for (const QString& file : files)
            names.push_back(file.toStdString());
        openDroppedFiles(names);
    });
    // The Enter key's tag follows the line break the editor itself typed.
    connect(memo, &TCodeMemo::OnLineBreakKeyUp, this, [this, memo](bool shift) {
        if (!shift)
            enterKeyReleased(*memo);
    });
    memo->viewport()->installEventFilter(this); // entries dragged from the project list
    memo->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(memo, &QWidget::customContextMenuRequested, this,
            [this, memo](const QPoint& at) { pmEditor->popup(memo->mapToGlobal(at)); });
    memo->showMessage = [this](MessageKind kind, const QString& text) {
        m_prompter.message(kind, text.toStdString(), Buttons::Ok);
    };
    m_entries.insert(m_entries.begin() + index, std::move(entry));
    {
        const QSignalBlocker block(FileTabs);
        FileTabs->insertTab(index, qs(ExtractFileName(fileName)));
        FileTabs->setCurrentIndex(index);
    }
    FileTabsChange(index);
    if (wasHidden)
        ShowWelcome();
}

bool TfEditor::IsAlreadyOpen(const std::string& fileName) {
    if (CurrentEntry() == nullptr)
        return false;
    for (int i = static_cast<int>(m_entries.size()) - 1; i >= 0; --i) {
        if (m_entries[static_cast<size_t>(i)]->FileName != fileName)
            continue;
        if (i == FileTabs->currentIndex())
            m_entries[static_cast<size_t>(i)]->Memo->setFocus();
        else
            FileTabs->setCurrentIndex(i);
        return true;
    }
    return false;
}

void TfEditor::openDroppedFiles(const std::vector<std::string>& names) {
    BusyCursor busy(m_prompter);
    const ScopedFlag bulk(m_dm.state.bulkUpdate);
    // One file that cannot be opened says so and leaves the others to open.
    for (const auto& name : names)
        runCommand([&] { OpenFile(name, false); });
}

// Entries dragged from the project window's file list onto an editor or the welcome panel
// open as a double-click there would; nothing else is taken this way.
bool TfEditor::acceptProjectDrag(QEvent* event) {
    const QEvent::Type type = event->type();
    if (m_project == nullptr ||
        (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop))
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    const QObject* source = drop->source();
    if (source == nullptr ||
        (source != m_project->ListView1 && source != m_project->ListView1Icons))
        return false;
    drop->acceptProposedAction();
    if (type == QEvent::Drop)
        m_project->ListView1DblClick();
    return true;
}

bool TfEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_project && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        // The project button and menu check follow the window however it was shown or closed.
        const bool shown = event->type() == QEvent::Show;
        command(QStringLiteral("sbproject"))->setChecked(shown);
        command(QStringLiteral("ProjectManager1"))->setChecked(shown);
    }
    if (acceptProjectDrag(event))
        return true;
    if (watched != pName)
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::DragEnter) {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        if (drag->mimeData()->hasUrls())
            drag->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        std::vector<std::string> names;
        for (const QUrl& url : drop->mimeData()->urls())
            if (url.isLocalFile())
                names.push_back(url.toLocalFile().toStdString());
        drop->acceptProposedAction();
        openDroppedFiles(names);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- tabs and status

TEditorEntry* TfEditor::CurrentEntry() const {
    return entryAt(FileTabs->currentIndex());
}

int TfEditor::documentTabCount() const {
    return FileTabs->count();
}

TEditorEntry* TfEditor::entryAt(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_entries.size())
        return nullptr;
    return m_entries[static_cast<size_t>(index)].get();
}

void TfEditor::showTabs(bool visible) {
    m_pages->setCurrentWidget(visible ? m_tabArea : pName);
}

void TfEditor::FileTabsChange(int index) {
    TEditorEntry* entry = entryAt(index);
    if (entry == nullptr)
        return;
    m_editors->setCurrentWidget(entry->Memo);
    entry->Memo->show();
    m_caretDirty = true;
    UpdateStatus();
    entry->Memo->setFocus();
}

void TfEditor::UpdateStatus() {
    TEditorEntry* entry = CurrentEntry();
    if (entry == nullptr)
        return;
    TCodeMemo& memo = *entry->Memo;
    const EditModel& model = memo.model();
    EditorStatus status;
    status.hasSelection = model.hasSelection();
    status.readOnly = memo.isReadOnly();
    status.canPaste = memo.canPaste();
    status.modified = entry->isModified();
    status.canUndo = model.canUndo();
    status.canRedo = model.canRedo();
    const EditCommandStates states = EditCommandsFor(status);
    const auto enable = [this](std::initializer_list<const char*> names, bool on) {
        for (const char* name : names)
            command(QString::fromLatin1(name))->setEnabled(on);
    };
    enable({"Cut1", "bbCut"}, states.cut);
    enable({"Copy1", "bbCopy"}, states.copy);
    enable({"Paste1", "bbPaste"}, states.paste);
    enable({"Indent1", "bbIndent", "UnIndent1", "bbUnIndent"}, states.indent);
    enable({"Undo1", "bbundo"}, states.undo);
    enable({"Redo1", "bbRedo"}, states.redo);
    const QString caption = qs(entry->FileName);
    if (windowTitle() != caption)
        setWindowTitle(caption);
    statusPanels[1]->setText(qs(std::string(ModifiedPanelText(status.modified))));
    statusPanels[2]->setText(qs(std::string(ModePanelText(status.readOnly, model.overwrite()))));
    statusPanels[3]->setText(qs(EncodingPanelText(model.encoding(), model.lineEndStyle())));
    command(QStringLiteral("WordWrap1"))->setChecked(memo.wordWrap());
    if (m_caretDirty) {
        m_caretDirty = false;
        const CaretPos caret = model.getCaretPos();
        statusPanels[0]->setText(qs(CaretPanelText(caret.row, caret.column)));
    }
    if (const auto set = CommandSetSwitch(m_commandSet, status.readOnly))
        applyCommandSet(*set);
    if (!status.readOnly)
        enable({"SaveFile1", "bbSaveFile"}, status.modified);
}

// Save, Replace and every tag toolbar button change together, and only when the kind
// of document changes.
void TfEditor::applyCommandSet(CommandSet set) {
    m_commandSet = set;
    const bool writable = set == CommandSet::Writable;
    std::vector<QAction*> actions = tagToolbarButtons();
    for (const char* name : {"Replace1", "bbReplace"})
        actions.push_back(command(QString::fromLatin1(name)));
    if (!writable)
        for (const char* name : {"SaveFile1", "bbSaveFile"})
            actions.push_back(command(QString::fromLatin1(name)));
    for (QAction* action : actions)
        action->setEnabled(writable);
}

std::vector<QAction*> TfEditor::tagToolbarButtons() const {
    std::vector<QAction*> buttons;
    for (const int tag : {3, 4, 6, 7, 9})
        for (QAction* action : toolbar(tag)->actions())
            buttons.push_back(action);
    return buttons;
}

void TfEditor::toggleLineHighlight(TEditorEntry& entry, int line) {
    // Mark 11 carries a silver highlight with white text; a second click takes it away.
    constexpr int kHighlightMark = 11;
    EditModel& model = entry.Memo->model();
    const bool marked = model.hasMark(kHighlightMark, line);
    if (marked)
        model.clearMark(kHighlightMark, line);
    else
        model.setMark(kHighlightMark, line);
    model.setLineData(line, marked ? -1 : 0xC0C0C0);
    model.setLineData2(line, marked ? -1 : 0xFFFFFF);
    entry.Memo->viewport()->update();
}

void TfEditor::ShowWelcome() {
    if (m_pages->currentWidget() == m_tabArea)
        return;
    lbRecentFiles->clear();
    for (const auto& name : m_dm.state.recentProjects)
        lbRecentFiles->addItem(qs(ExtractFileName(name)));
    setWindowTitle(QString::fromLatin1(kWelcomeCaption));
    for (QLabel* panel : statusPanels)
        panel->clear();
}

void TfEditor::lbRecentFilesDblClick() {
    const int row = lbRecentFiles->currentRow();
    if (row >= 0 && static_cast<size_t>(row) < m_dm.state.recentProjects.size())
        OpenProject(m_dm.state.recentProjects[static_cast<size_t>(row)]);
}

// ---- commands

void TfEditor::bbnewClick() {
    show();
    NewDocument(std::string(kUntitled));
    CurrentEntry()->Memo->setFocus();
}

void TfEditor::bbOpenFileClick() {
    if (const auto name = m_prompter.openFile(m_dm.OpenDialog1)) {
        show();
        OpenFile(*name, false);
    }
}

void TfEditor::saveEntry(TEditorEntry& entry, bool& written) {
    written = entry.Save(m_prompter, m_dm.state.appDir);
    showSaved(entry);
    if (written)
        publishSaved(entry);
}

void TfEditor::showSaved(const TEditorEntry& entry) {
    // An untitled document may have been given its name just now.
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const auto& e) { return e.get() == &entry; });
    FileTabs->setTabText(static_cast<int>(it - m_entries.begin()),
                         qs(ExtractFileName(entry.FileName)));
    UpdateStatus();
}

void TfEditor::bbSaveFileClick() {
    TEditorEntry* entry = CurrentEntry();
    if (entry == nullptr)
        return;
    bool written = false;
    if (entry->isUntitled())
        bbsaveasClick();
    else
        saveEntry(*entry, written);
}

void TfEditor::bbsaveasClick() {
    TEditorEntry* entry = CurrentEntry();
    if (entry == nullptr)
        return;
    FileRequest request = m_dm.SaveDialog1;
    request.folder = QDir::currentPath().toStdString();
    const auto name = m_prompter.saveFile(request);
    if (!name)
        return;
    entry->SaveAs(*name);
    showSaved(*entry);
    publishSaved(*entry);
}

void TfEditor::bbclosedocClick() {
    TEditorEntry* entry = CurrentEntry();
    if (entry == nullptr)
        return;
    if (entry->isModified()) {
        const Answer answer = m_prompter.message(
            MessageKind::Confirmation, SaveQuestionText(entry->FileName), Buttons::YesNoCancel);
        if (answer == Answer::Cancel)
            return;
        bool written = false;
        if (answer == Answer::Yes)
            saveEntry(*entry, written);
        // Declining the name of an untitled document keeps it open rather than lose it.
        if (answer == Answer::Yes && !written)
            return;
    }
    const int index = FileTabs->currentIndex();
    {
        const QSignalBlocker block(FileTabs);
        m_entries.erase(m_entries.begin() + index);
        FileTabs->removeTab(index);
    }
    if (FileTabs->count() == 0) {
        applyCommandSet(CommandSet::ReadOnly); // nothing left to write into
        showTabs(false);
        ShowWelcome();
        return;
    }
    const int next = std::min(index, FileTabs->count() - 1);
    {
        const QSignalBlocker block(FileTabs);
        FileTabs->setCurrentIndex(next);
    }
    FileTabsChange(next);
}

void TfEditor::bbOpenProjClick() {
    if (m_project != nullptr)
        m_project->bbOpenProjClick();
    ShowWelcome();
}

void TfEditor::NewProject1Click() {
    if (m_project != nullptr)
        m_project->NewProject1Click();
}

// "Add This File to Project": an untitled document gets its name first.
void TfEditor::AddFiletoProject2Click() {
    TEditorEntry* entry = CurrentEntry();
    if (entry == nullptr || m_project == nullptr || m_dm.state.projectFileName.empty())
        return;
    if (entry->isUntitled())
        bbsaveasClick();
    if (!entry->isUntitled() && FileExists(entry->FileName))
        m_project->addCurrentDocument(entry->FileName);
}

void TfEditor::sbprojectClick(QObject* sender) {
    // The menu item and the button toggle themselves; the other one follows.
    const bool pressed = static_cast<QAction*>(sender)->isChecked();
    command(QStringLiteral("sbproject"))->setChecked(pressed);
    command(QStringLiteral("ProjectManager1"))->setChecked(pressed);
    if (m_project == nullptr)
        return;
    if (!pressed) {
        m_project->hide();
        return;
    }
    m_project->setWindowState(m_project->windowState() & ~Qt::WindowMinimized);
    m_project->show();
    m_project->raise();
}

void TfEditor::withEditor(const std::function<void(TCodeMemo&)>& action) {
    if (TEditorEntry* entry = CurrentEntry()) {
        action(*entry->Memo);
        entry->Memo->ensureCaretVisible();
    }
}

void TfEditor::bbCutClick() {
    withEditor([](TCodeMemo& memo) { memo.model().cut(); });
    if (isVisible())
        activateWindow();
}

void TfEditor::WordWrap1Click() {
    const bool wrap = command(QStringLiteral("WordWrap1"))->isChecked();
    withEditor([wrap](TCodeMemo& memo) { memo.setWordWrap(wrap); });
    UpdateStatus();
}

void TfEditor::Print1Click() {
    TEditorEntry* entry = CurrentEntry();
    if (entry == nullptr)
        return;
    QPrintDialog dialog(&m_printer, this);
    if (dialog.exec() == QDialog::Accepted && !entry->Memo->Print(m_printer))
        m_prompter.message(MessageKind::Error, "The document could not be printed.", Buttons::Ok);
}

void TfEditor::PrintSettings1Click() {
    QPageSetupDialog dialog(&m_printer, this);
    dialog.exec();
}

void TfEditor::DisplayProperties1Click() {
    withEditor([](TCodeMemo& memo) { memo.ModifyParserProperties(); });
    UpdateStatus(); // the word wrap check follows the language's new options
}

// ---- the documents as the exit question sees them

size_t TfEditor::documentCount() const {
    return m_entries.size();
}

bool TfEditor::isModified(size_t index) const {
    return m_entries[index]->isModified();
}

std::string TfEditor::documentName(size_t index) const {
    return m_entries[index]->FileName;
}

bool TfEditor::saveDocument(size_t index) {
    try {
        bool written = false;
        saveEntry(*m_entries[index], written);
        return written;
    } catch (const VelloranError& error) {
        m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
        return false;
    }
}

} // namespace velloran
