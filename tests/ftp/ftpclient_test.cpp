// The client against real FTP servers on 127.0.0.1 (pyftpdlib and vsftpd), in active and
// passive mode: commands, real listing lines, byte-exact transfers with progress, and aborting
// a download.
#include "ftp/ftpclient.h"
#include "ftp/listparser.h"
#include "ftpservers.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <tuple>
#include <utime.h>

using namespace velloran;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

std::string Slurp(const std::string& name) {
    std::stringstream bytes;
    bytes << std::ifstream(name, std::ios::binary).rdbuf();
    return bytes.str();
}

std::string RandomBytes(std::size_t count) {
    std::mt19937 random(20261206);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

// One server of the kind under test, serving a folder "pub" the client may write in, and a
// client logged in there, making data connections in the mode under test.
class RealServer : public ::testing::TestWithParam<std::tuple<std::string, bool>> {
protected:
    void SetUp() override {
        const auto& [server, passive] = GetParam();
        const bool vsftpd = server == "vsftpd";
        if (vsftpd ? !velloran::testing::VsFtpServer::available()
                   : !velloran::testing::PyFtpServer::available())
            GTEST_SKIP() << server << " is not available here";
        m_client.Passive = passive;
        fs::create_directory(m_root.file("pub"));
        Populate(m_root.file("pub"));
        if (vsftpd) {
            m_vsftpd = std::make_unique<velloran::testing::VsFtpServer>(m_root.path);
            m_client.Port = m_vsftpd->port();
            m_client.UserID = "anonymous";
            m_client.Password = DefaultAnonymousPassword;
        } else {
            m_pyftpd = std::make_unique<velloran::testing::PyFtpServer>(m_root.path);
            m_client.Port = m_pyftpd->port();
            m_client.UserID = m_pyftpd->user();
            m_client.Password = m_pyftpd->password();
        }
        m_client.Host = "127.0.0.1";
        m_client.ReportLevel = 2;
        m_client.OnStatus = [this](TAsyncSocket&, const std::string& text) {
            m_log.push_back(text);
        };
        m_client.OnSuccess = [this](TCmdType type) {
            m_successes.push_back(static_cast<int>(type));
        };
        m_client.Connect();
        m_client.ChangeDirectory("pub");
    }
    void TearDown() override {
        if (m_client.Connected())
            m_client.Disconnect();
    }

    static void Populate(const std::string& pub) {
        std::ofstream(pub + "/old page.htm") << "<p>old</p>";
        const utimbuf longAgo{1546300800, 1546300800}; // 2019-01-01
        ::utime((pub + "/old page.htm").c_str(), &longAgo);
        fs::create_symlink("old page.htm", pub + "/link");
        std::ofstream(pub + "/.hidden") << "x";
    }

    std::vector<RemoteListItem> List() {
        std::vector<RemoteListItem> items;
        m_client.OnListItem = [&](const std::string& line) {
            if (auto item = ParseListLine(line, false).item)
                items.push_back(*item);
        };
        m_client.ListDirectory();
        return items;
    }

    static const RemoteListItem* Find(const std::vector<RemoteListItem>& items,
                                      const std::string& caption) {
        for (const auto& item : items) {
            if (item.caption == caption)
                return &item;
        }
        return nullptr;
    }

    std::string ServerFile(const std::string& name) const { return m_root.file("pub/" + name); }

    TempDir m_root;
    TempDir m_local;
    std::unique_ptr<velloran::testing::PyFtpServer> m_pyftpd;
    std::unique_ptr<velloran::testing::VsFtpServer> m_vsftpd;
    TFtpClient m_client;
    Lines m_log;
    std::vector<int> m_successes;
};

} // namespace

TEST_P(RealServer, DirectoryCommands) {
    EXPECT_EQ(m_client.CurrentDirectory(), "/pub");
    m_client.MakeDirectory("new dir");
    m_client.ChangeDirectory("new dir");
    EXPECT_EQ(m_client.CurrentDirectory(), "/pub/new dir");
    m_client.ChangeDirectory("..");
    m_client.RenameFile("new dir", "renamed");
    EXPECT_TRUE(fs::is_directory(ServerFile("renamed")));
    m_client.RemoveDirectory("renamed");
    EXPECT_FALSE(fs::exists(ServerFile("renamed")));
    m_client.RenameFile("old page.htm", "page.htm");
    m_client.DeleteFile("page.htm");
    EXPECT_FALSE(fs::exists(ServerFile("page.htm")));
    EXPECT_THROW(m_client.ChangeDirectory("no such folder"), FTPException);
    EXPECT_EQ(m_client.ReplyCode(), 550u);
    // The login's CWD, then each command above.
    EXPECT_EQ(m_successes, (std::vector<int>{0, 15, 1, 0, 15, 0, 5, 3, 5, 2}));
}

TEST_P(RealServer, ListingLines) {
    m_client.SetTransferType(1);
    const auto items = List();
    const RemoteListItem* old = Find(items, "old page.htm");
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->size, "10");
    EXPECT_NE(old->date.find("2019"), std::string::npos) << old->date;
    const RemoteListItem* link = Find(items, "link");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->imageIndex, 0);
    EXPECT_EQ(Find(items, ".hidden"), nullptr);
    EXPECT_GT(m_client.TotalBytes, 0);
    EXPECT_TRUE(std::find(m_log.begin(), m_log.end(),
                          "Received " + std::to_string(m_client.TotalBytes) + " Bytes") !=
                m_log.end());
    EXPECT_EQ(m_client.DataSocket(), nullptr);
    // The mode asked for is the mode used; both servers know EPSV.
    const bool passive = std::get<1>(GetParam());
    const auto sent = [&](const std::string& prefix) {
        return std::any_of(m_log.begin(), m_log.end(),
                           [&](const std::string& line) { return line.starts_with(prefix); });
    };
    EXPECT_EQ(sent("EPSV"), passive);
    EXPECT_EQ(sent("PORT "), !passive);
    EXPECT_FALSE(sent("PASV"));
}

TEST_P(RealServer, TenMebibytesUpAndDownByteForByte) {
    const std::string content = RandomBytes(10 << 20);
    std::ofstream(m_local.file("big.bin"), std::ios::binary) << content;
    int sent = 0, received = 0, starts = 0, stops = 0;
    std::int64_t lastSent = 0, lastReceived = 0;
    m_client.OnPacketSent = [&](TAsyncSocket& data) {
        ++sent;
        lastSent = data.SentBytes();
    };
    m_client.OnPacketRecvd = [&](TAsyncSocket& data) {
        ++received;
        lastReceived = data.ReceivedBytes();
    };
    m_client.OnTransactionStart = [&](TAsyncSocket&) { ++starts; };
    m_client.OnTransactionStop = [&](TAsyncSocket&) { ++stops; };
    m_client.SetTransferType(2);

    m_client.UploadFile(m_local.file("big.bin"), "");
    EXPECT_EQ(Slurp(ServerFile("big.bin")), content);
    EXPECT_GE(sent, static_cast<int>(content.size() / TAsyncSocket::kBlockSize));
    EXPECT_EQ(lastSent, static_cast<std::int64_t>(content.size()));

    m_client.DownloadFile("big.bin", m_local.file("back.bin"));
    EXPECT_EQ(Slurp(m_local.file("back.bin")), content);
    EXPECT_GT(received, 0);
    EXPECT_EQ(lastReceived, static_cast<std::int64_t>(content.size()));
    EXPECT_EQ(m_client.TotalBytes, static_cast<std::int64_t>(content.size()));
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(stops, 2);
}

TEST_P(RealServer, AbortedDownloadLeavesAWorkingSession) {
    std::ofstream(ServerFile("big.bin"), std::ios::binary) << RandomBytes(32 << 20);
    ::chmod(ServerFile("big.bin").c_str(), 0644);
    m_client.SetTransferType(2);
    m_client.OnPacketRecvd = [&](TAsyncSocket&) {
        if (m_client.ReceivedBytes() > (1 << 20) && !m_client.DataSocket()->Canceled())
            m_client.Abort();
    };
    try {
        m_client.DownloadFile("big.bin", m_local.file("part.bin"));
        FAIL() << "the download was not aborted";
    } catch (const EAbortError& error) {
        EXPECT_STREQ(error.what(), "Socket send aborted");
    }
    EXPECT_EQ(m_client.DataSocket(), nullptr);
    EXPECT_LT(fs::file_size(m_local.file("part.bin")), 32u << 20);
    EXPECT_TRUE(m_client.Connected());
    EXPECT_EQ(m_client.CurrentDirectory(), "/pub");
    m_client.OnPacketRecvd = nullptr;
    EXPECT_NE(Find(List(), "big.bin"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServer,
                         ::testing::Combine(::testing::Values("pyftpdlib", "vsftpd"),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return std::get<0>(info.param) +
                                    (std::get<1>(info.param) ? "_passive" : "_active");
                         });
