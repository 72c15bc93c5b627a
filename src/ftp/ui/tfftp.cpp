// The FTP window's controls, its commands and its reactions to the client's events. The
// client's calls return when their exchange is over and let the event loop run meanwhile,
// so every command guards itself with the busy state and only Abort works while it lasts.
#include "ftp/ui/tfftp.h"

#include "ftp/ftpclient.h"
#include "ftp/ftpwindowrules.h"
#include "ftp/sftpclient.h"
#include "ftp/ui/ftpanimation.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/prompter.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string_view>
#include <utility>

namespace velloran {

namespace {

// The pattern takes every file: "*.*" would hide the many names without a dot here.
constexpr const char* kAllFilesFilter = "All Files (*.*)|*";
constexpr int kImageIndexRole = Qt::UserRole + 1;
constexpr int kIdleCheckMs = 1000;
constexpr int kLogLineLimit = 20000;
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::string str(const QString& text) {
    return text.toStdString();
}

// Qt's own pictures for the buttons where the desktop has no icon theme.
QStyle::StandardPixmap FallbackIcon(std::string_view button) {
    static const std::pair<std::string_view, QStyle::StandardPixmap> kIcons[] = {
        {"sbNewServer", QStyle::SP_FileIcon},
        {"sbDelServer", QStyle::SP_DialogDiscardButton},
        {"sbSaveServer", QStyle::SP_DialogSaveButton},
        {"sbChDirRemote", QStyle::SP_DirOpenIcon},
        {"sbMkDirRemote", QStyle::SP_FileDialogNewFolder},
        {"sbrenameRemote", QStyle::SP_FileDialogContentsView},
        {"sbDeleteRemote", QStyle::SP_TrashIcon},
        {"sbupload", QStyle::SP_ArrowUp},
        {"sbdownload", QStyle::SP_ArrowDown},
        {"sbListRemote", QStyle::SP_BrowserReload},
        {"sbAbort", QStyle::SP_BrowserStop},
        {"sbsmallicon", QStyle::SP_FileDialogListView},
        {"sbLargeIcon", QStyle::SP_DesktopIcon},
        {"sbList", QStyle::SP_FileDialogListView},
        {"sbDetail", QStyle::SP_FileDialogDetailedView},
        {"sbsplit", QStyle::SP_TitleBarShadeButton},
    };
    for (const auto& [name, icon] : kIcons)
        if (name == button)
            return icon;
    return QStyle::SP_FileIcon;
}

QFont FixedPitchFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

// Runs a cleanup step when a scope ends, also by an exception.
template <typename F>
class Finally {
public:
    explicit Finally(F step) : m_step(std::move(step)) {}
    ~Finally() { m_step(); }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    F m_step;
};

} // namespace

class TfFTP::BusyScope {
public:
    explicit BusyScope(TfFTP& window) : m_window(window) {
        ++m_window.m_busy;
        m_window.m_prompter.setBusy(true);
    }
    ~BusyScope() {
        --m_window.m_busy;
        m_window.m_prompter.setBusy(false);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    TfFTP& m_window;
};

TfFTP::TfFTP(Prompter& prompter, std::string settingsFile, std::string serversFile, QWidget* parent)
    : QMainWindow(parent, Qt::Window), ServersFile(serversFile), m_prompter(prompter),
      m_settingsFile(std::move(settingsFile)), m_profiles(std::move(serversFile), &m_keyring),
      FTPClient1(MakeRemoteClient(TransferProtocol::Ftp)) {
    setObjectName(QStringLiteral("fFTP"));
    setWindowTitle(QString::fromLatin1(kFtpCaption));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    TAsyncSocket::SetEventPump(&m_pump);
    TSftpClient::SetEventPump(&m_pump);
    buildLoginBar();
    addToolBarBreak();
    buildRemoteBar();
    buildRemotePanel();
    wireClient();
    FormCreate();
    // The login bar with its "Passive" box is wider than the classic 535 pixels.
    resize(std::max(535, tbLogin->sizeHint().width() + 8), 390);
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_idle.setInterval(kIdleCheckMs);
    connect(&m_idle, &QTimer::timeout, this, &TfFTP::idleCheck);
    m_idle.start();
}

TfFTP::~TfFTP() {
    m_idle.stop();
    // The goodbye to the server must not run this half-destroyed window's handlers.
    TAsyncSocket::SetEventPump(nullptr);
    TSftpClient::SetEventPump(nullptr);
    m_retiredClients.push_back(std::move(FTPClient1));
    for (const auto& client : m_retiredClients) {
        client->OnConnect = nullptr;
        client->OnDisconnect = nullptr;
        client->OnConnectionFailed = nullptr;
        client->OnInvalidHost = nullptr;
        client->OnStatus = nullptr;
        client->OnListLine = nullptr;
        client->OnProgress = nullptr;
        client->OnConnectionRequired = nullptr;
        client->OnUnknownIdentity = nullptr;
    }
    m_retiredClients.clear();
}

// ---- building

QAction* TfFTP::addButton(QToolBar* bar, const char* name, const char* hint, const char* iconName,
                          void (TfFTP::*handler)()) {
    auto* action = new QAction(QString::fromLatin1(hint), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(QString::fromLatin1(hint));
    if (iconName != nullptr)
        action->setIcon(QIcon::fromTheme(QString::fromLatin1(iconName),
                                         style()->standardIcon(FallbackIcon(name))));
    if (handler != nullptr)
        connect(action, &QAction::triggered, this, [this, handler] { run(handler); });
    bar->addAction(action);
    return action;
}

void TfFTP::buildLoginBar() {
    tbLogin = addToolBar(QStringLiteral("Login"));
    tbLogin->setObjectName(QStringLiteral("tbLogin"));
    tbLogin->setMovable(false);
    cbServer = new QComboBox(tbLogin);
    cbServer->setObjectName(QStringLiteral("cbServer"));
    cbServer->setEditable(true);
    cbServer->setInsertPolicy(QComboBox::NoInsert);
    cbServer->setFixedWidth(145);
    cbServer->setToolTip(QStringLiteral("Server"));
    connect(cbServer, &QComboBox::activated, this, [this] { run(&TfFTP::cbServerClick); });
    tbLogin->addWidget(cbServer);
    eUserName = new QLineEdit(tbLogin);
    eUserName->setObjectName(QStringLiteral("eUserName"));
    eUserName->setToolTip(QStringLiteral("User Name"));
    eUserName->setFixedWidth(90);
    tbLogin->addWidget(eUserName);
    ePwd = new QLineEdit(tbLogin);
    ePwd->setObjectName(QStringLiteral("ePwd"));
    ePwd->setToolTip(QStringLiteral("Password"));
    ePwd->setEchoMode(QLineEdit::Password);
    ePwd->setFixedWidth(90);
    tbLogin->addWidget(ePwd);
    cbPassive = new QCheckBox(QStringLiteral("Passive"), tbLogin);
    cbPassive->setObjectName(QStringLiteral("cbPassive"));
    cbPassive->setToolTip(QStringLiteral("Passive Transfers"));
    cbPassive->setChecked(true);
    tbLogin->addWidget(cbPassive);
    cbProtocol = new QComboBox(tbLogin);
    cbProtocol->setObjectName(QStringLiteral("cbProtocol"));
    cbProtocol->setToolTip(QStringLiteral("Protocol"));
    cbProtocol->addItem(QStringLiteral("FTP"), static_cast<int>(TransferProtocol::Ftp));
    cbProtocol->addItem(QStringLiteral("FTPS"), static_cast<int>(TransferProtocol::Ftps));
    cbProtocol->addItem(QStringLiteral("SFTP"), static_cast<int>(TransferProtocol::Sftp));
    tbLogin->addWidget(cbProtocol);
    // SSH carries files on its one connection: there is no data connection to make passive.
    connect(cbProtocol, &QComboBox::currentIndexChanged, this,
            [this] { cbPassive->setEnabled(protocol() != TransferProtocol::Sftp); });
    sbNewServer =
        addButton(tbLogin, "sbNewServer", "New Server", "document-new", &TfFTP::bbNewServerClick);
    sbDelServer =
        addButton(tbLogin, "sbDelServer", "Delete Server", "list-remove", &TfFTP::bbDelServerClick);
    sbSaveServer = addButton(tbLogin, "sbSaveServer", "Save Server", "document-save",
                             &TfFTP::bbSaveServerClick);
    sbConnect = addButton(tbLogin, "sbConnect", "Connect", nullptr, &TfFTP::bbConnectClick);
    sbDisconnect =
        addButton(tbLogin, "sbDisconnect", "Disconnect", nullptr, &TfFTP::bbDisconnectClick);
    sbDisconnect->setEnabled(false);
}

void TfFTP::buildRemoteBar() {
    Toolbar1 = addToolBar(QStringLiteral("Remote"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setIconSize(QSize(16, 16));
    cbHidden = new QCheckBox(QStringLiteral("Hidden"), Toolbar1);
    cbHidden->setObjectName(QStringLiteral("cbHidden"));
    cbHidden->setToolTip(QStringLiteral("View Hidden Files"));
    connect(cbHidden, &QCheckBox::clicked, this, [this] { run(&TfFTP::bbListRemoteClick); });
    Toolbar1->addWidget(cbHidden);
    sbChDirRemote = addButton(Toolbar1, "sbChDirRemote", "Change Directory", "go-jump",
                              &TfFTP::bbChDirRemoteClick);
    sbMkDirRemote = addButton(Toolbar1, "sbMkDirRemote", "Create Directory", "folder-new",
                              &TfFTP::bbMkDirRemoteClick);
    sbrenameRemote = addButton(Toolbar1, "sbrenameRemote", "Rename File", "edit-find-replace",
                               &TfFTP::bbrenameRemoteClick);
    sbDeleteRemote = addButton(Toolbar1, "sbDeleteRemote", "Delete file / Directory", "edit-delete",
                               &TfFTP::bbDeleteRemoteClick);
    sbupload = addButton(Toolbar1, "sbupload", "Upload File", "go-up", &TfFTP::bbuploadClick);
    sbdownload =
        addButton(Toolbar1, "sbdownload", "Download File", "go-down", &TfFTP::bbdownloadClick);
    sbListRemote = addButton(Toolbar1, "sbListRemote", "Refresh View", "view-refresh",
                             &TfFTP::bbListRemoteClick);
    sbAbort =
        addButton(Toolbar1, "sbAbort", "Abort Transfer", "process-stop", &TfFTP::bbAbortClick);
    Toolbar1->addSeparator();
    auto* styles = new QActionGroup(this);
    sbsmallicon = addButton(Toolbar1, "sbsmallicon", "Small Icons", "view-list-icons", nullptr);
    sbLargeIcon = addButton(Toolbar1, "sbLargeIcon", "Large Icons", "view-grid", nullptr);
    sbList = addButton(Toolbar1, "sbList", "List", "view-list", nullptr);
    sbDetail = addButton(Toolbar1, "sbDetail", "Details", "view-list-details", nullptr);
    for (QAction* style : {sbsmallicon, sbLargeIcon, sbList, sbDetail}) {
        style->setCheckable(true);
        styles->addAction(style);
        connect(style, &QAction::triggered, this, [this] { run(&TfFTP::ListViewStyleChange); });
    }
    sbList->setChecked(true);
    Toolbar1->addSeparator();
    sbsplit = addButton(Toolbar1, "sbsplit", "Show / Hide Log", "view-split-top-bottom",
                        &TfFTP::sbsplitClick);
    sbsplit->setCheckable(true);
    sbsplit->setChecked(true);
}

void TfFTP::buildRemotePanel() {
    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);
    pRemote = new QWidget(Splitter1);
    pRemote->setObjectName(QStringLiteral("pRemote"));
    auto* layout = new QVBoxLayout(pRemote);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    pcurdir = new QLabel(pRemote);
    pcurdir->setObjectName(QStringLiteral("pcurdir"));
    pcurdir->setFixedHeight(24);
    pcurdir->setFrameShape(QFrame::Panel);
    pcurdir->setFrameShadow(QFrame::Sunken);
    pcurdir->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pcurdir->installEventFilter(this);
    layout->addWidget(pcurdir);
    pProgress = new QWidget(pcurdir);
    pProgress->setObjectName(QStringLiteral("pProgress"));
    pProgress->setAutoFillBackground(true);
    auto* progressLayout = new QHBoxLayout(pProgress);
    progressLayout->setContentsMargins(2, 2, 2, 2);
    ProgressBar1 = new QProgressBar(pProgress);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setFixedWidth(184);
    progressLayout->addWidget(ProgressBar1);
    pprogstat = new QLabel(pProgress);
    pprogstat->setObjectName(QStringLiteral("pprogstat"));
    progressLayout->addWidget(pprogstat, 1);
    pProgress->hide();

    lvremote = new QStandardItemModel(0, 4, this);
    lvremote->setHorizontalHeaderLabels({QStringLiteral("FileName"), QStringLiteral("Size"),
                                         QStringLiteral("Date"), QStringLiteral("Attribs")});
    m_views = new QStackedWidget(pRemote);
    m_detailView = new QTreeView(m_views);
    m_detailView->setObjectName(QStringLiteral("lvremote"));
    m_detailView->setModel(lvremote);
    m_detailView->setRootIsDecorated(false);
    m_detailView->setItemsExpandable(false);
    m_detailView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_detailView->header()->setSectionsClickable(false);
    m_detailView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_detailView->header()->setStretchLastSection(false);
    m_detailView->setColumnWidth(1, 75);
    m_detailView->setColumnWidth(2, 100);
    m_detailView->setColumnWidth(3, 90);
    m_listView = new QListView(m_views);
    m_listView->setObjectName(QStringLiteral("lvremoteList"));
    m_listView->setModel(lvremote);
    m_listView->setSelectionModel(m_detailView->selectionModel());
    pmRemote = new QMenu(this);
    pmRemote->setObjectName(QStringLiteral("pmRemote"));
    pmRemote->addAction(QStringLiteral("Download"), this, [this] { run(&TfFTP::bbdownloadClick); });
    pmRemote->addAction(QStringLiteral("Refresh"), this,
                        [this] { run(&TfFTP::bbListRemoteClick); });
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_listView),
                                    static_cast<QAbstractItemView*>(m_detailView)}) {
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setFont(FixedPitchFont());
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
            pmRemote->popup(view->viewport()->mapToGlobal(at));
        });
        connect(view, &QAbstractItemView::doubleClicked, this,
                [this] { run(&TfFTP::lvRemoteDblClick); });
        view->viewport()->installEventFilter(this);
        m_views->addWidget(view);
    }
    layout->addWidget(m_views, 1);
    Animate1 = new FtpAnimation(pRemote);
    QPalette background = Animate1->palette();
    background.setColor(QPalette::Window, m_listView->palette().color(QPalette::Base));
    Animate1->setPalette(background);
    connect(Animate1, &FtpAnimation::started, this, &TfFTP::Animate1Start);
    connect(Animate1, &FtpAnimation::stopped, this, &TfFTP::Animate1Stop);

    mstatus = new QPlainTextEdit(Splitter1);
    mstatus->setObjectName(QStringLiteral("mstatus"));
    mstatus->setReadOnly(true);
    mstatus->setFont(FixedPitchFont());
    mstatus->setLineWrapMode(QPlainTextEdit::NoWrap);
    mstatus->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mstatus->setMaximumBlockCount(kLogLineLimit);
    Splitter1->addWidget(pRemote);
    Splitter1->addWidget(mstatus);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setSizes({300, 69});
    setCentralWidget(Splitter1);
    ListViewStyleChange();
}

void TfFTP::wireClient() {
    RemoteClient& client = *FTPClient1;
    client.OnConnect = [this] { FTPClient1Connect(); };
    client.OnDisconnect = [this] { FTPClient1Disconnect(); };
    client.OnConnectionFailed = [this] { FTPClient1ConnectionFailed(); };
    client.OnInvalidHost = [this](bool& handled) { FTPClient1InvalidHost(handled); };
    client.OnStatus = [this](const std::string& text) { FTPClient1Status(text); };
    client.OnListLine = [this](const std::string& line) { appendLog(line); };
    client.OnProgress = [this](std::int64_t done, std::int64_t total) {
        FTPClient1Progress(done, total);
    };
    client.OnConnectionRequired = [this](bool& handled) { FTPClient1ConnectionRequired(handled); };
    client.OnUnknownIdentity = [this](const std::string& question) {
        return m_prompter.message(MessageKind::Confirmation, question, Buttons::YesNo) ==
               Answer::Yes;
    };
    client.Proxy = m_proxy;
    client.ProxyPort = m_proxyPort;
}

void TfFTP::useProtocolClient() {
    if (FTPClient1->Connected() || FTPClient1->Protocol() == protocol())
        return;
    m_retiredClients.push_back(std::move(FTPClient1));
    FTPClient1 = MakeRemoteClient(protocol());
    wireClient();
}

void TfFTP::FormCreate() {
    for (const std::string& name : m_profiles.names())
        cbServer->addItem(qs(name));
    cbServer->setCurrentIndex(-1);
    cbServer->setEditText(QString());
    const IniFile settings(m_settingsFile);
    const QString last = qs(settings.readString("startup", "lastserver", ""));
    const int found = cbServer->findText(last, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (settings.readInteger("FTP Proxy", "UseProxy", 0) != 0) {
        m_proxy = settings.readString("FTP Proxy", "ProxyName", "");
        m_proxyPort = ProxyPortFrom(settings.readString("FTP Proxy", "ProxyPort", ""));
    }
    FTPClient1->Proxy = m_proxy;
    FTPClient1->ProxyPort = m_proxyPort;
    if (found >= 0) {
        cbServer->setCurrentIndex(found);
        cbServerClick();
    }
}

// ---- command plumbing

void TfFTP::run(void (TfFTP::*handler)()) {
    runCommand([this, handler] { (this->*handler)(); });
}

// An error ends the command after its cleanup and is shown then, as the program shows every
// error; a window the user agreed to close meanwhile closes once the command has unwound.
void TfFTP::runCommand(const std::function<void()>& command) {
    ++m_commandDepth;
    try {
        command();
    } catch (const std::exception& error) {
        if (!m_closeAgreed)
            m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
    }
    --m_commandDepth;
    if (m_commandDepth == 0)
        m_retiredClients.clear();
    if (m_commandDepth == 0 && m_closeAgreed)
        QTimer::singleShot(0, this, &QWidget::close);
}

void TfFTP::setConnectedButtons(bool connected) {
    sbConnect->setEnabled(!connected);
    sbDisconnect->setEnabled(connected);
}

void TfFTP::appendLog(const std::string& line) {
    mstatus->appendPlainText(qs(line));
}

// A session the server closed while nobody waited on it shows as disconnected at once.
void TfFTP::idleCheck() {
    if (m_busy == 0 && m_commandDepth == 0 && FTPClient1->Connected())
        TAsyncSocket::ProcessNotifications(0);
}

// ---- profiles

void TfFTP::cbServerClick() {
    const ServerProfile profile = m_profiles.load(str(cbServer->currentText()));
    eUserName->setText(qs(profile.userName));
    ePwd->setText(qs(profile.password));
    cbPassive->setChecked(profile.passive);
    cbProtocol->setCurrentIndex(cbProtocol->findData(static_cast<int>(profile.protocol)));
    m_fingerprint = profile.fingerprint;
}

void TfFTP::bbNewServerClick() {
    cbServer->setCurrentIndex(-1);
    cbServer->setEditText(QString());
    eUserName->setText(QStringLiteral("anonymous"));
    ePwd->setText(QString::fromLatin1(DefaultAnonymousPassword));
    m_fingerprint.clear();
}

void TfFTP::bbSaveServerClick() {
    const QString server = cbServer->currentText();
    if (server.isEmpty())
        return;
    saveProfile(str(server));
    if (cbServer->findText(server, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        cbServer->addItem(server);
    cbServer->setCurrentIndex(
        cbServer->findText(server, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

TransferProtocol TfFTP::protocol() const {
    return static_cast<TransferProtocol>(cbProtocol->currentData().toInt());
}

void TfFTP::saveProfile(const std::string& server) {
    std::filesystem::create_directories(std::filesystem::path(ServersFile).parent_path());
    m_profiles.save(server, {str(eUserName->text()), str(ePwd->text()), cbPassive->isChecked(),
                             protocol(), m_fingerprint});
    if (m_keyring.FallbackNoticeDue())
        appendLog(KeyringFallbackNotice(m_keyring.LastError()));
}

void TfFTP::bbDelServerClick() {
    const QString server = cbServer->currentText();
    m_profiles.erase(str(server));
    const int index = cbServer->findText(server, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        cbServer->removeItem(index);
    cbServer->setCurrentIndex(-1);
    cbServer->setEditText(QString());
    eUserName->clear();
    ePwd->clear();
}

// ---- connection

void TfFTP::bbConnectClick() {
    const std::string server = str(cbServer->currentText());
    if (busy() || server.empty())
        return;
    const ServerAddress address = SplitServerText(server, DefaultPort(protocol()));
    useProtocolClient();
    RemoteClient& client = *FTPClient1;
    client.Host = address.host;
    client.Port = address.port;
    // An SSH login is the local user's with keys unless the profile says otherwise.
    if (client.Protocol() != TransferProtocol::Sftp) {
        if (eUserName->text().isEmpty())
            eUserName->setText(QStringLiteral("anonymous"));
        if (ePwd->text().isEmpty())
            ePwd->setText(QString::fromLatin1(DefaultAnonymousPassword));
    }
    client.UserID = str(eUserName->text());
    client.Password = str(ePwd->text());
    client.Passive = cbPassive->isChecked();
    client.Ssh = sshPlaces;
    client.TrustedFingerprint = m_fingerprint;
    try {
        BusyScope busy(*this);
        sbConnect->setEnabled(false);
        AnimationScope animation(*Animate1, FtpAnimation::Clip::FindComputer);
        client.Connect();
        // An identity the user trusted just now stays with a saved profile.
        if (client.TrustedFingerprint != m_fingerprint) {
            m_fingerprint = client.TrustedFingerprint;
            if (cbServer->findText(cbServer->currentText(),
                                   Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
                saveProfile(server);
        }
        if (address.directory)
            client.ChangeDirectory(*address.directory);
    } catch (...) {
        setConnectedButtons(client.Connected());
        throw;
    }
    bbListRemoteClick();
}

void TfFTP::bbDisconnectClick() {
    if (busy())
        return;
    Finally reset([this] { setConnectedButtons(false); });
    BusyScope busy(*this);
    m_entries.clear();
    showEntries();
    pcurdir->clear();
    FTPClient1->Disconnect();
}

void TfFTP::FTPClient1Connect() {
    setConnectedButtons(true);
}

void TfFTP::FTPClient1Disconnect() {
    Animate1->stop();
    setConnectedButtons(false);
}

void TfFTP::FTPClient1ConnectionFailed() {
    Animate1->stop();
    m_prompter.message(MessageKind::Error, kUnableToConnectText, Buttons::Ok);
    setConnectedButtons(false);
}

void TfFTP::FTPClient1InvalidHost(bool&) {
    m_prompter.message(MessageKind::Error, kInvalidHostText, Buttons::Ok);
    setConnectedButtons(false);
}

// The operation that found no connection goes on if the user connects now. The busy state
// of that operation is lifted meanwhile so that the connect command runs.
void TfFTP::FTPClient1ConnectionRequired(bool& handled) {
    const int held = m_busy;
    for (int i = 0; i < held; ++i)
        m_prompter.setBusy(false);
    m_busy = 0;
    Finally restore([this, held] {
        m_busy = held;
        for (int i = 0; i < held; ++i)
            m_prompter.setBusy(true);
    });
    if (m_prompter.message(MessageKind::Confirmation, kConnectionRequiredQuestion,
                           Buttons::OkCancel) != Answer::Ok)
        return;
    bbConnectClick();
    handled = FTPClient1->Connected();
}

void TfFTP::FTPClient1Status(const std::string& text) {
    appendLog(StatusLogLine(text));
}

// ---- the remote list

void TfFTP::showEntries() {
    const QIcon folder =
        QIcon::fromTheme(QStringLiteral("folder"), style()->standardIcon(QStyle::SP_DirIcon));
    const QIcon file = QIcon::fromTheme(QStringLiteral("text-x-generic"),
                                        style()->standardIcon(QStyle::SP_FileIcon));
    lvremote->removeRows(0, lvremote->rowCount());
    for (const RemoteListItem& entry : m_entries) {
        auto* name = new QStandardItem(entry.imageIndex == 0 ? folder : file, qs(entry.caption));
        name->setData(entry.imageIndex, kImageIndexRole);
        QList<QStandardItem*> row{name, new QStandardItem(qs(entry.size)),
                                  new QStandardItem(qs(entry.date)),
                                  new QStandardItem(qs(entry.attributes))};
        for (QStandardItem* cell : row)
            cell->setEditable(false);
        lvremote->appendRow(row);
    }
}

void TfFTP::bbListRemoteClick() {
    if (busy())
        return;
    m_entries.clear();
    showEntries();
    BusyScope busy(*this);
    AnimationScope animation(*Animate1, FtpAnimation::Clip::FindFolder);
    Finally show([this] {
        m_views->setUpdatesEnabled(true);
        showEntries();
    });
    RemoteClient& client = *FTPClient1;
    pcurdir->setText(qs(client.CurrentDirectory()));
    // A connection made on demand above has listed already.
    m_entries.clear();
    m_views->setUpdatesEnabled(false);
    m_entries = client.ListDirectory(cbHidden->isChecked());
    m_entries.push_back({0, "..", "", "", ""});
    std::stable_sort(m_entries.begin(), m_entries.end(), RemoteListLess);
}

std::vector<int> TfFTP::selectedRows() const {
    std::vector<int> rows;
    const QItemSelectionModel* selection = m_detailView->selectionModel();
    for (int row = 0; row < lvremote->rowCount(); ++row)
        if (selection->isSelected(lvremote->index(row, 0)))
            rows.push_back(row);
    return rows;
}

void TfFTP::selectEntries(const std::vector<std::string>& captions) {
    QItemSelectionModel* selection = m_detailView->selectionModel();
    selection->clearSelection();
    for (int row = 0; row < lvremote->rowCount(); ++row) {
        const std::string caption = str(lvremote->item(row, 0)->text());
        if (std::find(captions.begin(), captions.end(), caption) != captions.end())
            selection->select(lvremote->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

QAbstractItemView* TfFTP::currentView() const {
    return qobject_cast<QAbstractItemView*>(m_views->currentWidget());
}

void TfFTP::changeDirectory(const std::string& directory) {
    {
        BusyScope busy(*this);
        FTPClient1->ChangeDirectory(directory);
    }
    bbListRemoteClick();
}

void TfFTP::lvRemoteDblClick() {
    const std::vector<int> rows = selectedRows();
    if (busy() || rows.empty())
        return;
    const RemoteListItem entry = m_entries[static_cast<std::size_t>(rows.front())];
    if (entry.imageIndex == 0) {
        changeDirectory(entry.caption);
        return;
    }
    const auto chosen =
        m_prompter.saveFile({"Download Files", "", entry.caption, kAllFilesFilter, 1, ""});
    if (!chosen)
        return;
    BusyScope busy(*this);
    pProgress->show();
    Finally hide([this] { pProgress->hide(); });
    DownloadOne(*chosen, entry.caption);
}

void TfFTP::bbChDirRemoteClick() {
    if (busy())
        return;
    const auto directory = m_prompter.inputText(
        "Change Directory:", "Enter name for directory to change to.", str(pcurdir->text()));
    if (directory)
        changeDirectory(*directory);
}

void TfFTP::bbMkDirRemoteClick() {
    if (busy())
        return;
    const auto name = m_prompter.inputText("Make Directory:", "Enter name for new directory.", "");
    if (!name)
        return;
    {
        BusyScope busy(*this);
        FTPClient1->MakeDirectory(*name);
    }
    bbListRemoteClick();
}

void TfFTP::bbrenameRemoteClick() {
    const std::vector<int> rows = selectedRows();
    if (busy() || rows.empty())
        return;
    const std::string from = m_entries[static_cast<std::size_t>(rows.front())].caption;
    const auto to = m_prompter.inputText("Rename File:", "Enter new name for selected file.", from);
    if (!to)
        return;
    {
        BusyScope busy(*this);
        FTPClient1->RenameFile(from, *to);
    }
    bbListRemoteClick();
}

void TfFTP::bbDeleteRemoteClick() {
    const std::vector<int> rows = selectedRows();
    if (busy() || rows.empty())
        return;
    if (m_prompter.message(MessageKind::Confirmation, kDeleteQuestion, Buttons::YesNo) !=
        Answer::Yes)
        return;
    {
        BusyScope busy(*this);
        const std::vector<RemoteListItem> entries = m_entries;
        for (const int row : rows) {
            const RemoteListItem& entry = entries[static_cast<std::size_t>(row)];
            if (entry.imageIndex == 0)
                FTPClient1->RemoveDirectory(entry.caption);
            else
                FTPClient1->DeleteFile(entry.caption);
        }
    }
    bbListRemoteClick();
}

// ---- transfers

void TfFTP::transferOne(const std::function<void()>& transfer) {
    Finally reset([this] {
        Animate1->stop();
        ProgressBar1->setValue(0);
        pprogstat->clear();
    });
    Animate1->setClip(FtpAnimation::Clip::CopyFile);
    Animate1->start();
    transfer();
}

void TfFTP::UploadOne(const std::string& localName, const std::string& remoteName) {
    transferOne([&] { FTPClient1->UploadFile(localName, remoteName); });
}

void TfFTP::DownloadOne(const std::string& localName, const std::string& remoteName) {
    transferOne([&] {
        // The file the user already has stays whole until the new one has fully arrived.
        StagedDownload staged(localName);
        FTPClient1->DownloadFile(remoteName, staged.temporaryName());
        staged.commit();
    });
}

// A block arrives every few microseconds, and laying out the figures for each of them halved
// the transfer rate: the display changes with the bar, at the end, and at least every 50 ms.
void TfFTP::FTPClient1Progress(std::int64_t done, std::int64_t total) {
    const auto percent = ProgressPercent(done, total);
    const auto now = std::chrono::steady_clock::now();
    const bool changed = percent && *percent != ProgressBar1->value();
    if (!changed && done != total && now - m_lastProgress < kProgressInterval)
        return;
    m_lastProgress = now;
    if (percent)
        ProgressBar1->setValue(*percent);
    pprogstat->setText(qs(ProgressText(done, total)));
    emit progressChanged(done, total);
}

void TfFTP::uploadFiles(const std::vector<std::string>& files) {
    {
        BusyScope busy(*this);
        pProgress->show();
        Finally hide([this] { pProgress->hide(); });
        for (const std::string& file : files)
            UploadOne(file, ExtractFileName(file));
    }
    bbListRemoteClick();
}

void TfFTP::bbuploadClick() {
    if (busy())
        return;
    const std::vector<std::string> files =
        m_prompter.openFiles({"Upload Files", "", "", kAllFilesFilter, 1, ""});
    if (!files.empty())
        uploadFiles(files);
}

void TfFTP::uploadDropped(const std::vector<std::string>& files) {
    if (busy() || files.empty())
        return;
    uploadFiles(files);
}

void TfFTP::bbdownloadClick() {
    const std::vector<int> rows = selectedRows();
    if (busy() || rows.empty())
        return;
    const std::vector<RemoteListItem> entries = m_entries;
    const auto chosen = m_prompter.saveFile(
        {"Download Files", "", entries[static_cast<std::size_t>(rows.front())].caption,
         kAllFilesFilter, 1, ""});
    if (!chosen)
        return;
    BusyScope busy(*this);
    pProgress->show();
    Finally hide([this] { pProgress->hide(); });
    bool overwriteAll = false;
    for (const int row : rows) {
        const RemoteListItem& entry = entries[static_cast<std::size_t>(row)];
        if (entry.imageIndex == 0)
            continue;
        const std::string local = DownloadTarget(*chosen, entry.caption);
        if (std::filesystem::exists(local) && !overwriteAll) {
            const Answer answer = m_prompter.message(MessageKind::Confirmation,
                                                     OverwriteQuestion(local), Buttons::YesNoAll);
            if (answer == Answer::All)
                overwriteAll = true;
            else if (answer != Answer::Yes)
                continue;
        }
        DownloadOne(local, entry.caption);
    }
}

void TfFTP::bbAbortClick() {
    BusyCursor cursor(m_prompter);
    pcurdir->clear();
    appendLog("");
    FTPClient1->Abort();
}

// ---- views, log, animation

void TfFTP::ListViewStyleChange() {
    if (sbList->isChecked() || sbsmallicon->isChecked() || sbLargeIcon->isChecked()) {
        const bool large = !sbList->isChecked() && !sbsmallicon->isChecked();
        m_listView->setViewMode(sbList->isChecked() ? QListView::ListMode : QListView::IconMode);
        m_listView->setFlow(sbList->isChecked() ? QListView::TopToBottom : QListView::LeftToRight);
        m_listView->setWrapping(true);
        m_listView->setResizeMode(QListView::Adjust);
        m_listView->setMovement(QListView::Static);
        m_listView->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
        m_listView->setGridSize(sbList->isChecked() ? QSize()
                                : large             ? QSize(96, 64)
                                                    : QSize(140, 22));
        m_views->setCurrentWidget(m_listView);
    } else {
        m_views->setCurrentWidget(m_detailView);
    }
    // The list view takes drops only where its items move; this list takes files always.
    m_listView->viewport()->setAcceptDrops(true);
    m_detailView->viewport()->setAcceptDrops(true);
}

void TfFTP::sbsplitClick() {
    mstatus->setVisible(sbsplit->isChecked());
}

void TfFTP::Animate1Start() {
    Animate1->move((pRemote->width() - Animate1->width()) / 2,
                   (pRemote->height() - Animate1->height()) / 2);
    Animate1->raise();
    Animate1->show();
}

void TfFTP::Animate1Stop() {
    Animate1->hide();
}

void TfFTP::pcurdirResize() {
    pProgress->setGeometry(0, 0, pcurdir->width(), pcurdir->height());
}

// ---- window events

bool TfFTP::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pcurdir && event->type() == QEvent::Resize) {
        pcurdirResize();
        return false;
    }
    if (m_listView == nullptr || m_detailView == nullptr ||
        (watched != m_listView->viewport() && watched != m_detailView->viewport()))
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!drag->mimeData()->hasUrls())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        std::vector<std::string> files;
        for (const QUrl& url : drop->mimeData()->urls())
            if (url.isLocalFile())
                files.push_back(str(url.toLocalFile()));
        drop->acceptProposedAction();
        // The drop is answered first: the upload's waits must not run inside it.
        QTimer::singleShot(0, this,
                           [this, files] { runCommand([this, files] { uploadDropped(files); }); });
        return true;
    }
    default:
        return false;
    }
}

void TfFTP::closeEvent(QCloseEvent* event) {
    if (!m_closeAgreed && sbDisconnect->isEnabled() &&
        m_prompter.message(MessageKind::Confirmation, kStillConnectedQuestion,
                           Buttons::YesNoCancel) != Answer::Yes) {
        event->ignore();
        return;
    }
    if (m_commandDepth > 0) {
        m_closeAgreed = true;
        FTPClient1->Abort();
        event->ignore();
        return;
    }
    try {
        std::filesystem::create_directories(std::filesystem::path(m_settingsFile).parent_path());
        IniFile settings(m_settingsFile);
        settings.writeString("startup", "lastserver", str(cbServer->currentText()));
        settings.save();
    } catch (const std::exception& error) {
        m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
    }
    event->accept();
}

} // namespace velloran
