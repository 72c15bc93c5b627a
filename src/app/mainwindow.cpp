// The main window's shell: welcome panel, document tabs, status bar, show and close.
#include "app/mainwindow.h"

#include "editor/ui/codememo.h"

#include <QFontDatabase>

#include "app/datamodule.h"
#include "app/editorentry.h"
#include "app/settings.h"
#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "project/tfproject.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
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
    buildMenus();
    m_dm.state.projectFileName.clear();
}

TfEditor::~TfEditor() = default;

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
    bNewProj->setEnabled(false); // enabled once projects can be created
    layout->addWidget(bNewProj, 0, Qt::AlignLeft);
    auto* help2 = new QLabel(QStringLiteral(
        "Drop files here to open them, or use the File menu. Double-click a recent project "
        "to open it."));
    help2->setWordWrap(true);
    layout->addWidget(help2);
    auto* contacts = new QHBoxLayout;
    contacts->addWidget(contactLabel(QStringLiteral("support@velloran.example"),
                                     QStringLiteral("mailto:support@velloran.example")));
    contacts->addWidget(contactLabel(QStringLiteral("ideas@velloran.example"),
                                     QStringLiteral("mailto:ideas@velloran.example")));
    contacts->addWidget(contactLabel(QStringLiteral("http://www.velloran.example/"),
                                     QStringLiteral("http://www.velloran.example/")));
    contacts->addStretch();
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
    for (const int width : {89, 93, 50}) {
        auto* panel = new QLabel;
        panel->setMinimumWidth(width);
        panel->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        statusBar()->addWidget(panel);
        statusPanels.push_back(panel);
    }
}

void TfEditor::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    file->addAction(QStringLiteral("New File"), this, &TfEditor::bbnewClick)
        ->setObjectName(QStringLiteral("NewFile1"));
    file->addAction(QStringLiteral("Open File"), this, &TfEditor::bbOpenFileClick)
        ->setObjectName(QStringLiteral("OpenFile1"));
    SaveFile1 = file->addAction(QStringLiteral("Save File"), this, &TfEditor::bbSaveFileClick);
    SaveFile1->setObjectName(QStringLiteral("SaveFile1"));
    file->addAction(QStringLiteral("Save File As..."), this, &TfEditor::bbsaveasClick)
        ->setObjectName(QStringLiteral("SaveFileAs1"));
    file->addAction(QStringLiteral("Close File"), this, &TfEditor::bbclosedocClick)
        ->setObjectName(QStringLiteral("CloseFile1"));
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
}

void TfEditor::FormShow() {
    readSettings();
    // Without its images the program still edits, in plain colours; say why once.
    for (const std::string& problem : m_parsers.errors)
        m_prompter.message(MessageKind::Warning, problem, Buttons::Ok);
    {
        const ScopedFlag bulk(m_dm.state.bulkUpdate, m_parameters.empty());
        open(ChooseStartupRequest(m_parameters, m_dm.state, m_dm.tutorialProject()));
    }
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
    return true;
}

void TfEditor::writeSettings() {
    m_dm.collectCustomColors();
    try {
        EnsureConfigDir();
        IniFile ini(m_dm.state.iniFileName);
        WriteSettings(ini, m_dm.state, m_dm.settings);
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
    open(RequestForName(text.toStdString()));
}

void TfEditor::bringToFront() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TfEditor::OpenFile(const std::string& fileName, bool readOnly) {
    if (!FileExists(fileName))
        return;
    const std::string ext = AsciiUpper(ExtractFileExt(fileName));
    if (ext == ".GIF" || ext == ".JPG" || ext == ".PNG" || ext == ".BMP")
        return; // pictures are shown by the preview, never edited as text
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
    auto entry = std::make_unique<TEditorEntry>(m_editors, fileName);
    TCodeMemo* memo = entry->Memo;
    m_editors->addWidget(memo);
    // Every editor gets the five languages as rule sets 1-5; the extension picks one.
    for (int slot = 1; slot <= 5; ++slot)
        memo->setParser(slot, m_parsers.forRuleSet(slot));
    memo->setActiveParser(fileName == kUntitled ? kHtmlRuleSet : RuleSetForFileName(fileName));
    connect(memo, &TCodeMemo::OnChange, this, [this](unsigned flags) {
        if (flags & kChangeCaret)
            m_caretDirty = true;
        UpdateStatus();
    });
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
    for (const auto& name : names)
        OpenFile(name, false);
}

bool TfEditor::eventFilter(QObject* watched, QEvent* event) {
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
    const QString caption = qs(entry->FileName);
    if (windowTitle() != caption)
        setWindowTitle(caption);
    const bool modified = entry->isModified();
    statusPanels[1]->setText(modified ? QStringLiteral("Modified") : QString());
    const bool readOnly = entry->Memo->isReadOnly();
    statusPanels[2]->setText(readOnly                           ? QStringLiteral("  Read only")
                             : entry->Memo->model().overwrite() ? QStringLiteral("  Overwrite")
                                                                : QStringLiteral("  Insert"));
    if (m_caretDirty) {
        m_caretDirty = false;
        const CaretPos caret = entry->Memo->model().getCaretPos();
        statusPanels[0]->setText(QString::asprintf("%4lld:%4lld", static_cast<long long>(caret.row),
                                                   static_cast<long long>(caret.column)));
    }
    SaveFile1->setEnabled(!readOnly && modified);
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

void TfEditor::saveEntry(TEditorEntry& entry) {
    entry.Save(m_prompter, m_dm.state.appDir);
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
    if (entry->isUntitled())
        bbsaveasClick();
    else
        saveEntry(*entry);
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
    entry->FileName = *name;
    saveEntry(*entry);
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
        if (answer == Answer::Yes)
            saveEntry(*entry);
    }
    const int index = FileTabs->currentIndex();
    {
        const QSignalBlocker block(FileTabs);
        m_entries.erase(m_entries.begin() + index);
        FileTabs->removeTab(index);
    }
    if (FileTabs->count() == 0) {
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
        saveEntry(*m_entries[index]);
        return true;
    } catch (const VelloranError& error) {
        m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
        return false;
    }
}

} // namespace velloran
