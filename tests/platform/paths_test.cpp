// Settings file naming and file-name helpers.
#include "platform/paths.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace velloran;

TEST(Paths, SettingsFileNameStopsAtTheFirstDot) {
    EXPECT_EQ(SettingsFileNameFor("velloran"), "velloran.ini");
    EXPECT_EQ(SettingsFileNameFor("my.tool"), "my.ini");
    EXPECT_EQ(SettingsFileNameFor("my.tool.exe"), "my.ini");
}

TEST(Paths, ConfigDirFollowsXdgAndIgnoresARelativeOne) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string restore = saved ? saved : "";
    setenv("XDG_CONFIG_HOME", "/cfg/", 1);
    EXPECT_EQ(ConfigDir(), "/cfg/velloran/");
    setenv("XDG_CONFIG_HOME", "relative", 1);
    setenv("HOME", "/home/me", 1);
    EXPECT_EQ(ConfigDir(), "/home/me/.config/velloran/");
    if (saved)
        setenv("XDG_CONFIG_HOME", restore.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST(Paths, NameParts) {
    EXPECT_EQ(ExtractFileName("/a/b.c/d.htm"), "d.htm");
    EXPECT_EQ(ExtractFilePath("/a/b.c/d.htm"), "/a/b.c/");
    EXPECT_EQ(ExtractFileExt("/a/b.c/d"), "");
    EXPECT_EQ(ExtractFileExt("/a/.profile"), "");
    EXPECT_EQ(ExtractFileExt("/a/x.tar.GZ"), ".GZ");
    EXPECT_TRUE(SameTextAscii("AbC", "aBc"));
    EXPECT_FALSE(SameTextAscii("\xC3\x9C", "\xC3\xBC")); // only ASCII folds
}
