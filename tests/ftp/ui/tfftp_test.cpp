// The FTP window through its real controls against pyftpdlib on 127.0.0.1, in passive and in
// active mode, with scripted answers to its questions.
#include "ftp/ftpclient.h"
#include "ftp/ftpwindowrules.h"
#include "ftp/tlslink.h"
#include "ftp/ui/ftpanimation.h"
#include "ftp/ui/tfftp.h"
#include "ftpservers.h"
#include "platform/inifile.h"
#include "platform/prompter.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/stat.h>

using namespace velloran;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string& name) {
    std::stringstream bytes;
    bytes << std::ifstream(name, std::ios::binary).rdbuf();
    return bytes.str();
}

void Spit(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}

std::string RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

// Lets posted events run, the deferred deletion of a closed window among them.
void Settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

bool HasMessage(const ScriptedPrompter& prompter, const std::string& text) {
    return std::any_of(prompter.messages.begin(), prompter.messages.end(),
                       [&](const auto& record) { return record.text == text; });
}

class FtpWindow : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (!velloran::testing::PyFtpServer::available())
            GTEST_SKIP() << "pyftpdlib is not available here";
        fs::create_directory(m_root.file("pub"));
        fs::create_directory(m_root.file("pub/sub"));
        Spit(m_root.file("pub/index.htm"), "<html>index</html>");
        Spit(m_root.file("pub/.hidden"), "dot");
        Spit(m_root.file("pub/sub/inner.htm"), "inner");
        m_server = std::make_unique<velloran::testing::PyFtpServer>(m_root.path);
        m_window = openWindow();
    }
    void TearDown() override {
        delete m_window.data();
        Settle();
    }

    TfFTP* openWindow() {
        auto* window = new TfFTP(m_prompter, settingsFile(), serversFile());
        window->show();
        return window;
    }
    std::string settingsFile() const { return m_config.file("velloran.ini"); }
    std::string serversFile() const { return m_config.file("servers.ini"); }
    std::string serverText(const std::string& directory = "/pub") const {
        return "127.0.0.1:" + std::to_string(m_server->port()) + directory;
    }
    void fillLogin(const std::string& directory = "/pub") {
        m_window->cbServer->setEditText(QString::fromStdString(serverText(directory)));
        m_window->eUserName->setText(QString::fromStdString(m_server->user()));
        m_window->ePwd->setText(QString::fromStdString(m_server->password()));
        m_window->cbPassive->setChecked(GetParam());
    }
    void connectWindow(const std::string& directory = "/pub") {
        fillLogin(directory);
        m_window->sbConnect->trigger();
        ASSERT_TRUE(m_window->client().Connected()) << lastMessage();
    }
    std::vector<std::string> captions() const {
        std::vector<std::string> names;
        for (const RemoteListItem& entry : m_window->entries())
            names.push_back(entry.caption);
        return names;
    }
    std::string lastMessage() const {
        return m_prompter.messages.empty() ? "" : m_prompter.messages.back().text;
    }
    std::string log() const { return m_window->mstatus->toPlainText().toStdString(); }
    void doubleClick(const std::string& caption) {
        QAbstractItemView* view = m_window->currentView();
        const auto rows = captions();
        const auto row = std::find(rows.begin(), rows.end(), caption) - rows.begin();
        ASSERT_LT(row, static_cast<long>(rows.size())) << caption;
        const QRect place = view->visualRect(view->model()->index(static_cast<int>(row), 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, place.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, place.center());
    }

    TempDir m_root;
    TempDir m_local;
    TempDir m_config;
    std::unique_ptr<velloran::testing::PyFtpServer> m_server;
    ScriptedPrompter m_prompter;
    QPointer<TfFTP> m_window;
};

TEST_P(FtpWindow, ConnectsListsBrowsesCreatesAndDisconnects) {
    connectWindow();
    EXPECT_FALSE(m_window->sbConnect->isEnabled());
    EXPECT_TRUE(m_window->sbDisconnect->isEnabled());
    EXPECT_EQ(m_window->pcurdir->text(), "/pub");
    EXPECT_EQ(captions(), (std::vector<std::string>{"..", "sub", "index.htm"}));
    EXPECT_EQ(m_window->entries()[1].imageIndex, 0);
    EXPECT_EQ(m_window->entries()[1].attributes.substr(0, 1), "d");
    EXPECT_EQ(m_window->entries()[2].size, "18");
    EXPECT_FALSE(m_window->busy());
    EXPECT_EQ(m_prompter.busyDepth, 0);
    EXPECT_NE(log().find("CWD /pub"), std::string::npos);
    EXPECT_EQ(log().find("\r"), std::string::npos); // every line without its CR LF

    doubleClick("sub");
    EXPECT_EQ(m_window->pcurdir->text(), "/pub/sub");
    EXPECT_EQ(captions(), (std::vector<std::string>{"..", "inner.htm"}));
    doubleClick("..");
    EXPECT_EQ(m_window->pcurdir->text(), "/pub");

    m_prompter.planInput("made");
    m_window->sbMkDirRemote->trigger();
    EXPECT_TRUE(fs::is_directory(m_root.file("pub/made")));
    EXPECT_EQ(captions(), (std::vector<std::string>{"..", "made", "sub", "index.htm"}));

    // Hidden on lists the dot file at once.
    m_window->cbHidden->click();
    const auto shown = captions();
    EXPECT_NE(std::find(shown.begin(), shown.end(), ".hidden"), shown.end());

    m_window->sbDisconnect->trigger();
    EXPECT_FALSE(m_window->client().Connected());
    EXPECT_TRUE(m_window->sbConnect->isEnabled());
    EXPECT_FALSE(m_window->sbDisconnect->isEnabled());
    EXPECT_TRUE(m_window->entries().empty());
    EXPECT_EQ(m_window->pcurdir->text(), "");
    EXPECT_TRUE(m_prompter.messages.empty()) << lastMessage();
}

TEST_P(FtpWindow, UploadsRenamesDownloadsOverExistingFilesAndDeletes) {
    connectWindow();
    std::vector<std::string> pages;
    for (const char* name : {"a.htm", "b.htm", "c.htm"}) {
        pages.push_back(m_local.file(name));
        Spit(pages.back(), RandomBytes(300000, static_cast<unsigned>(pages.size())));
    }
    int progressSteps = 0;
    int largestPercent = 0;
    QObject::connect(m_window, &TfFTP::progressChanged, [&](qint64 done, qint64 total) {
        ++progressSteps;
        largestPercent = std::max(largestPercent, m_window->ProgressBar1->value());
        EXPECT_TRUE(m_window->pProgress->isVisible());
        EXPECT_EQ(m_window->pprogstat->text().toStdString(), ProgressText(done, total));
    });
    m_prompter.planFiles(pages);
    m_window->sbupload->trigger();
    for (const std::string& page : pages)
        EXPECT_EQ(Slurp(m_root.file("pub/" + fs::path(page).filename().string())), Slurp(page));
    EXPECT_GT(progressSteps, 3);
    EXPECT_EQ(largestPercent, 100);
    EXPECT_FALSE(m_window->pProgress->isVisible());
    EXPECT_EQ(m_window->ProgressBar1->value(), 0);
    EXPECT_EQ(m_window->pprogstat->text(), "");
    EXPECT_EQ(captions(),
              (std::vector<std::string>{"..", "sub", "a.htm", "b.htm", "c.htm", "index.htm"}));

    m_window->selectEntries({"c.htm"});
    m_prompter.planInput("renamed.htm");
    m_window->sbrenameRemote->trigger();
    EXPECT_TRUE(fs::exists(m_root.file("pub/renamed.htm")));
    EXPECT_FALSE(fs::exists(m_root.file("pub/c.htm")));

    // Two files exist here already; All at the first question takes the second unasked.
    const TempDir target;
    Spit(target.file("a.htm"), "old a");
    Spit(target.file("b.htm"), "old b");
    m_window->selectEntries({"sub", "a.htm", "b.htm", "index.htm"});
    m_prompter.planFile(target.file("chosen.htm"));
    m_prompter.planAnswer(Answer::All);
    m_prompter.messages.clear();
    m_window->sbdownload->trigger();
    ASSERT_EQ(m_prompter.messages.size(), 1u) << lastMessage();
    EXPECT_EQ(m_prompter.messages[0].text, OverwriteQuestion(target.file("a.htm")));
    EXPECT_EQ(m_prompter.messages[0].buttons, Buttons::YesNoAll);
    EXPECT_EQ(Slurp(target.file("a.htm")), Slurp(pages[0]));
    EXPECT_EQ(Slurp(target.file("b.htm")), Slurp(pages[1]));
    EXPECT_EQ(Slurp(target.file("index.htm")), "<html>index</html>");
    EXPECT_EQ(target.entries(), (std::set<std::string>{"a.htm", "b.htm", "index.htm"}));

    // No at the question keeps the file the user has.
    m_window->selectEntries({"a.htm"});
    m_prompter.planFile(target.file("a.htm"));
    m_prompter.planAnswer(Answer::No);
    Spit(target.file("a.htm"), "kept");
    m_window->sbdownload->trigger();
    EXPECT_EQ(Slurp(target.file("a.htm")), "kept");

    m_window->selectEntries({"sub", "renamed.htm"});
    fs::remove(m_root.file("pub/sub/inner.htm"));
    m_prompter.planAnswer(Answer::Yes);
    m_prompter.messages.clear();
    m_window->sbDeleteRemote->trigger();
    ASSERT_EQ(m_prompter.messages.size(), 1u) << lastMessage();
    EXPECT_EQ(m_prompter.messages[0].text, "Delete selected File(s)?");
    EXPECT_FALSE(fs::exists(m_root.file("pub/sub")));
    EXPECT_FALSE(fs::exists(m_root.file("pub/renamed.htm")));
    EXPECT_EQ(captions(), (std::vector<std::string>{"..", "a.htm", "b.htm", "index.htm"}));
}

// While a download runs, other commands are refused and Abort ends it; the session goes on.
TEST_P(FtpWindow, AbortEndsABusyDownloadAndTheSessionGoesOn) {
    Spit(m_root.file("pub/big.bin"), RandomBytes(48 << 20, 7));
    ::chmod(m_root.file("pub/big.bin").c_str(), 0644);
    connectWindow();
    Spit(m_local.file("big.bin"), "what the user had");
    bool aborted = false;
    std::size_t logLength = 0;
    QObject::connect(m_window, &TfFTP::progressChanged, [&](qint64 done, qint64) {
        if (aborted || done < (4 << 20))
            return;
        aborted = true;
        EXPECT_TRUE(m_window->busy());
        logLength = log().size();
        m_window->sbListRemote->trigger();
        m_window->sbDisconnect->trigger();
        m_window->sbdownload->trigger();
        EXPECT_EQ(log().size(), logLength); // nothing went to the server
        m_window->sbAbort->trigger();
    });
    m_window->selectEntries({"big.bin"});
    m_prompter.planFile(m_local.file("big.bin"));
    m_prompter.planAnswer(Answer::Yes);
    m_window->sbdownload->trigger();
    ASSERT_TRUE(aborted);
    EXPECT_EQ(m_prompter.messages.back().kind, MessageKind::Error);
    EXPECT_EQ(Slurp(m_local.file("big.bin")), "what the user had");
    EXPECT_EQ(m_local.entries(), std::set<std::string>{"big.bin"});
    EXPECT_FALSE(m_window->busy());
    EXPECT_EQ(m_prompter.busyDepth, 0);
    EXPECT_TRUE(m_window->client().Connected());
    EXPECT_TRUE(m_window->sbDisconnect->isEnabled());
    m_window->sbListRemote->trigger();
    EXPECT_EQ(m_window->pcurdir->text(), "/pub");
    EXPECT_EQ(captions(), (std::vector<std::string>{"..", "sub", "big.bin", "index.htm"}));
}

TEST_P(FtpWindow, ClosingDuringATransferAbortsItAndThenCloses) {
    Spit(m_root.file("pub/big.bin"), RandomBytes(48 << 20, 8));
    ::chmod(m_root.file("pub/big.bin").c_str(), 0644);
    connectWindow();
    bool closing = false;
    QObject::connect(m_window, &TfFTP::progressChanged, [&](qint64 done, qint64) {
        if (closing || done < (4 << 20))
            return;
        closing = true;
        m_prompter.planAnswer(Answer::Yes);
        EXPECT_FALSE(m_window->close()); // not inside the transfer's own wait
    });
    m_window->selectEntries({"big.bin"});
    m_prompter.planFile(m_local.file("big.bin"));
    QPointer<TfFTP> window = m_window;
    window->sbdownload->trigger();
    ASSERT_TRUE(closing);
    Settle();
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(m_local.entries().empty());
    EXPECT_EQ(m_prompter.messages.back().text, kStillConnectedQuestion);
    EXPECT_EQ(IniFile(settingsFile()).readString("startup", "lastserver", ""), serverText());
}

TEST_P(FtpWindow, AnOperationWithoutAConnectionOffersToConnect) {
    fillLogin();
    m_window->sbListRemote->trigger();
    EXPECT_EQ(lastMessage(), "Not Connected"); // Cancel
    EXPECT_TRUE(HasMessage(m_prompter, "Connection Required. Connect?"));
    m_prompter.messages.clear();
    m_prompter.planAnswer(Answer::Ok);
    m_window->sbListRemote->trigger();
    ASSERT_EQ(m_prompter.messages.size(), 1u) << lastMessage();
    EXPECT_TRUE(m_window->client().Connected());
    EXPECT_EQ(captions(), (std::vector<std::string>{"..", "sub", "index.htm"}));
    EXPECT_EQ(m_prompter.busyDepth, 0);
}

TEST_P(FtpWindow, DroppedFilesAreUploadedInDropOrder) {
    connectWindow();
    Spit(m_local.file("one.htm"), "1");
    Spit(m_local.file("two.htm"), "22");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(m_local.file("one.htm"))),
                  QUrl::fromLocalFile(QString::fromStdString(m_local.file("two.htm")))});
    QWidget* target = m_window->currentView()->viewport();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    EXPECT_TRUE(drop.isAccepted());
    Settle();
    EXPECT_EQ(Slurp(m_root.file("pub/one.htm")), "1");
    EXPECT_EQ(Slurp(m_root.file("pub/two.htm")), "22");
    const std::string text = log();
    EXPECT_LT(text.find("STOR one.htm"), text.find("STOR two.htm"));
    EXPECT_EQ(captions(),
              (std::vector<std::string>{"..", "sub", "index.htm", "one.htm", "two.htm"}));
}

TEST_P(FtpWindow, ProfilesAreKeptOwnerOnlyAndTheLastServerComesBack) {
    m_window->sbNewServer->trigger();
    EXPECT_EQ(m_window->eUserName->text(), "anonymous");
    EXPECT_EQ(m_window->ePwd->text().toStdString(), DefaultAnonymousPassword);
    fillLogin();
    m_window->sbSaveServer->trigger();
    m_window->sbSaveServer->trigger();
    EXPECT_EQ(m_window->cbServer->count(), 1);
    struct stat info {};
    ASSERT_EQ(::stat(serversFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const IniFile servers(serversFile());
    EXPECT_EQ(servers.readString(serverText(), "username", ""), m_server->user());
    EXPECT_EQ(servers.readString(serverText(), "password", ""), m_server->password());
    EXPECT_EQ(servers.readString(serverText(), "passive", ""), GetParam() ? "1" : "0");
    EXPECT_TRUE(m_window->close()); // not connected: no question
    Settle();
    EXPECT_TRUE(m_prompter.messages.empty()) << lastMessage();

    m_window = openWindow();
    EXPECT_EQ(m_window->cbServer->currentText().toStdString(), serverText());
    EXPECT_EQ(m_window->eUserName->text().toStdString(), m_server->user());
    EXPECT_EQ(m_window->cbPassive->isChecked(), GetParam());
    m_window->sbConnect->trigger();
    EXPECT_EQ(captions(), (std::vector<std::string>{"..", "sub", "index.htm"}));

    m_prompter.planAnswer(Answer::No);
    EXPECT_FALSE(m_window->close());
    EXPECT_EQ(lastMessage(), kStillConnectedQuestion);
    EXPECT_EQ(m_prompter.messages.back().buttons, Buttons::YesNoCancel);
    m_window->sbDisconnect->trigger();

    m_window->sbDelServer->trigger();
    EXPECT_EQ(m_window->cbServer->count(), 0);
    EXPECT_EQ(m_window->cbServer->currentText(), "");
    EXPECT_EQ(m_window->eUserName->text(), "");
    EXPECT_EQ(m_window->ePwd->text(), "");
    EXPECT_FALSE(IniFile(serversFile()).hasSection(serverText()));
}

TEST_P(FtpWindow, AServerThatDoesNotAnswerIsReported) {
    fillLogin();
    const int port = m_server->port();
    m_server.reset(); // nobody listens there now
    m_window->cbServer->setEditText(QString::fromStdString("127.0.0.1:" + std::to_string(port)));
    m_window->sbConnect->trigger();
    ASSERT_EQ(m_prompter.messages.size(), 2u) << lastMessage();
    EXPECT_EQ(m_prompter.messages[0].text, "Unable to connect to server");
    EXPECT_EQ(m_prompter.messages[1].text, "Connection Failed");
    EXPECT_TRUE(m_window->sbConnect->isEnabled());
    EXPECT_FALSE(m_window->sbDisconnect->isEnabled());
    EXPECT_FALSE(m_window->Animate1->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Modes, FtpWindow, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "passive" : "active"; });

TEST(FtpWindowViews, StylesAndTheLogToggle) {
    ScriptedPrompter prompter;
    const TempDir config;
    TfFTP window(prompter, config.file("velloran.ini"), config.file("servers.ini"));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    EXPECT_EQ(window.windowTitle(), "Velloran FTP");
    EXPECT_TRUE(window.sbList->isChecked());
    window.sbDetail->trigger();
    EXPECT_NE(qobject_cast<QTreeView*>(window.currentView()), nullptr);
    EXPECT_FALSE(window.sbList->isChecked());
    window.sbLargeIcon->trigger();
    EXPECT_EQ(window.currentView()->iconSize(), QSize(32, 32));
    window.sbsmallicon->trigger();
    EXPECT_EQ(window.currentView()->iconSize(), QSize(16, 16));
    EXPECT_TRUE(window.mstatus->isVisible());
    window.sbsplit->trigger();
    EXPECT_FALSE(window.mstatus->isVisible());
    window.sbsplit->trigger();
    EXPECT_TRUE(window.mstatus->isVisible());
    // Connect with no server text does nothing.
    window.sbConnect->trigger();
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(prompter.busyPeak, 0);
}

TEST(FtpWindowViews, TheProxySettingsReachTheClient) {
    ScriptedPrompter prompter;
    const TempDir config;
    IniFile settings(config.file("velloran.ini"));
    settings.writeString("FTP Proxy", "UseProxy", "1");
    settings.writeString("FTP Proxy", "ProxyName", "proxy.example.org");
    settings.writeString("FTP Proxy", "ProxyPort", "none");
    settings.save();
    TfFTP window(prompter, config.file("velloran.ini"), config.file("servers.ini"));
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    EXPECT_EQ(window.client().Proxy, "proxy.example.org");
    EXPECT_EQ(window.client().ProxyPort, 21);
    settings.writeString("FTP Proxy", "UseProxy", "0");
    settings.save();
    TfFTP without(prompter, config.file("velloran.ini"), config.file("servers.ini"));
    without.setAttribute(Qt::WA_DeleteOnClose, false);
    EXPECT_EQ(without.client().Proxy, "");
}

} // namespace

TEST(FtpWindowTls, AnUnknownIdentityIsAskedOnceThenTrustedFromTheProfile) {
    if (!velloran::testing::PyFtpServer::tlsAvailable() ||
        !velloran::testing::TestCertificate::available())
        GTEST_SKIP() << "pyftpdlib with TLS or openssl is not available here";
    TempDir root, config;
    fs::create_directory(root.file("pub"));
    Spit(root.file("pub/index.htm"), "<html>index</html>");
    velloran::testing::TestCertificate certificate;
    velloran::testing::PyFtpServer server(root.path, "user", "secret", &certificate);
    const std::string servers = config.file("servers.ini");
    const QString serverText = QString("127.0.0.1:%1/pub").arg(server.port());
    ScriptedPrompter prompter;
    {
        TfFTP window(prompter, config.file("velloran.ini"), servers);
        window.cbServer->setEditText(serverText);
        window.eUserName->setText("user");
        window.ePwd->setText("secret");
        window.cbProtocol->setCurrentIndex(
            window.cbProtocol->findData(static_cast<int>(TransferProtocol::Ftps)));
        window.sbSaveServer->trigger();
        prompter.planAnswer(Answer::Yes);
        window.sbConnect->trigger();
        ASSERT_TRUE(window.client().Connected())
            << (prompter.messages.empty() ? "" : prompter.messages.back().text);
        ASSERT_EQ(prompter.messages.size(), 1u);
        EXPECT_NE(prompter.messages[0].text.find(certificate.fingerprint()), std::string::npos);
        EXPECT_EQ(window.entries().size(), 2u); // ".." and the page, over TLS
        window.sbDisconnect->trigger();
    }
    const ServerProfile stored = ServerProfiles(servers).load(serverText.toStdString());
    EXPECT_EQ(stored.protocol, TransferProtocol::Ftps);
    EXPECT_TRUE(SameFingerprint(stored.fingerprint, certificate.fingerprint()));

    TfFTP window(prompter, config.file("velloran.ini"), servers);
    window.cbServer->setCurrentIndex(window.cbServer->findText(serverText));
    window.cbServerClick();
    window.sbConnect->trigger();
    EXPECT_TRUE(window.client().Connected());
    EXPECT_EQ(prompter.messages.size(), 1u); // trusted without asking again
    window.sbDisconnect->trigger();
}

namespace {

using velloran::testing::SshServer;

// The window over SFTP against sshd: its host key known nowhere but in the profile, the
// log-in with the fixture's key, and no agent of the desktop the tests run on.
class SftpWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SshServer::available())
            GTEST_SKIP() << "sshd is not available here (it needs openssh-server and root)";
        fs::create_directory(m_root.file("pub"));
        fs::create_directory(m_root.file("pub/sub"));
        Spit(m_root.file("pub/index.htm"), "<html>index</html>");
        Spit(m_root.file("pub/sub/inner.htm"), "inner");
        m_server = std::make_unique<SshServer>();
        m_window = openWindow();
    }
    void TearDown() override {
        delete m_window.data();
        Settle();
    }
    TfFTP* openWindow() {
        auto* window = new TfFTP(m_prompter, m_config.file("velloran.ini"), serversFile());
        window->sshPlaces = {m_server->clientSshDir(), m_config.file("known_hosts"),
                             m_config.file("no-agent")};
        window->show();
        return window;
    }
    std::string serversFile() const { return m_config.file("servers.ini"); }
    std::string serverText() const {
        return "127.0.0.1:" + std::to_string(m_server->port()) + m_root.file("pub");
    }
    void connectWindow() {
        m_window->cbServer->setEditText(QString::fromStdString(serverText()));
        m_window->eUserName->setText(QString::fromStdString(m_server->user()));
        m_window->ePwd->clear();
        m_window->cbProtocol->setCurrentIndex(
            m_window->cbProtocol->findData(static_cast<int>(TransferProtocol::Sftp)));
        m_prompter.planAnswer(Answer::Yes); // the unknown host key
        m_window->sbConnect->trigger();
        ASSERT_TRUE(m_window->client().Connected()) << lastMessage();
        ASSERT_EQ(m_window->client().Protocol(), TransferProtocol::Sftp);
        m_prompter.messages.clear();
    }
    std::vector<std::string> captions() const {
        std::vector<std::string> names;
        for (const RemoteListItem& entry : m_window->entries())
            names.push_back(entry.caption);
        return names;
    }
    const RemoteListItem& entry(const std::string& caption) const {
        const auto& all = m_window->entries();
        return *std::find_if(all.begin(), all.end(),
                             [&](const RemoteListItem& e) { return e.caption == caption; });
    }
    std::string lastMessage() const {
        return m_prompter.messages.empty() ? "" : m_prompter.messages.back().text;
    }

    TempDir m_root;
    TempDir m_local;
    TempDir m_config;
    std::unique_ptr<SshServer> m_server;
    ScriptedPrompter m_prompter;
    QPointer<TfFTP> m_window;
};

} // namespace

TEST_F(SftpWindow, TrustsOnceListsInTheFtpColumnsAndRefusesAChangedKey) {
    m_window->cbServer->setEditText(QString::fromStdString(serverText()));
    m_window->cbProtocol->setCurrentIndex(
        m_window->cbProtocol->findData(static_cast<int>(TransferProtocol::Sftp)));
    m_window->eUserName->setText(QString::fromStdString(m_server->user()));
    m_window->ePwd->clear();
    m_window->sbSaveServer->trigger();
    m_prompter.planAnswer(Answer::Yes);
    m_window->sbConnect->trigger();
    ASSERT_TRUE(m_window->client().Connected()) << lastMessage();
    ASSERT_EQ(m_prompter.messages.size(), 1u) << lastMessage();
    EXPECT_EQ(m_prompter.messages[0].buttons, Buttons::YesNo);
    EXPECT_TRUE(m_prompter.messages[0].text.starts_with("The server's identity is not known"));
    EXPECT_NE(m_prompter.messages[0].text.find(m_server->hostKeyFingerprint()), std::string::npos);
    EXPECT_EQ(m_window->pcurdir->text().toStdString(), fs::canonical(m_root.file("pub")).string());
    EXPECT_EQ(captions(), (std::vector<std::string>{"..", "sub", "index.htm"}));
    EXPECT_EQ(entry("sub").imageIndex, 0);
    EXPECT_EQ(entry("sub").attributes.substr(0, 1), "d");
    EXPECT_EQ(entry("index.htm").size, "18");
    EXPECT_EQ(entry("index.htm").attributes.size(), 10u);
    EXPECT_EQ(entry("index.htm").date.size(), 12u);
    EXPECT_FALSE(m_window->cbPassive->isEnabled());
    const IniFile servers(serversFile());
    EXPECT_EQ(servers.readString(serverText(), "protocol", ""), "sftp");
    EXPECT_EQ(servers.readString(serverText(), "fingerprint", ""), m_server->hostKeyFingerprint());

    m_prompter.planInput("made");
    m_window->sbMkDirRemote->trigger();
    EXPECT_TRUE(fs::is_directory(m_root.file("pub/made")));
    m_prompter.planInput("sub");
    m_window->sbChDirRemote->trigger();
    EXPECT_EQ(captions(), (std::vector<std::string>{"..", "inner.htm"}));
    m_window->sbDisconnect->trigger();
    EXPECT_FALSE(m_window->client().Connected());
    EXPECT_TRUE(m_window->sbConnect->isEnabled());
    EXPECT_EQ(m_prompter.messages.size(), 1u) << lastMessage();

    // The pinned key is trusted without a question from the stored profile.
    EXPECT_TRUE(m_window->close());
    Settle();
    m_window = openWindow();
    EXPECT_EQ(m_window->cbServer->currentText().toStdString(), serverText());
    m_window->sbConnect->trigger();
    EXPECT_TRUE(m_window->client().Connected()) << lastMessage();
    EXPECT_EQ(m_prompter.messages.size(), 1u) << lastMessage();
    m_window->sbDisconnect->trigger();

    // Another key than the pinned one is refused with a warning, never asked about.
    IniFile edited(serversFile());
    edited.writeString(serverText(), "fingerprint",
                       "SHA256:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
    edited.save();
    m_window->cbServerClick();
    m_prompter.planAnswer(Answer::Yes);
    m_window->sbConnect->trigger();
    EXPECT_FALSE(m_window->client().Connected());
    ASSERT_EQ(m_prompter.messages.size(), 2u);
    EXPECT_EQ(m_prompter.messages[1].kind, MessageKind::Error);
    EXPECT_NE(lastMessage().find("has changed"), std::string::npos) << lastMessage();
    EXPECT_TRUE(m_window->sbConnect->isEnabled());
}

TEST_F(SftpWindow, UploadsDownloadsRenamesAndDeletesByteForByte) {
    connectWindow();
    std::vector<std::string> pages;
    for (const char* name : {"a.htm", "b.htm", "c.bin"}) {
        pages.push_back(m_local.file(name));
        Spit(pages.back(), RandomBytes(pages.size() == 3 ? 3 << 20 : 5000, pages.size()));
    }
    int largestPercent = 0;
    QObject::connect(m_window, &TfFTP::progressChanged, [&](qint64, qint64) {
        largestPercent = std::max(largestPercent, m_window->ProgressBar1->value());
    });
    m_prompter.planFiles(pages);
    m_window->sbupload->trigger();
    ASSERT_TRUE(m_prompter.messages.empty()) << lastMessage();
    for (const std::string& page : pages)
        EXPECT_EQ(Slurp(m_root.file("pub/" + fs::path(page).filename().string())), Slurp(page));
    EXPECT_EQ(largestPercent, 100);
    EXPECT_EQ(captions(),
              (std::vector<std::string>{"..", "sub", "a.htm", "b.htm", "c.bin", "index.htm"}));
    const std::string log = m_window->mstatus->toPlainText().toStdString();
    EXPECT_NE(log.find("Sent 5000 Bytes"), std::string::npos) << log;

    m_window->selectEntries({"b.htm"});
    m_prompter.planInput("renamed.htm");
    m_window->sbrenameRemote->trigger();
    EXPECT_EQ(Slurp(m_root.file("pub/renamed.htm")), Slurp(pages[1]));
    EXPECT_FALSE(fs::exists(m_root.file("pub/b.htm")));

    const TempDir target;
    Spit(target.file("a.htm"), "old a");
    m_window->selectEntries({"sub", "a.htm", "c.bin"});
    m_prompter.planFile(target.file("chosen"));
    m_prompter.planAnswer(Answer::Yes);
    m_window->sbdownload->trigger();
    ASSERT_EQ(m_prompter.messages.size(), 1u) << lastMessage();
    EXPECT_EQ(m_prompter.messages[0].text, OverwriteQuestion(target.file("a.htm")));
    EXPECT_EQ(Slurp(target.file("a.htm")), Slurp(pages[0]));
    EXPECT_EQ(Slurp(target.file("c.bin")), Slurp(pages[2]));
    EXPECT_EQ(target.entries(), (std::set<std::string>{"a.htm", "c.bin"}));

    fs::remove(m_root.file("pub/sub/inner.htm"));
    m_window->selectEntries({"sub", "renamed.htm"});
    m_prompter.planAnswer(Answer::Yes);
    m_window->sbDeleteRemote->trigger();
    EXPECT_FALSE(fs::exists(m_root.file("pub/sub")));
    EXPECT_FALSE(fs::exists(m_root.file("pub/renamed.htm")));
    EXPECT_EQ(captions(), (std::vector<std::string>{"..", "a.htm", "c.bin", "index.htm"}));
    EXPECT_EQ(m_prompter.messages.size(), 2u) << lastMessage();
}

TEST_F(SftpWindow, AbortEndsADownloadAndTheSessionGoesOn) {
    Spit(m_root.file("pub/big.bin"), RandomBytes(48 << 20, 9));
    connectWindow();
    Spit(m_local.file("big.bin"), "what the user had");
    bool aborted = false;
    QObject::connect(m_window, &TfFTP::progressChanged, [&](qint64 done, qint64) {
        if (aborted || done < (4 << 20))
            return;
        aborted = true;
        EXPECT_TRUE(m_window->busy());
        m_window->sbListRemote->trigger(); // refused while busy
        m_window->sbAbort->trigger();
    });
    m_window->selectEntries({"big.bin"});
    m_prompter.planFile(m_local.file("big.bin"));
    m_prompter.planAnswer(Answer::Yes);
    m_window->sbdownload->trigger();
    ASSERT_TRUE(aborted);
    EXPECT_EQ(m_prompter.messages.back().kind, MessageKind::Error);
    EXPECT_EQ(Slurp(m_local.file("big.bin")), "what the user had");
    EXPECT_EQ(m_local.entries(), std::set<std::string>{"big.bin"});
    EXPECT_FALSE(m_window->busy());
    EXPECT_EQ(m_prompter.busyDepth, 0);
    EXPECT_TRUE(m_window->client().Connected());
    m_window->sbListRemote->trigger();
    EXPECT_EQ(captions(), (std::vector<std::string>{"..", "sub", "big.bin", "index.htm"}));
}
