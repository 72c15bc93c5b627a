// Tests of whole-file reads and atomic replacement: modes, links, and failures that leave no trace.
#include "platform/atomicfile.h"
#include "platform/errors.h"

#include "tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velloran;

namespace {

mode_t modeOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

ino_t inodeOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_ino;
}

template <typename Action>
std::string errorOf(Action action) {
    try {
        action();
    } catch (const FileError& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(AtomicFile, ReplacesKeepingModeAndBytes) {
    TempDir dir;
    const std::string path = dir.file("data.bin");
    std::ofstream(path) << "old";
    ::chmod(path.c_str(), 0604);
    const std::string bytes("a\0b\r\n\xff", 6);
    WriteFileAtomically(path, bytes);
    EXPECT_EQ(ReadWholeFile(path), bytes);
    EXPECT_EQ(modeOf(path), 0604u);
    WriteFileAtomically(path, "");
    EXPECT_EQ(ReadWholeFile(path), "");
    EXPECT_EQ(dir.entries(), std::set<std::string>{"data.bin"});
}

TEST(AtomicFile, NewFileFollowsUmask) {
    TempDir dir;
    const mode_t saved = ::umask(027);
    WriteFileAtomically(dir.file("new"), "x");
    ::umask(saved);
    EXPECT_EQ(modeOf(dir.file("new")), 0640u);
}

TEST(AtomicFile, WritesThroughSymbolicLink) {
    TempDir dir;
    std::ofstream(dir.file("real")) << "old";
    ASSERT_EQ(::symlink("real", dir.file("link").c_str()), 0);
    WriteFileAtomically(dir.file("link"), "new");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link")));
    EXPECT_EQ(ReadWholeFile(dir.file("real")), "new");
}

TEST(AtomicFile, FailuresNameThePathAndLeaveNoTrace) {
    TempDir dir;
    std::ofstream(dir.file("plain")) << "keep";
    std::filesystem::create_directory(dir.file("folder"));
    std::ofstream(dir.file("folder/inside")) << "keep";

    const std::string underFile = dir.file("plain/x.ini");
    EXPECT_EQ(errorOf([&] { WriteFileAtomically(underFile, "x"); }),
              "Cannot write \"" + underFile + "\": Not a directory");
    const std::string noFolder = dir.file("none/x.ini");
    EXPECT_EQ(errorOf([&] { WriteFileAtomically(noFolder, "x"); }),
              "Cannot write \"" + noFolder + "\": No such file or directory");
    // The temporary file is made before rename() refuses to replace a folder.
    EXPECT_EQ(errorOf([&] { WriteFileAtomically(dir.file("folder"), "x"); }),
              "Cannot write \"" + dir.file("folder") + "\": Is a directory");
    EXPECT_EQ(dir.entries(), (std::set<std::string>{"plain", "folder"}));
    EXPECT_EQ(ReadWholeFile(dir.file("plain")), "keep");

    EXPECT_EQ(errorOf([&] { (void)ReadWholeFile(noFolder); }),
              "Cannot read \"" + noFolder + "\": No such file or directory");
    EXPECT_EQ(errorOf([&] { (void)ReadWholeFile(dir.file("folder")); }),
              "Cannot read \"" + dir.file("folder") + "\": Is a directory");

    EXPECT_TRUE(FileExists(dir.file("plain")));
    EXPECT_FALSE(FileExists(dir.file("folder")));
    EXPECT_FALSE(FileExists(noFolder));
}

TEST(AtomicFile, ReadsTakeOnlyRegularFilesWithinTheirLimit) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", dir.file("zero").c_str()), 0);
    // Neither may hang nor read without end.
    for (const char* name : {"fifo", "zero"}) {
        EXPECT_EQ(errorOf([&] { (void)ReadWholeFile(dir.file(name)); }),
                  "Cannot read \"" + dir.file(name) + "\": it is not a regular file");
    }
    std::ofstream(dir.file("ten")) << "0123456789";
    constexpr ReadLimit kTen{10, "a test file may have at most"};
    EXPECT_EQ(ReadWholeFile(dir.file("ten"), kTen), "0123456789");
    EXPECT_EQ(errorOf([&] {
                  (void)ReadWholeFile(dir.file("ten"), {9, kTen.why});
              }),
              "File is too large to open: \"" + dir.file("ten") +
                  "\" has 10 bytes; a test file may have at most 9 bytes.");
    EXPECT_EQ(ByteSizeText(std::uint64_t{2} << 30), "2.0 GB");
    EXPECT_EQ(ByteSizeText(1536), "1.5 KB");
    // Nothing is written over a FIFO either.
    EXPECT_EQ(errorOf([&] { WriteFileAtomically(dir.file("fifo"), "x"); }),
              "Cannot write \"" + dir.file("fifo") + "\": it is not a regular file");
}

TEST(AtomicFile, FilesWithOtherLinksOrOwnersAreWrittenInPlace) {
    TempDir dir;
    const std::string path = dir.file("page.htm");
    std::ofstream(path) << "a longer old text";
    ::chmod(path.c_str(), 0640);
    ASSERT_EQ(::link(path.c_str(), dir.file("other-name").c_str()), 0);
    const ino_t inode = inodeOf(path);
    WriteFileAtomically(path, "short");
    EXPECT_EQ(inodeOf(path), inode);
    EXPECT_EQ(ReadWholeFile(dir.file("other-name")), "short");
    EXPECT_EQ(std::filesystem::hard_link_count(path), 2u);
    EXPECT_EQ(modeOf(path), 0640u);
    EXPECT_EQ(dir.entries(), (std::set<std::string>{"page.htm", "other-name"}));

    if (::geteuid() != 0) {
        GTEST_SKIP() << "saving another user's file needs root";
    }
    const std::string theirs = dir.file("theirs.htm");
    std::ofstream(theirs) << "old";
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    WriteFileAtomically(theirs, "saved by root");
    struct stat info {};
    ::stat(theirs.c_str(), &info);
    EXPECT_EQ(info.st_uid, 65534u) << "root must not take the file";
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(ReadWholeFile(theirs), "saved by root");
}

// Saving into a folder whose permissions forbid the temporary file, as a user who may
// write the file itself: as nobody in a child process when we are root.
TEST(AtomicFile, AFolderWeCannotWriteStillTakesASaveOfAWritableFile) {
    TempDir dir;
    ::chmod(dir.path.c_str(), 0755);
    const std::string folder = dir.file("shared");
    std::filesystem::create_directory(folder);
    const std::string page = folder + "/page.htm";
    std::ofstream(page) << "old";
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(page.c_str(), 65534, 65534), 0);
    }
    ::chmod(folder.c_str(), 0555);
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::string report;
        if (root &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            report = "no user";
        } else if (::access(page.c_str(), W_OK) != 0) {
            report = "unreachable";
        } else {
            for (const std::string& name : {page, folder + "/new.htm"}) {
                try {
                    WriteFileAtomically(name, "new text");
                    report += "saved;";
                } catch (const FileError& error) {
                    report += std::string(error.what()) + ";";
                }
            }
        }
        (void)!::write(channel[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string report;
    char buffer[512];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    ::chmod(folder.c_str(), 0755);
    if (report == "no user" || report == "unreachable") {
        GTEST_SKIP() << "no unprivileged user can reach " << folder << " (" << report << ")";
    }
    EXPECT_EQ(report, "saved;Cannot write \"" + folder + "/new.htm\": Permission denied;");
    EXPECT_EQ(ReadWholeFile(page), "new text");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
}
