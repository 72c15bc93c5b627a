// The main window: the welcome panel, the document tabs, the status bar, the command
// map with its menus and nine toolbars, screen layouts, bookmarks and find, and the
// program's show and close steps.
#pragma once

#include "app/commandstate.h"
#include "app/startup.h"
#include "editor/builtinparsers.h"
#include "ftp/ui/tfftp.h" // complete for QPointer
#include "tags/ui/tagdialogcontext.h"
#include "tools/previewhost.h"
#include "tools/ui/tfhtmlview.h" // complete for QPointer

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QPrinter>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QToolBar;

namespace velloran {

class EditModel;
class IniFile;
class Prompter;
class TCodeMemo;
class TEditorEntry;
class TMainFindDialog;
class Tdm1;
class Tfproject;
class TfPublish;
class SavePublisher;
struct TProjectFile;

// Names of numbered menu items: "Bookmark3" + "1" is "Bookmark31", set bookmark 3.
[[nodiscard]] inline QString NumberedItem(const char* prefix, int number, int column) {
    return QString::fromLatin1(prefix) + QString::number(number) + QString::number(column);
}

class TfEditor : public QMainWindow, private DocumentSet, private PreviewHost {
    Q_OBJECT
public:
    // `parameters` are the command line's parameters, absolute names already.
    TfEditor(Tdm1& dm1, Prompter& prompter, std::vector<std::string> parameters);
    ~TfEditor() override;

    void setProjectWindow(Tfproject* project);

    // The show step: settings, layout, then the command-line file or the recent project.
    void FormShow();
    // The close step. Returns false when the user cancelled or a save failed; then
    // nothing has been written.
    bool FormClose();

    // ---- Documents ----
    [[nodiscard]] TEditorEntry* CurrentEntry() const;
    [[nodiscard]] int documentTabCount() const;
    [[nodiscard]] TEditorEntry* entryAt(int index) const;
    void OpenFile(const std::string& fileName, bool readOnly);
    void NewDocument(const std::string& fileName);
    bool IsAlreadyOpen(const std::string& fileName);
    void UpdateStatus();
    void ShowWelcome();
    void OpenProject(const std::string& name);

    // The running instance's side of a hand-over.
    void receiveCommandLine(const QString& text);
    void bringToFront();

    // The five highlighting languages, read from their images when the window is made.
    [[nodiscard]] const BuiltinParsers& parsers() const noexcept { return m_parsers; }

    // ---- Command map: every menu item and button by its component name ----
    [[nodiscard]] QAction* command(const QString& name) const;
    [[nodiscard]] QToolBar* toolbar(int tag) const;

    // ---- Layouts and toolbars ----
    // Shared handlers told apart by the sender's "tag" property (none: the window).
    void LoadLayout(QObject* sender);
    void SaveLayout(QObject* sender);
    void ShowToolbars(QObject* sender);
    void pmToolbarsPopup();
    // The toolbar popup pmToolbars, for a right-click on a dock.
    QMenu* createPopupMenu() override;

    // ---- Preview window ----
    void sbHTMLClick();
    void ShowImageFile(const std::string& fileName);
    [[nodiscard]] TfHtmlView* previewWindow() const { return m_preview; }

    // ---- FTP window ----
    void sbFTPClick();
    [[nodiscard]] TfFTP* ftpWindow() const;

    // ---- Bookmarks, find and recent projects ----
    void pmSetMarkPopup();
    void pmGotoMarkPopup();
    void Bookmark01Click(QObject* sender);
    void Bookmark02Click(QObject* sender);
    void FindDialog1Find();
    void pmRecentFilesPopup();

    // The Programs menu: the registered programs above N1 and "Edit Programs...".
    void BuildProgramsMenu();
    void RunProgram(int index);
    void EditPrograms1Click();
    // The configuration dialog: file associations and the FTP proxy.
    void sbConfigureClick();
    // ---- User tags ----
    QComboBox* cbUserList = nullptr;
    // Fills cbUserList and the shortcut list from the current list file.
    void LoadUserTagList();
    void sbUserAddTagClick();
    void sbUserEditTagClick();
    void CodeCompletion1Click();

    QWidget* pName = nullptr;
    QListWidget* lbRecentFiles = nullptr;
    QPushButton* bNewProj = nullptr;
    QTabBar* FileTabs = nullptr;
    std::vector<QLabel*> statusPanels;
    QMenu* pmEditor = nullptr;
    QMenu* pmSetMark = nullptr;
    QMenu* pmGotoMark = nullptr;
    QMenu* pmRecentFiles = nullptr;
    QMenu* Toolbars1 = nullptr;
    QMenu* pmFontStyles = nullptr;
    QMenu* Programsmenu = nullptr;
    QMenu* pmParagraphStyle = nullptr;
    QMenu* pmParagraph = nullptr;
    QMenu* pmListStyle = nullptr;
    QLineEdit* eColorHex = nullptr;
    TMainFindDialog* FindDialog1 = nullptr;
    QString LayoutSuffix;

    // ---- Tag commands ----
    // Inserts "<P>" (aligned 1-3) or "<BR>" (4) before the selection.
    void InsertParagraphTag(int kind);
    // Runs a tag dialog modally; tests answer it instead.
    std::function<int(QDialog&)> execDialog;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Window parts.
    void buildWelcomePanel();
    void buildFileTabs();
    void buildStatusBar();
    QLabel* contactLabel(const QString& text, const QString& url);
    void openContact(const QString& text, const QString& url);

    // Command map.
    void runCommand(const std::function<void()>& handler);
    QAction* makeCommand(QWidget* owner, const QString& name, const QString& caption,
                         const std::function<void()>& handler);
    QAction* makeTagged(QWidget* owner, const QString& name, const QString& caption, int tag,
                        void (TfEditor::*handler)(QObject*));
    void buildMenus();
    void buildFileMenu();
    void buildEditMenu();
    void buildViewMenu();
    void buildPopupMenus();
    void buildToolbars();
    void buildFileToolbar();
    void buildEditToolbar();
    void buildSwitchToolbar();
    void buildUserTagsToolbar();
    void addCodeCompletionItem();
    [[nodiscard]] std::vector<std::string> chosenUserTagLines() const;
    void buildWindowKeys();
    [[nodiscard]] QMenu* toolbarMenu(QWidget* parent, int itemColumn);
    static void setDropDown(QToolBar* toolbar, QAction* action, QMenu* menu, bool menuOnly);
    // The pictures of the glyph buttons, once every toolbar is built.
    void applyGlyphIcons();
    struct ButtonSpec {
        const char* name;
        const char* caption; // none: the hint is also the button's text
        const char* hint;
        std::function<void()> handler;
    };
    void addButtons(QToolBar* bar, std::initializer_list<ButtonSpec> buttons);
    // A handler that runs one editing step on the current document.
    std::function<void()> editorStep(void (EditModel::*step)());
    // A handler that runs one of the project window's commands.
    std::function<void()> projectStep(void (Tfproject::*step)());

    // Tag toolbars.
    struct TagPairItem {
        const char* name;
        const char* caption;
        const char* open;
        const char* close;
    };
    QAction* addTagPairs(QWidget* owner, std::initializer_list<TagPairItem> items);
    void buildTagPopupMenus();
    void buildTagToolbars();
    void buildFontTagsToolbar();
    void buildBodyTagsToolbar();
    void buildColorToolbar();
    void buildFormToolbar();
    void withWritableEditor(const std::function<void(EditModel&)>& action);
    void AddFontTag(QObject* sender);
    void HeadlineCreate(QObject* sender);
    void sbParagraphClick(QObject* sender);
    void enterKeyReleased(TCodeMemo& memo);
    void eColorHexChange();
    void sbColorClick();
    [[nodiscard]] TagDialogContext tagDialogContext();
    [[nodiscard]] bool canRunTagDialog() const;
    void runTagDialog(QDialog& dialog, QLineEdit* finalTag, QLineEdit* content, bool found,
                      const std::function<void()>& load);
    void sbAnchorClick();
    void sbImgClick();
    void sbFontStyleClick();
    void sbFormTagClick();
    void sbHTMLTagClick();
    void AddFormElement(QObject* sender);

    // Layouts and toolbar places.
    void loadToolbarPositions(const IniFile& ini);
    void saveToolbarPositions(IniFile& ini) const;
    void saveLayoutTo(IniFile& ini, const QString& suffix) const;

    // Opening and the documents.
    void open(const OpenRequest& request);
    void openDroppedFiles(const std::vector<std::string>& names);
    void showTabs(bool visible);
    void readSettings();
    void writeSettings();
    void saveEntry(TEditorEntry& entry, bool& written);
    void showSaved(const TEditorEntry& entry);
    void toggleLineHighlight(TEditorEntry& entry, int line);
    bool acceptProjectDrag(QEvent* event);
    void applyCommandSet(CommandSet set);
    [[nodiscard]] std::vector<QAction*> tagToolbarButtons() const;

    // Handlers.
    void bbnewClick();
    void bbOpenFileClick();
    void bbSaveFileClick();
    void bbsaveasClick();
    void bbclosedocClick();
    void bbOpenProjClick();
    void NewProject1Click();
    void AddFiletoProject2Click();
    void sbprojectClick(QObject* sender);
    void withEditor(const std::function<void(TCodeMemo&)>& action);
    void bbCutClick();
    void WordWrap1Click();
    void Print1Click();
    void PrintSettings1Click();
    void DisplayProperties1Click();
    void bbFIndClick();
    void bbFindAgainClick();
    void bbReplaceClick();
    void FileTabsChange(int index);
    void lbRecentFilesDblClick();
    void recentProjectClick(QObject* sender);
    void PublishProject1Click();
    void buildProgramsMenu();
    // The open project's entry for the document `fileName`, if it has one.
    [[nodiscard]] const TProjectFile* projectEntryFor(const std::string& fileName) const;
    void publishSaved(const TEditorEntry& entry);

    // The preview window, made on first use.
    TfHtmlView* createPreview();
    void previewEdited(const TEditorEntry& entry);
    std::optional<PreviewDocument> currentDocument() const override;
    std::optional<PreviewDocument> openDocument(const std::string& fileName) const override;
    std::string settingsFileName() const override;
    std::string layoutSuffix() const override;

    size_t documentCount() const override;
    bool isModified(size_t index) const override;
    std::string documentName(size_t index) const override;
    bool saveDocument(size_t index) override;

    Tdm1& m_dm;
    Prompter& m_prompter;
    BuiltinParsers m_parsers;
    Tfproject* m_project = nullptr;
    QPointer<TfHtmlView> m_preview; // cleared when the user closes it
    QPointer<TfFTP> fFTP;           // at most one, cleared when the user closes it
    QPointer<TfPublish> m_publish;
    SavePublisher* m_savePublisher = nullptr;
    std::vector<std::string> m_parameters;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_tabArea = nullptr;
    QStackedWidget* m_editors = nullptr;
    std::vector<std::unique_ptr<TEditorEntry>> m_entries; // in tab order
    std::array<QToolBar*, 9> m_toolbars{};
    bool m_shown = false;
    bool m_caretDirty = false;
    CommandSet m_commandSet = CommandSet::ReadOnly;
    QPrinter m_printer{QPrinter::HighResolution}; // shared by Print and Print Setup
    int m_paragraphAlignment = 1;                 // of sbParagraph: left, centre, right
    QPixmap m_swatch;                             // the colour toolbar's 16 x 16 glyph
};

} // namespace velloran
