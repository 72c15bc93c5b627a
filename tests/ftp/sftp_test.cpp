// The SFTP client against OpenSSH's sshd started on 127.0.0.1 with keys of its own: key and
// agent log-ins, the host key checks, commands, byte-exact transfers with progress and an
// aborted download; and the listing columns made from attributes.
#include "ftp/asyncsocket.h"
#include "ftp/sftpclient.h"
#include "ftpservers.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace velloran;
namespace fs = std::filesystem;
using velloran::testing::SshAgent;
using velloran::testing::SshServer;

namespace {

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

class Sftp : public ::testing::Test {
protected:
    void SetUp() override {
        if (!SshServer::available())
            GTEST_SKIP() << "sshd is not available here (it needs openssh-server and root)";
        m_server = std::make_unique<SshServer>();
        std::ofstream(m_knownHosts.file("known_hosts")) << m_server->knownHostsLine() << "\n";
        Configure(m_client);
    }

    void Configure(TSftpClient& client) {
        client.Host = "127.0.0.1";
        client.Port = m_server->port();
        client.UserID = m_server->user();
        client.SshDir = m_server->clientSshDir();
        client.KnownHostsFile = m_knownHosts.file("known_hosts");
        // No agent of the desktop the tests run on may log in for them.
        client.AgentSocket = m_knownHosts.file("no-agent");
    }

    std::vector<std::string> Names(bool hidden = false) {
        std::vector<std::string> names;
        for (const RemoteListItem& item : m_client.ListDirectory(hidden))
            names.push_back(item.caption);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::unique_ptr<SshServer> m_server;
    TempDir m_knownHosts;
    TempDir m_remote;
    TempDir m_local;
    TSftpClient m_client;
};

} // namespace

TEST_F(Sftp, CommandsAndTransfersByteForByte) {
    int questions = 0;
    m_client.OnUnknownIdentity = [&](const SshHostKey&) { return ++questions, false; };
    std::vector<std::string> log;
    m_client.OnStatus = [&](const std::string& line) { log.push_back(line); };
    m_client.Connect();
    EXPECT_EQ(questions, 0) << "a key known_hosts holds needs no question";
    EXPECT_EQ(m_client.ServerKey().fingerprint, m_server->hostKeyFingerprint());
    EXPECT_NE(std::find(log.begin(), log.end(), "Logged in as " + m_server->user()), log.end());

    m_client.ChangeDirectory(m_remote.path);
    EXPECT_EQ(m_client.CurrentDirectory(), fs::canonical(m_remote.path).string());
    m_client.MakeDirectory("site");
    m_client.ChangeDirectory("site");
    std::ofstream(m_remote.file("site/.hidden")) << "x";
    EXPECT_EQ(Names(), std::vector<std::string>{});
    EXPECT_EQ(Names(true), (std::vector<std::string>{".", "..", ".hidden"}));
    EXPECT_THROW(m_client.ChangeDirectory("no such folder"), ESftpError);
    EXPECT_THROW(m_client.ChangeDirectory(".hidden"), ESftpError);
    EXPECT_EQ(m_client.CurrentDirectory(), fs::canonical(m_remote.file("site")).string());

    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 3; ++i)
        files.emplace_back("page" + std::to_string(i) + ".htm", RandomBytes(500 + i * 7919, i));
    files.emplace_back("big.bin", RandomBytes(64 << 20, 64));
    std::int64_t last = -1;
    bool monotonic = true;
    m_client.OnProgress = [&](std::int64_t done, std::int64_t total) {
        monotonic = monotonic && done >= last && done <= total;
        last = done;
    };
    for (const auto& [name, content] : files) {
        std::ofstream(m_local.file(name), std::ios::binary) << content;
        last = -1;
        m_client.UploadFile(m_local.file(name), "");
        EXPECT_EQ(last, static_cast<std::int64_t>(content.size()));
        EXPECT_EQ(Slurp(m_remote.file("site/" + name)), content) << name;
    }
    for (const auto& [name, content] : files) {
        last = -1;
        m_client.DownloadFile(name, m_local.file("back-" + name));
        EXPECT_EQ(last, static_cast<std::int64_t>(content.size()));
        EXPECT_EQ(Slurp(m_local.file("back-" + name)), content) << name;
    }
    EXPECT_TRUE(monotonic);
    EXPECT_FALSE(fs::exists(m_local.file("back-big.bin.part")));

    const auto items = m_client.ListDirectory(false);
    const auto big = std::find_if(items.begin(), items.end(), [](const RemoteListItem& item) {
        return item.caption == "big.bin";
    });
    ASSERT_NE(big, items.end());
    EXPECT_EQ(big->size, std::to_string(64 << 20));
    EXPECT_EQ(big->imageIndex, 1);
    EXPECT_EQ(big->attributes, "-rw-r--r--");

    m_client.RenameFile("page0.htm", "index.htm");
    m_client.DeleteFile("page1.htm");
    m_client.MakeDirectory("empty");
    m_client.RemoveDirectory("empty");
    EXPECT_EQ(Names(), (std::vector<std::string>{"big.bin", "index.htm", "page2.htm"}));
    EXPECT_THROW(m_client.DeleteFile("page1.htm"), ESftpError);
    // A refused command leaves the session working.
    m_client.ChangeDirectory("..");
    EXPECT_EQ(Names(), (std::vector<std::string>{"site"}));
    m_client.Disconnect();
    EXPECT_FALSE(m_client.Connected());
    EXPECT_THROW(m_client.ListDirectory(false), VelloranError);
}

TEST_F(Sftp, HostKeyIsAskedPinnedAndAChangeRefused) {
    std::ofstream(m_knownHosts.file("known_hosts"), std::ios::trunc);
    std::vector<SshHostKey> asked;
    bool answer = false;
    m_client.OnUnknownIdentity = [&](const SshHostKey& key) {
        asked.push_back(key);
        return answer;
    };
    EXPECT_NE(Failure([&] { m_client.Connect(); }).find("not trusted"), std::string::npos);
    EXPECT_FALSE(m_client.Connected());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].fingerprint, m_server->hostKeyFingerprint());
    EXPECT_EQ(asked[0].keyType, "ssh-ed25519");
    EXPECT_NE(UnknownHostKeyQuestion(asked[0]).find(m_server->hostKeyFingerprint()),
              std::string::npos);

    answer = true;
    m_client.Connect();
    EXPECT_EQ(m_client.TrustedFingerprint, m_server->hostKeyFingerprint());
    m_client.Disconnect();

    TSftpClient pinned;
    Configure(pinned);
    pinned.KnownHostsFile = m_knownHosts.file("known_hosts");
    pinned.TrustedFingerprint = m_server->hostKeyFingerprint();
    pinned.OnUnknownIdentity = m_client.OnUnknownIdentity;
    pinned.Connect();
    EXPECT_EQ(asked.size(), 2u);
    pinned.Disconnect();

    // Another pin, or known_hosts holding another key for the host: refused, never asked.
    TSftpClient changed;
    Configure(changed);
    changed.KnownHostsFile = m_knownHosts.file("known_hosts");
    changed.TrustedFingerprint = "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU";
    changed.OnUnknownIdentity = m_client.OnUnknownIdentity;
    const std::string warning = Failure([&] { changed.Connect(); });
    EXPECT_NE(warning.find("has changed"), std::string::npos) << warning;
    EXPECT_EQ(asked.size(), 2u);

    SshServer other;
    std::string line = other.knownHostsLine();
    line.replace(line.find(':') + 1, line.find(' ') - line.find(':') - 1,
                 std::to_string(m_server->port()));
    std::ofstream(m_knownHosts.file("known_hosts"), std::ios::trunc) << line << "\n";
    TSftpClient listed;
    Configure(listed);
    listed.TrustedFingerprint = m_server->hostKeyFingerprint();
    listed.OnUnknownIdentity = m_client.OnUnknownIdentity;
    EXPECT_NE(Failure([&] { listed.Connect(); }).find("has changed"), std::string::npos);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_FALSE(listed.Connected());
}

TEST_F(Sftp, AgentKeysAndRefusedPasswords) {
    // No keys of its own: only the agent can log the client in.
    TempDir noKeys;
    SshAgent agent(m_server->clientKeyFile());
    m_client.SshDir = noKeys.path;
    m_client.AgentSocket = agent.socket();
    m_client.Connect();
    EXPECT_TRUE(m_client.Connected());
    m_client.Disconnect();

    TSftpClient refused;
    Configure(refused);
    refused.SshDir = noKeys.path;
    refused.Password = "wrong";
    const std::string error = Failure([&] { refused.Connect(); });
    EXPECT_NE(error.find("refused the log-in"), std::string::npos) << error;
    EXPECT_FALSE(refused.Connected());
}

TEST_F(Sftp, AbortedDownloadKeepsTheOldFileAndTheSession) {
    std::ofstream(m_remote.file("big.bin"), std::ios::binary) << RandomBytes(32 << 20, 5);
    std::ofstream(m_local.file("big.bin")) << "the copy from last week";
    m_client.Connect();
    m_client.ChangeDirectory(m_remote.path);
    m_client.OnProgress = [&](std::int64_t done, std::int64_t) {
        if (done > (1 << 20))
            m_client.Abort();
    };
    EXPECT_THROW(m_client.DownloadFile("big.bin", m_local.file("big.bin")), EAbortError);
    EXPECT_EQ(Slurp(m_local.file("big.bin")), "the copy from last week");
    EXPECT_FALSE(fs::exists(m_local.file("big.bin.part")));
    m_client.OnProgress = nullptr;
    EXPECT_EQ(Names(), (std::vector<std::string>{"big.bin"}));
    m_client.DownloadFile("big.bin", m_local.file("big.bin"));
    EXPECT_EQ(Slurp(m_local.file("big.bin")), Slurp(m_remote.file("big.bin")));
}

TEST(SftpListing, AttributesFillTheListingColumns) {
    const std::time_t now = 1796601600; // 2026-12-07 00:00 UTC
    const RemoteListItem recent =
        SftpListItem("index.htm", SftpEntryType::File, 0100644, 1234, now - 86400 * 3, now);
    EXPECT_EQ(recent.imageIndex, 1);
    EXPECT_EQ(recent.size, "1234");
    EXPECT_EQ(recent.date, "Dec  4 00:00");
    EXPECT_EQ(recent.attributes, "-rw-r--r--");
    const RemoteListItem old =
        SftpListItem("www", SftpEntryType::Link, 0120777, 11, 1546300800, now);
    EXPECT_EQ(old.imageIndex, 0);
    EXPECT_EQ(old.date, "Jan  1  2019");
    EXPECT_EQ(old.attributes, "lrwxrwxrwx");
    EXPECT_EQ(old.date.size(), 12u);
    EXPECT_EQ(SftpListItem("d", SftpEntryType::Directory, 040750, 4096, now, now).attributes,
              "drwxr-x---");
}
