// The FTP window's rules without a window: server texts, progress figures, log lines, the
// proxy port, download names and the download that replaces a file only when complete.
#include "ftp/ftpwindowrules.h"
#include "platform/errors.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

using namespace velloran;

namespace {

std::string Slurp(const std::string& name) {
    std::stringstream bytes;
    bytes << std::ifstream(name, std::ios::binary).rdbuf();
    return bytes.str();
}

} // namespace

TEST(FtpWindowRules, ServerTextSplitsIntoHostPortAndDirectory) {
    struct Case {
        const char* text;
        const char* host;
        int port;
        const char* directory; // nullptr: none
    };
    const Case cases[] = {
        {"ftp.example.org", "ftp.example.org", 21, nullptr},
        {"ftp.example.org/", "ftp.example.org", 21, "/"},
        {"ftp.example.org/www/site", "ftp.example.org", 21, "/www/site"},
        {"127.0.0.1:2121", "127.0.0.1", 2121, nullptr},
        {"127.0.0.1:2121/pub", "127.0.0.1", 2121, "/pub"},
        {"[::1]:2121/www", "::1", 2121, "/www"},
        {"[::1]", "::1", 21, nullptr},
        {"[fe80::1]/", "fe80::1", 21, "/"},
        {"::1", "::1", 21, nullptr},
        {"host/a:b", "host", 21, "/a:b"}, // a colon in the folder is no port
    };
    for (const Case& c : cases) {
        const ServerAddress address = SplitServerText(c.text);
        EXPECT_EQ(address.host, c.host) << c.text;
        EXPECT_EQ(address.port, c.port) << c.text;
        EXPECT_EQ(address.directory.has_value(), c.directory != nullptr) << c.text;
        if (c.directory != nullptr && address.directory) {
            EXPECT_EQ(*address.directory, c.directory) << c.text;
        }
    }
    for (const char* bad :
         {"host:", "host:0", "host:65536", "host:21x", "[::1", "[::1]x", "[::1]:port/"})
        EXPECT_THROW((void)SplitServerText(bad), VelloranError) << bad;
}

TEST(FtpWindowRules, ProgressRoundsHalvesToEvenAndNeverPassesTheTotal) {
    EXPECT_EQ(ProgressPercent(1, 200), 0);     // 0.5
    EXPECT_EQ(ProgressPercent(3, 200), 2);     // 1.5
    EXPECT_EQ(ProgressPercent(5, 200), 2);     // 2.5
    EXPECT_EQ(ProgressPercent(1, 3), 33);      // 33.33
    EXPECT_EQ(ProgressPercent(2, 3), 67);      // 66.67
    EXPECT_EQ(ProgressPercent(199, 200), 100); // 99.5 to even
    EXPECT_EQ(ProgressPercent(197, 200), 98);  // 98.5
    EXPECT_EQ(ProgressPercent(10, 10), 100);
    EXPECT_EQ(ProgressPercent(0, 10), 0);
    // Exact halves of totals past what a double holds exactly.
    const std::int64_t big = (std::int64_t{1} << 60) * 2;
    EXPECT_EQ(ProgressPercent(big / 200 * 5, big), 2);
    EXPECT_FALSE(ProgressPercent(5, 0));
    EXPECT_FALSE(ProgressPercent(11, 10));
    EXPECT_EQ(ProgressText(1024, 4096), "1024 of 4096");
    EXPECT_EQ(ProgressText(11, 0), "11 of 0");
}

TEST(FtpWindowRules, StatusLinesLoseOnlyTheirClosingLineEnd) {
    EXPECT_EQ(StatusLogLine("226 Transfer complete.\r\n"), "226 Transfer complete.");
    EXPECT_EQ(StatusLogLine("PWD"), "PWD");
    EXPECT_EQ(StatusLogLine("a\rb\n"), "a\rb\n"); // only a CR second from the end counts
    EXPECT_EQ(StatusLogLine("\r\n"), "");
    EXPECT_EQ(StatusLogLine("x\n"), "x\n");
    EXPECT_EQ(StatusLogLine(""), "");
}

TEST(FtpWindowRules, ProxyPortTextThatIsNoPortGives21) {
    EXPECT_EQ(ProxyPortFrom("8021"), 8021);
    for (const char* text : {"", "abc", "80x", "0", "-1", "70000", " 21"})
        EXPECT_EQ(ProxyPortFrom(text), 21) << text;
}

TEST(FtpWindowRules, DownloadsGoIntoTheChosenFolderUnderPlainNamesOnly) {
    EXPECT_EQ(DownloadTarget("/home/u/site/index.htm", "a.htm"), "/home/u/site/a.htm");
    EXPECT_EQ(DownloadTarget("/x", "a.htm"), "/a.htm");
    EXPECT_EQ(DownloadTarget("index.htm", "a.htm"), "a.htm");
    for (const char* hostile : {"../evil", "a/b", "..", ".", ""})
        EXPECT_THROW((void)DownloadTarget("/home/u/site/index.htm", hostile), VelloranError)
            << hostile;
    EXPECT_EQ(OverwriteQuestion("/t/a.htm"),
              "File \"/t/a.htm\" already exists.\r\n\r\nDo you want to overwrite it?");
}

TEST(FtpWindowRules, AStagedDownloadReplacesTheFileOnlyWhenCommitted) {
    TempDir dir;
    const std::string target = dir.file("page.htm");
    std::ofstream(target) << "old";
    ::chmod(target.c_str(), 0640);
    {
        StagedDownload failed(target);
        std::ofstream(failed.temporaryName()) << "half";
        EXPECT_EQ(dir.entries().size(), 2u); // the private folder beside the file
    }
    EXPECT_EQ(Slurp(target), "old");
    EXPECT_EQ(dir.entries(), std::set<std::string>{"page.htm"});
    {
        StagedDownload done(target);
        std::ofstream(done.temporaryName()) << "new";
        done.commit();
    }
    EXPECT_EQ(Slurp(target), "new");
    EXPECT_EQ(dir.entries(), std::set<std::string>{"page.htm"});
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_THROW(StagedDownload(dir.file("missing/x")), FileError);
}
