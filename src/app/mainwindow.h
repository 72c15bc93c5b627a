// The main window: the welcome panel, the document tabs, the status bar, and the
// program's show and close steps.
#pragma once

#include "app/startup.h"
#include "editor/builtinparsers.h"

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QTabBar;

namespace velloran {

class Prompter;
class TEditorEntry;
class Tdm1;
class Tfproject;

class TfEditor : public QMainWindow, private DocumentSet {
    Q_OBJECT
public:
    // `parameters` are the command line's parameters, absolute names already.
    TfEditor(Tdm1& dm1, Prompter& prompter, std::vector<std::string> parameters);
    ~TfEditor() override;

    void setProjectWindow(Tfproject* project) { m_project = project; }

    // The show step: settings, then the command-line file or the recent project.
    void FormShow();
    // The close step. Returns false when the user cancelled or a save failed; then
    // nothing has been written.
    bool FormClose();

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

    QWidget* pName = nullptr;
    QListWidget* lbRecentFiles = nullptr;
    QPushButton* bNewProj = nullptr;
    QTabBar* FileTabs = nullptr;
    QAction* SaveFile1 = nullptr;
    std::vector<QLabel*> statusPanels;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWelcomePanel();
    void buildFileTabs();
    void buildStatusBar();
    void buildMenus();
    QLabel* contactLabel(const QString& text, const QString& url);
    void openContact(const QString& text, const QString& url);
    void open(const OpenRequest& request);
    void openDroppedFiles(const std::vector<std::string>& names);
    void showTabs(bool visible);
    void readSettings();
    void writeSettings();

    void bbnewClick();
    void bbOpenFileClick();
    void bbSaveFileClick();
    void bbsaveasClick();
    void bbclosedocClick();
    void FileTabsChange(int index);
    void lbRecentFilesDblClick();
    void saveEntry(TEditorEntry& entry);

    size_t documentCount() const override;
    bool isModified(size_t index) const override;
    std::string documentName(size_t index) const override;
    bool saveDocument(size_t index) override;

    Tdm1& m_dm;
    Prompter& m_prompter;
    BuiltinParsers m_parsers;
    Tfproject* m_project = nullptr;
    std::vector<std::string> m_parameters;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_tabArea = nullptr;
    QStackedWidget* m_editors = nullptr;
    std::vector<std::unique_ptr<TEditorEntry>> m_entries; // in tab order
    bool m_shown = false;
    bool m_caretDirty = false;
};

} // namespace velloran
