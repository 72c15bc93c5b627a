// Tests of the external program list: what the settings keys read back as, and which paths start.
#include "platform/inifile.h"
#include "programs/programlist.h"

#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using velloran::IniFile;
using namespace velloran::programs;

TEST(ProgramList, CountDecidesWhatReadsBackAfterADelete) {
    TempDir dir;
    IniFile ini(dir.file("v.ini"));
    EXPECT_TRUE(readPrograms(ini).empty());
    writePrograms(ini, {{"Browser", "/usr/bin/b"}, {"Paint; new", "/opt/p q/paint"}});
    writePrograms(ini, {{"Browser", "/usr/bin/b"}});
    // The second entry's keys stay behind but are not listed.
    EXPECT_EQ(ini.readString("programs", "progname1", ""), "Paint; new");
    const auto list = readPrograms(ini);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "Browser");
    EXPECT_EQ(list[0].path, "/usr/bin/b");
    ini.writeInteger("programs", "numprogs", -3);
    EXPECT_TRUE(readPrograms(ini).empty());
}

TEST(ProgramList, RunnableIsAnExecutableFileOrABareCommandOnTheSearchPath) {
    TempDir dir;
    const std::string tool = dir.file("my tool");
    std::ofstream(tool) << "#!/bin/sh\n";
    const std::string plain = dir.file("plain");
    std::ofstream(plain) << "text\n";
    std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
    EXPECT_TRUE(isRunnable(tool, ""));
    EXPECT_FALSE(isRunnable(plain, dir.path));
    EXPECT_FALSE(isRunnable(dir.path, ""));
    EXPECT_TRUE(isRunnable("my tool", "/nonexistent:" + dir.path));
    EXPECT_FALSE(isRunnable("plain", dir.path));
    EXPECT_FALSE(isRunnable("my tool", ""));
    EXPECT_FALSE(isRunnable("", dir.path));
}
