// The "Publish Project" window: where a project goes, the list of files a publish
// would send, and the publish itself with its progress, rate, time left and log.
#pragma once

#include "ftp/passwordstore.h"
#include "publish/publishsession.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QElapsedTimer;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace velloran {

class Prompter;
class ProjectTree;

class TfPublish : public QDialog {
    Q_OBJECT
public:
    // `tree` and `projectFile` are the open project's, read at each use; `serversFile`
    // holds the server profiles, `settingsFile` the proxy settings.
    TfPublish(Prompter& prompter, const ProjectTree& tree, std::string projectFile,
              std::string serversFile, std::string settingsFile, QWidget* parent = nullptr);
    ~TfPublish() override;

    // Saves the project's unsaved documents (asking once); false stops the publish.
    std::function<bool()> saveDocuments;
    // Every log line also goes here (the FTP window's log when it is open).
    std::function<void(const std::string&)> onLog;

    QComboBox* cbServer = nullptr;
    QLineEdit* eBaseDir = nullptr;
    QCheckBox* cbOnSave = nullptr;
    QTreeWidget* lvFiles = nullptr;
    QLabel* lTotal = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* lCurrent = nullptr;
    QLabel* lRate = nullptr;
    QPlainTextEdit* mLog = nullptr;
    QPushButton* bbCheck = nullptr;
    QPushButton* bbPublish = nullptr;
    QPushButton* bbAbort = nullptr;
    QPushButton* bbClose = nullptr;

    // The dry run: connects and lists what a publish would send. False on failure
    // (reported) or when the user kept documents unsaved.
    bool bbCheckClick();
    // Checks, then sends the listed files; the result as the publish gave it.
    PublishResult bbPublishClick();
    void bbAbortClick();

    [[nodiscard]] const PublishPlan& plan() const noexcept { return m_plan; }
    [[nodiscard]] bool busy() const noexcept { return m_busy; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void log(const std::string& text);
    void storeSettings();
    void showPlan();
    void showProgress();
    void setBusy(bool busy);
    void connectSession();

    Prompter& m_prompter;
    const ProjectTree& m_tree;
    std::string m_projectFile;
    std::string m_serversFile;
    std::string m_settingsFile;
    PublishState m_state;
    PasswordStore m_keyring;
    PublishSession m_session;
    PublishPlan m_plan;
    bool m_planned = false;
    bool m_busy = false;
    std::uint64_t m_doneBytes = 0;
    QTimer* m_progressTimer = nullptr;
    std::unique_ptr<QElapsedTimer> m_clock;
};

} // namespace velloran
