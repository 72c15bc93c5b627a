// Tests of whole-file reads and atomic replacement: modes, links, and failures that leave no trace.
#include "platform/atomicfile.h"
#include "platform/errors.h"

#include "tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace velloran;

namespace {

mode_t modeOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
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
