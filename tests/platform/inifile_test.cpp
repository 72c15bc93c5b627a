// Tests of IniFile: how hand-written files read, and that edits touch only their own line.
#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/inifile.h"

#include "tempdir.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

using velloran::IniFile;

namespace {

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

IniFile parsed(std::string_view text) {
    IniFile ini("");
    ini.parse(text);
    return ini;
}

using Strings = std::vector<std::string>;

} // namespace

TEST(IniFile, MissingOrUnreadableFiles) {
    TempDir dir;
    IniFile ini(dir.file("missing.ini"));
    EXPECT_EQ(ini.readString("S", "k", "fallback"), "fallback");
    EXPECT_EQ(ini.readInteger("S", "k", 7), 7);
    EXPECT_FALSE(ini.hasSection("S"));
    EXPECT_TRUE(ini.sectionNames().empty());
    ini.save();
    EXPECT_FALSE(velloran::FileExists(dir.file("missing.ini")));
    writeFile(dir.file("plain"), "x");
    EXPECT_NO_THROW(IniFile{dir.file("plain/under-a-file.ini")});
    EXPECT_THROW(IniFile{dir.path}, velloran::FileError);
    ASSERT_EQ(::symlink("loop", dir.file("loop").c_str()), 0);
    EXPECT_THROW(IniFile{dir.file("loop")}, velloran::FileError);
}

TEST(IniFile, ReadsHandWrittenText) {
    const IniFile ini = parsed("top=outside any section\n"
                               "  [ Sec ]  \r\n"
                               "  key  =  value  \n"
                               "\tTabbed\t=\tx\t\r\n"
                               "dq=\"a\"\n"
                               "sq=' b '\n"
                               "nested=\"\"a\"\"\n"
                               "mismatched=\"a'\n"
                               "lone=\"\n"
                               "eq=a=b\n"
                               ";comment=no\n"
                               "  ; spaced=no\n"
                               "no equals sign\n"
                               "empty=\n"
                               "[Other\n"
                               "last=no line end");
    EXPECT_EQ(ini.readString("sEC", "KEY", ""), "value");
    EXPECT_EQ(ini.readString(" Sec ", " tabbed ", ""), "x");
    EXPECT_EQ(ini.readString("Sec", "dq", ""), "a");
    EXPECT_EQ(ini.readString("Sec", "sq", ""), " b ");
    EXPECT_EQ(ini.readString("Sec", "nested", ""), "\"a\"");
    EXPECT_EQ(ini.readString("Sec", "mismatched", ""), "\"a'");
    EXPECT_EQ(ini.readString("Sec", "lone", ""), "\"");
    EXPECT_EQ(ini.readString("Sec", "eq", ""), "a=b");
    EXPECT_EQ(ini.readString("Sec", ";comment", "none"), "none");
    EXPECT_EQ(ini.readString("Sec", "empty", "none"), "");
    EXPECT_EQ(ini.readString("Other", "last", ""), "no line end");
    EXPECT_FALSE(ini.hasKey("", "top"));
    EXPECT_FALSE(ini.hasKey("Other", "key"));
    EXPECT_EQ(ini.readSection("sec"),
              (Strings{"key  =  value", "Tabbed\t=\tx", "dq=\"a\"", "sq=' b '", "nested=\"\"a\"\"",
                       "mismatched=\"a'", "lone=\"", "eq=a=b", "empty="}));
    EXPECT_EQ(ini.sectionNames(), (Strings{"Sec", "Other"}));
}

TEST(IniFile, NamesFoldOnlyAsciiCase) {
    const IniFile ini = parsed("[Ünï]\nKey=utf8\n[\xC9]\nk=latin1\n");
    EXPECT_EQ(ini.readString("ÜNï", "kEY", ""), "utf8");
    EXPECT_FALSE(ini.hasSection("ünï"));
    EXPECT_FALSE(ini.hasSection("\xE9"));
}

TEST(IniFile, ReadInteger) {
    const IniFile ini = parsed("[n]\na= 42\nb=-7\nc=+3\nd=12abc\ne=\"5\"\nf=abc\ng=\nh=-\n"
                               "i=99999999999\nj=-99999999999\nk=-2147483648\n");
    const std::pair<const char*, int> cases[] = {
        {"a", 42}, {"b", -7}, {"c", 3},       {"d", 12},      {"e", 5},       {"f", -1},
        {"g", -1}, {"h", -1}, {"i", INT_MAX}, {"j", INT_MIN}, {"k", INT_MIN}, {"zz", -1}};
    for (const auto& [key, expected] : cases) {
        EXPECT_EQ(ini.readInteger("N", key, -1), expected) << key;
    }
}

TEST(IniFile, DuplicatesFirstWins) {
    IniFile ini = parsed("[A]\nk=1\nk=2\n[b]\nx=1\n[a]\nk=3\nj=4\n");
    EXPECT_EQ(ini.readString("a", "k", ""), "1");
    EXPECT_FALSE(ini.hasKey("a", "j"));
    EXPECT_EQ(ini.sectionNames(), (Strings{"A", "b"}));
    EXPECT_EQ(ini.readSection("a"), (Strings{"k=1", "k=2"}));

    ini.writeString("a", "K", "9");
    EXPECT_EQ(ini.text(), "[A]\r\nK=9\r\nk=2\r\n[b]\r\nx=1\r\n[a]\r\nk=3\r\nj=4\r\n");
    ini.deleteKey("a", "k");
    EXPECT_FALSE(ini.hasKey("a", "k"));
    ini.eraseSection("A");
    EXPECT_EQ(ini.text(), "[b]\r\nx=1\r\n");
}

TEST(IniFile, EditsTouchOnlyTheirLine) {
    IniFile ini = parsed("; settings\n"
                         "stray=before sections\n"
                         "  [ Sec ]  \n"
                         "  key  =  old  \n"
                         "not a key\n"
                         "x = \"q\"\t\n"
                         "\n"
                         "[Next]\n"
                         "k=v");
    ini.writeString("sec", "KEY", "new");
    ini.writeString("SEC", "added", " spaced ");
    ini.deleteKey("next", "k");
    EXPECT_EQ(ini.text(), "; settings\r\n"
                          "stray=before sections\r\n"
                          "  [ Sec ]  \r\n"
                          "KEY=new\r\n"
                          "not a key\r\n"
                          "x = \"q\"\t\r\n"
                          "added= spaced \r\n"
                          "\r\n"
                          "[Next]\r\n");
}

TEST(IniFile, AppendsKeysAndSections) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "[S]\r\nk=v\r\n"},
        {"[A]\nk=1", "[A]\r\nk=1\r\n\r\n[S]\r\nk=v\r\n"},
        {"[A]\nk=1\n\n", "[A]\r\nk=1\r\n\r\n[S]\r\nk=v\r\n"},
        {"[S]\n\n[F]\n", "[S]\r\nk=v\r\n\r\n[F]\r\n"},
        {"[s]\nold=1\n\n; end\n\n[F]", "[s]\r\nold=1\r\n\r\n; end\r\nk=v\r\n\r\n[F]\r\n"},
    };
    for (const auto& [before, after] : cases) {
        IniFile ini = parsed(before);
        ini.writeString("S", "k", "v");
        EXPECT_EQ(ini.text(), after) << before;
    }
}

TEST(IniFile, RejectsWhatWouldNotReadBack) {
    const std::string original = "[S]\r\nk=v\r\n";
    IniFile ini = parsed(original);
    EXPECT_THROW(ini.writeString("S", "k", "two\nlines"), velloran::VelloranError);
    EXPECT_THROW(ini.writeString("S", "new\nkey", "v"), velloran::VelloranError);
    EXPECT_THROW(ini.writeString("S]", "k", "v"), velloran::VelloranError);
    EXPECT_THROW(ini.writeString("S", "a=b", "v"), velloran::VelloranError);
    EXPECT_THROW(ini.writeString("S", ";k", "v"), velloran::VelloranError);
    EXPECT_THROW(ini.writeString("S", "[k", "v"), velloran::VelloranError);
    EXPECT_EQ(ini.text(), original);

    // A lone CR is content, not a line end, and reads back as written.
    ini.writeString("S\rM", "k", "cr\r");
    EXPECT_EQ(parsed(ini.text()).readString("S\rM", "k", ""), "cr\r");
}

TEST(IniFile, SaveWritesOnlyChangesAndLosesNothingOnFailure) {
    TempDir dir;
    const std::string path = dir.file("a.ini");
    writeFile(path, "[S]\nk=1\n");
    IniFile ini(path);
    ini.writeString("s", "k", "1");
    ini.deleteKey("s", "missing");
    ini.eraseSection("missing");
    EXPECT_FALSE(ini.isModified());
    ini.save();
    EXPECT_EQ(velloran::ReadWholeFile(path), "[S]\nk=1\n");

    // Permission bits do not stop root; a file size limit stops everyone mid-write.
    ini.writeInteger("T", "n", -5);
    ini.writeString("T", "big", std::string(100000, 'x'));
    {
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited = saved;
        limited.rlim_cur = 4096;
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &limited);
        EXPECT_THROW(ini.save(), velloran::FileError);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
    }
    EXPECT_EQ(velloran::ReadWholeFile(path), "[S]\nk=1\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
    ASSERT_TRUE(ini.isModified());

    ini.save();
    EXPECT_FALSE(ini.isModified());
    EXPECT_EQ(velloran::ReadWholeFile(path), ini.text());
    const IniFile reread(path);
    EXPECT_EQ(reread.readInteger("t", "N", 0), -5);
    EXPECT_EQ(reread.readString("t", "big", "").size(), 100000u);
}
