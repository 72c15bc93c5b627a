// The client over explicit TLS against pyftpdlib's TLS handler and vsftpd (which insists on
// resumed data sessions), in active and passive mode, with a certificate the fixture makes;
// the trust rules for identities nobody vouches for; and servers that will not speak TLS.
#include "ftp/ftpclient.h"
#include "ftp/listparser.h"
#include "ftp/protocol.h"
#include "ftpservers.h"
#include "scriptedserver.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <tuple>

using namespace velloran;
namespace fs = std::filesystem;
using velloran::testing::PyFtpServer;
using velloran::testing::TestCertificate;
using velloran::testing::VsFtpServer;

namespace {

using Lines = std::vector<std::string>;

std::string Slurp(const std::string& name) {
    std::stringstream bytes;
    bytes << std::ifstream(name, std::ios::binary).rdbuf();
    return bytes.str();
}

std::string RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

std::string Failure(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no error";
}

bool Logged(const Lines& log, const std::string& prefix) {
    return std::any_of(log.begin(), log.end(),
                       [&](const std::string& line) { return line.starts_with(prefix); });
}

// One TLS server of the kind under test serving "pub", with a client that trusts the
// fixture's certificate as its certificate authority.
class TlsServer : public ::testing::TestWithParam<std::tuple<std::string, bool>> {
protected:
    void SetUp() override {
        const auto& [server, passive] = GetParam();
        if (!TestCertificate::available())
            GTEST_SKIP() << "openssl is not available here";
        m_vsftpd = server == "vsftpd";
        if (m_vsftpd ? !VsFtpServer::available() : !PyFtpServer::tlsAvailable())
            GTEST_SKIP() << server << " with TLS is not available here";
        m_certificate = std::make_unique<TestCertificate>();
        fs::create_directory(m_root.file("pub"));
        std::ofstream(m_root.file("pub/index.htm")) << "<p>home</p>";
        Configure(m_client);
        m_client.Passive = passive;
        m_client.CaFile = m_certificate->certFile();
    }
    void TearDown() override {
        if (m_client.Connected())
            m_client.Disconnect();
    }

    void StartServer() {
        if (m_vsftpd) {
            m_vsftpdServer = std::make_unique<VsFtpServer>(m_root.path, m_certificate.get());
            m_port = m_vsftpdServer->port();
        } else {
            m_pyftpd =
                std::make_unique<PyFtpServer>(m_root.path, "user", "secret", m_certificate.get());
            m_port = m_pyftpd->port();
        }
    }

    void Configure(TFtpClient& client) {
        client.Host = "127.0.0.1";
        client.UseTls = true;
        client.UserID = m_vsftpd ? "anonymous" : "user";
        client.Password = m_vsftpd ? DefaultAnonymousPassword : "secret";
        client.ReportLevel = 2;
        client.OnStatus = [this](TAsyncSocket&, const std::string& text) { m_log.push_back(text); };
    }

    std::vector<std::string> ListNames() {
        std::vector<std::string> names;
        m_client.OnListItem = [&](const std::string& line) {
            if (auto item = ParseListLine(line, false).item)
                names.push_back(item->caption);
        };
        m_client.SetTransferType(1);
        m_client.ListDirectory();
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string ServerFile(const std::string& name) const { return m_root.file("pub/" + name); }

    bool m_vsftpd = false;
    TempDir m_root;
    TempDir m_local;
    std::unique_ptr<TestCertificate> m_certificate;
    std::unique_ptr<PyFtpServer> m_pyftpd;
    std::unique_ptr<VsFtpServer> m_vsftpdServer;
    int m_port = 0;
    Lines m_log;
    TFtpClient m_client;
};

} // namespace

TEST_P(TlsServer, LoginListAndTransfersAreEncryptedEndToEnd) {
    StartServer();
    m_client.Port = m_port;
    int questions = 0;
    m_client.OnUnknownIdentity = [&](const TlsIdentity&) { return ++questions, false; };
    m_client.Connect();
    EXPECT_EQ(questions, 0) << "a certificate the CA store vouches for needs no question";
    EXPECT_TRUE(m_client.ServerIdentity().verified);
    EXPECT_EQ(m_client.ServerIdentity().fingerprint, m_certificate->fingerprint());
    EXPECT_TRUE(m_client.Tls() != nullptr);
    const auto at = [&](const std::string& prefix) {
        return std::find_if(m_log.begin(), m_log.end(),
                            [&](const std::string& line) { return line.starts_with(prefix); }) -
               m_log.begin();
    };
    // Encryption first, the login only inside it, data protection after the login.
    EXPECT_LT(at("AUTH TLS"), at("TLS connection established"));
    EXPECT_LT(at("TLS connection established"), at("230"));
    EXPECT_LT(at("230"), at("PBSZ 0"));
    EXPECT_LT(at("PBSZ 0"), at("PROT P"));
    EXPECT_LT(at("PROT P"), static_cast<long>(m_log.size()));
    m_client.ChangeDirectory("pub");

    EXPECT_EQ(ListNames(), (std::vector<std::string>{"index.htm"}));
    // vsftpd refuses a data connection that does not resume the session.
    EXPECT_TRUE(m_client.LastDataResumed() || !m_vsftpd);

    // Three small files and a large one up, then down again, byte for byte.
    m_client.SetTransferType(2);
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 3; ++i)
        files.emplace_back("page" + std::to_string(i) + ".htm", RandomBytes(1000 + i * 7919, i));
    files.emplace_back("big.bin", RandomBytes(64 << 20, 99));
    for (const auto& [name, content] : files) {
        std::ofstream(m_local.file(name), std::ios::binary) << content;
        m_client.UploadFile(m_local.file(name), name);
        EXPECT_EQ(Slurp(ServerFile(name)), content) << name;
    }
    for (const auto& [name, content] : files) {
        ::chmod(ServerFile(name).c_str(), 0644);
        m_client.DownloadFile(name, m_local.file("back-" + name));
        EXPECT_EQ(Slurp(m_local.file("back-" + name)), content) << name;
        EXPECT_TRUE(m_client.LastDataResumed() || !m_vsftpd);
    }
    EXPECT_EQ(ListNames(), (std::vector<std::string>{"big.bin", "index.htm", "page0.htm",
                                                     "page1.htm", "page2.htm"}));
    // The session is sound after every transfer, and the goodbye goes out encrypted.
    EXPECT_EQ(m_client.CurrentDirectory(), "/pub");
    m_client.Disconnect();
    EXPECT_FALSE(m_client.Connected());
}

TEST_P(TlsServer, AbortedDownloadLeavesAWorkingSession) {
    std::ofstream(ServerFile("big.bin"), std::ios::binary) << RandomBytes(32 << 20, 7);
    ::chmod(ServerFile("big.bin").c_str(), 0644);
    StartServer();
    m_client.Port = m_port;
    m_client.Connect();
    m_client.ChangeDirectory("pub");
    m_client.SetTransferType(2);
    m_client.OnPacketRecvd = [&](TAsyncSocket&) {
        if (m_client.ReceivedBytes() > (1 << 20) && !m_client.DataSocket()->Canceled())
            m_client.Abort();
    };
    EXPECT_THROW(m_client.DownloadFile("big.bin", m_local.file("part.bin")), EAbortError);
    EXPECT_LT(fs::file_size(m_local.file("part.bin")), 32u << 20);
    m_client.OnPacketRecvd = nullptr;
    EXPECT_EQ(m_client.CurrentDirectory(), "/pub");
    EXPECT_EQ(ListNames(), (std::vector<std::string>{"big.bin", "index.htm"}));
}

TEST_P(TlsServer, UnknownIdentityIsAskedOncePinnedAndAChangeRefused) {
    StartServer();
    m_client.Port = m_port;
    m_client.CaFile.clear();
    std::vector<TlsIdentity> asked;
    bool answer = false;
    m_client.OnUnknownIdentity = [&](const TlsIdentity& identity) {
        asked.push_back(identity);
        return answer;
    };
    // No: refused, before any password goes out.
    const std::string refused = Failure([&] { m_client.Connect(); });
    EXPECT_NE(refused.find("not trusted"), std::string::npos) << refused;
    EXPECT_FALSE(m_client.Connected());
    EXPECT_FALSE(Logged(m_log, "PASS"));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_FALSE(asked[0].verified);
    EXPECT_EQ(asked[0].fingerprint, m_certificate->fingerprint());
    EXPECT_EQ(asked[0].host, "127.0.0.1");
    EXPECT_NE(UnknownIdentityQuestion(asked[0]).find(m_certificate->fingerprint()),
              std::string::npos);
    EXPECT_TRUE(m_client.TrustedFingerprint.empty());

    // Yes: connected, and the fingerprint is there for the profile.
    answer = true;
    m_client.Connect();
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(m_client.TrustedFingerprint, m_certificate->fingerprint());
    m_client.ChangeDirectory("pub");
    EXPECT_EQ(ListNames(), (std::vector<std::string>{"index.htm"}));
    m_client.Disconnect();

    // The pinned fingerprint, however it is written, is trusted without a question.
    TFtpClient pinned;
    Configure(pinned);
    pinned.Port = m_port;
    std::string lowered = m_certificate->fingerprint();
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), ::tolower);
    pinned.TrustedFingerprint = lowered;
    pinned.OnUnknownIdentity = m_client.OnUnknownIdentity;
    pinned.Connect();
    EXPECT_EQ(asked.size(), 2u);
    pinned.Disconnect();

    // A pin of another certificate: refused with a warning, never asked.
    TestCertificate other;
    TFtpClient changed;
    Configure(changed);
    changed.Port = m_port;
    changed.TrustedFingerprint = other.fingerprint();
    changed.OnUnknownIdentity = m_client.OnUnknownIdentity;
    const std::string warning = Failure([&] { changed.Connect(); });
    EXPECT_NE(warning.find("has changed"), std::string::npos) << warning;
    EXPECT_NE(warning.find(m_certificate->fingerprint()), std::string::npos) << warning;
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_FALSE(changed.Connected());
    EXPECT_EQ(changed.TrustedFingerprint, other.fingerprint());
}

INSTANTIATE_TEST_SUITE_P(Servers, TlsServer,
                         ::testing::Combine(::testing::Values("pyftpdlib", "vsftpd"),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return std::get<0>(info.param) +
                                    (std::get<1>(info.param) ? "_passive" : "_active");
                         });

TEST(FtpsIdentity, TheCertificateMustNameTheHost) {
    if (!TestCertificate::available() || !PyFtpServer::tlsAvailable())
        GTEST_SKIP() << "openssl or pyftpdlib with TLS is not available here";
    TestCertificate certificate;
    TempDir root;
    PyFtpServer server(root.path, "user", "secret", &certificate);
    TFtpClient client;
    client.Host = "localhost";
    client.Port = server.port();
    client.UseTls = true;
    client.UserID = "user";
    client.Password = "secret";
    client.CaFile = certificate.certFile();
    client.Connect();
    EXPECT_TRUE(client.ServerIdentity().verified);
    client.Disconnect();

    // The same chain, but a name the certificate does not carry.
    client.Host = "127.0.0.2";
    std::string problem;
    client.OnUnknownIdentity = [&](const TlsIdentity& identity) {
        problem = identity.problem;
        return false;
    };
    // pyftpdlib listens on 127.0.0.1 only; the address is the name checked, not where we go.
    client.Proxy = "127.0.0.1";
    client.ProxyPort = server.port();
    client.UserID = "user";
    EXPECT_THROW(client.Connect(), ETlsError);
    EXPECT_NE(problem.find("mismatch"), std::string::npos) << problem;
}

TEST(FtpsScripted, AServerWithoutTlsIsNeverUsedInClearText) {
    const auto session =
        [](const std::function<void(velloran::testing::ScriptedFtpServer&)>& script,
           Lines& commands) {
            velloran::testing::ScriptedFtpServer server;
            TFtpClient client;
            client.Host = "127.0.0.1";
            client.Port = server.port();
            client.UseTls = true;
            client.UserID = "u";
            client.Password = "p";
            client.ReplyTimeOut = 3000;
            script(server);
            server.start();
            const std::string error = Failure([&] { client.Connect(); });
            EXPECT_FALSE(client.Connected());
            EXPECT_EQ(server.finish(), "");
            commands = server.commands();
            return error;
        };
    Lines commands;
    // AUTH TLS refused: the connection ends with a clear message.
    std::string error = session(
        [](auto& server) {
            server.reply("220 plain only\r\n")
                .expect("AUTH TLS")
                .reply("500 AUTH not understood\r\n")
                .expect("QUIT")
                .reply("221 bye\r\n")
                .waitForClose();
        },
        commands);
    EXPECT_NE(error.find("does not offer an encrypted connection"), std::string::npos) << error;
    EXPECT_NE(error.find("500 AUTH not understood"), std::string::npos) << error;
    EXPECT_EQ(commands, (Lines{"AUTH TLS", "QUIT"}));

    // AUTH TLS accepted, but what follows is not TLS: the handshake fails, nothing else is sent.
    error = session(
        [](auto& server) {
            server.reply("220 ready\r\n")
                .expect("AUTH TLS")
                .reply("234 go ahead\r\n")
                .closeControl();
        },
        commands);
    EXPECT_NE(error.find("handshake"), std::string::npos) << error;
    EXPECT_EQ(commands, (Lines{"AUTH TLS"}));
}

TEST(FtpsProtocol, ProfileValues) {
    EXPECT_EQ(ProtocolFromText(""), TransferProtocol::Ftp);
    EXPECT_EQ(ProtocolFromText("FTPS"), TransferProtocol::Ftps);
    EXPECT_EQ(ProtocolFromText(" sftp\r"), TransferProtocol::Sftp);
    EXPECT_EQ(ProtocolFromText("ftpes"), std::nullopt);
    for (const auto protocol :
         {TransferProtocol::Ftp, TransferProtocol::Ftps, TransferProtocol::Sftp})
        EXPECT_EQ(ProtocolFromText(ProtocolText(protocol)), protocol);
}
