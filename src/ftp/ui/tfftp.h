// The FTP window: server profiles, the remote folder as a list, and the commands that
// browse it and copy files to and from it through one client of the profile's protocol.
#pragma once

#include "ftp/listparser.h"
#include "ftp/passwordstore.h"
#include "ftp/remoteclient.h"
#include "ftp/serverprofiles.h"
#include "platform/qt/qtmainthread.h"

#include <QMainWindow>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QStackedWidget;
class QStandardItemModel;
class QToolBar;
class QTreeView;
class QAbstractItemView;

namespace velloran {

class FtpAnimation;
class Prompter;

class TfFTP : public QMainWindow {
    Q_OBJECT
public:
    // `settingsFile` holds "startup" and "FTP Proxy"; `serversFile` the profiles.
    TfFTP(Prompter& prompter, std::string settingsFile, std::string serversFile,
          QWidget* parent = nullptr);
    ~TfFTP() override;

    std::string ServersFile;

    // ---- commands, each as the buttons run it
    void cbServerClick();
    void bbNewServerClick();
    void bbDelServerClick();
    void bbSaveServerClick();
    void bbConnectClick();
    void bbDisconnectClick();
    void bbListRemoteClick();
    void bbChDirRemoteClick();
    void bbMkDirRemoteClick();
    void bbrenameRemoteClick();
    void bbDeleteRemoteClick();
    void bbuploadClick();
    void bbdownloadClick();
    void lvRemoteDblClick();
    void bbAbortClick();
    void ListViewStyleChange();
    void sbsplitClick();
    // Uploads local files in the order given, then refreshes unless one failed.
    void uploadDropped(const std::vector<std::string>& files);

    // ---- what tests and the main window look at
    [[nodiscard]] bool busy() const noexcept { return m_busy > 0; }
    [[nodiscard]] RemoteClient& client() noexcept { return *FTPClient1; }
    [[nodiscard]] const std::vector<RemoteListItem>& entries() const noexcept { return m_entries; }
    // Selects the entries with these captions, and no others.
    void selectEntries(const std::vector<std::string>& captions);
    [[nodiscard]] QAbstractItemView* currentView() const;

    // Where SFTP connections find keys, known_hosts and the agent; empty: the user's own.
    SshPlaces sshPlaces;

    QComboBox* cbServer = nullptr;
    QLineEdit* eUserName = nullptr;
    QLineEdit* ePwd = nullptr;
    QCheckBox* cbPassive = nullptr;
    QComboBox* cbProtocol = nullptr; // item data: the TransferProtocol
    QCheckBox* cbHidden = nullptr;
    QAction* sbNewServer = nullptr;
    QAction* sbDelServer = nullptr;
    QAction* sbSaveServer = nullptr;
    QAction* sbConnect = nullptr;
    QAction* sbDisconnect = nullptr;
    QAction* sbChDirRemote = nullptr;
    QAction* sbMkDirRemote = nullptr;
    QAction* sbrenameRemote = nullptr;
    QAction* sbDeleteRemote = nullptr;
    QAction* sbupload = nullptr;
    QAction* sbdownload = nullptr;
    QAction* sbListRemote = nullptr;
    QAction* sbAbort = nullptr;
    QAction* sbsmallicon = nullptr;
    QAction* sbLargeIcon = nullptr;
    QAction* sbList = nullptr;
    QAction* sbDetail = nullptr;
    QAction* sbsplit = nullptr;
    QLabel* pcurdir = nullptr;
    QWidget* pProgress = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* pprogstat = nullptr;
    QPlainTextEdit* mstatus = nullptr;
    FtpAnimation* Animate1 = nullptr;
    QSplitter* Splitter1 = nullptr;

signals:
    // After each update of the progress display.
    void progressChanged(qint64 done, qint64 total);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class BusyScope;
    friend class BusyScope;

    void buildLoginBar();
    void buildRemoteBar();
    void buildRemotePanel();
    void FormCreate();
    void wireClient();
    // Puts a client of the chosen protocol in place of one of another, unless connected.
    // The one replaced lives until no command may still be inside it.
    void useProtocolClient();
    QAction* addButton(QToolBar* bar, const char* name, const char* hint, const char* iconName,
                       void (TfFTP::*handler)());
    // Runs a command from a control; an error it ends with is shown after its cleanup.
    void run(void (TfFTP::*handler)());
    void runCommand(const std::function<void()>& command);

    void FTPClient1Connect();
    void FTPClient1Disconnect();
    void FTPClient1ConnectionFailed();
    void FTPClient1InvalidHost(bool& handled);
    void FTPClient1Status(const std::string& text);
    void FTPClient1Progress(std::int64_t done, std::int64_t total);
    void FTPClient1ConnectionRequired(bool& handled);
    void Animate1Start();
    void Animate1Stop();
    void pcurdirResize();
    void idleCheck();

    // One transfer with the animation running and the progress display reset after it.
    void transferOne(const std::function<void()>& transfer);
    void UploadOne(const std::string& localName, const std::string& remoteName);
    void DownloadOne(const std::string& localName, const std::string& remoteName);
    void uploadFiles(const std::vector<std::string>& files);
    void changeDirectory(const std::string& directory);
    void showEntries();
    [[nodiscard]] std::vector<int> selectedRows() const;
    void setConnectedButtons(bool connected);
    void appendLog(const std::string& line);
    [[nodiscard]] TransferProtocol protocol() const;
    // Saves the profile shown, telling once in the log when no keyring takes the password.
    void saveProfile(const std::string& server);

    Prompter& m_prompter;
    std::string m_settingsFile;
    PasswordStore m_keyring;
    ServerProfiles m_profiles;
    // The identity the shown profile trusts, as its "fingerprint" key holds it.
    std::string m_fingerprint;
    QtEventPump m_pump;
    std::unique_ptr<RemoteClient> FTPClient1;
    std::vector<std::unique_ptr<RemoteClient>> m_retiredClients;
    std::string m_proxy;
    int m_proxyPort = 0;

    QToolBar* tbLogin = nullptr;
    QToolBar* Toolbar1 = nullptr;
    QWidget* pRemote = nullptr;
    QStackedWidget* m_views = nullptr;
    QListView* m_listView = nullptr;
    QTreeView* m_detailView = nullptr;
    QStandardItemModel* lvremote = nullptr;
    QMenu* pmRemote = nullptr;
    QTimer m_idle;

    std::vector<RemoteListItem> m_entries;
    int m_busy = 0;
    int m_commandDepth = 0;
    // The user agreed to close while a command ran: the command is aborted and the window
    // closes when it has unwound, never inside its own wait.
    bool m_closeAgreed = false;
    std::chrono::steady_clock::time_point m_lastProgress;
};

} // namespace velloran
