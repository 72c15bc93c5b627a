// User tag lists on disk, tag insertion into a real editing model, and the word rules of
// code completion.
#include "editor/editmodel.h"
#include "platform/errors.h"
#include "tags/usertags.h"
#include "tempdir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

using namespace velloran;

namespace {

const std::string kSel(kSelTextPlaceholder);

EditModel withText(std::string_view text) {
    EditModel model;
    model.loadFromBytes(std::string(text));
    return model;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The word code completion would replace, or "" for none.
std::string wordAt(std::string_view line, std::size_t caret) {
    const WordSpan span = CompletionWordAt(line, caret);
    return std::string(line.substr(span.begin, span.end - span.begin));
}

} // namespace

TEST(UserTagInsert, SelectionGoesIntoTheFirstPlaceholderOnly) {
    EditModel model = withText("x");
    model.setSel(0, 1);
    InsertUserTag(model, {"<B>", kSel + "</B>"});
    EXPECT_EQ(model.getText(), "<B>\r\nx</B>");
    EXPECT_EQ(model.caret(), model.length());

    model = withText("");
    InsertUserTag(model, {"<B>", kSel + "</B>"});
    EXPECT_EQ(model.getText(), "<B>\r\n</B>");

    model = withText("abc");
    model.setSel(1, 2);
    InsertUserTag(model, {"[" + kSel + "|" + kSel + "]"});
    EXPECT_EQ(model.getText(), "a[b|" + kSel + "]c");
}

TEST(UserTagInsert, AWindows1252DocumentGetsTheTagInItsOwnBytes) {
    EditModel model = withText("caf\xE9");
    ASSERT_EQ(model.encoding(), Encoding::Windows1252);
    model.setSel(0, 4);
    InsertUserTag(model, {"\xC3\xA9<I>" + kSel + "</I>\xE2\x82\xAC\xE4\xB8\x80"});
    // e-acute and the euro sign exist there; a character that does not becomes "?".
    EXPECT_EQ(model.getText(), "\xE9<I>caf\xE9</I>\x80?");
}

TEST(CodeCompletionWord, BlanksAloneSeparateWordsAndACaretBeforeABlankTakesTheWordBefore) {
    EXPECT_EQ(wordAt("see tbl", 7), "tbl");   // at the word's end
    EXPECT_EQ(wordAt("see tbl", 5), "tbl");   // in its middle
    EXPECT_EQ(wordAt("see tbl x", 7), "tbl"); // just before a blank
    EXPECT_EQ(wordAt("see tbl ", 8), "");     // after a blank
    EXPECT_EQ(wordAt("tbl rest", 0), "tbl");  // at the line's start
    EXPECT_EQ(wordAt(" tbl", 0), "");         // at the start, before a blank
    EXPECT_EQ(wordAt("a  b", 2), "");         // between two blanks
    EXPECT_EQ(wordAt("x\ttbl", 5), "x\ttbl"); // a tab is part of the word
    EXPECT_EQ(wordAt("", 0), "");
}

TEST(CodeCompletionWord, TheShortcutIsFoundIgnoringCaseOnTheCaretsLine) {
    const std::vector<std::string> shortcuts = {"", "img", "tbl"};
    EditModel model = withText("first\r\nsee TBL\r\nlast"); // a line end is one position
    model.setSel(13, 13);
    std::optional<CompletionMatch> match = FindCompletion(model, shortcuts);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->from, 10);
    EXPECT_EQ(match->to, 13);
    EXPECT_EQ(match->index, 2U);

    model.setSel(11, 11);
    EXPECT_TRUE(FindCompletion(model, shortcuts)) << "in the middle of the word";
    model.setSel(7, 7);
    EXPECT_FALSE(FindCompletion(model, shortcuts)) << "'see' is no shortcut";
    model.setSel(0, 0);
    EXPECT_FALSE(FindCompletion(model, shortcuts)) << "'first' is no shortcut";
    model = withText("\r\n");
    EXPECT_FALSE(FindCompletion(model, shortcuts)) << "an empty line, an empty shortcut";
}

class UserTagListTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("mine.vul");
};

TEST_F(UserTagListTest, WrittenTagsReadBackWithTheirKeysInOrder) {
    UserTagList list(path);
    list.write({"Table", "tbl", {"A table", "two lines"}, {"<TABLE>", kSel, "</TABLE>"}}, "");
    list.write({"bold", "", {}, {"<B>" + kSel + "</B>"}}, "");
    EXPECT_EQ(fileText(path), "[Table]\r\nshortcut=tbl\r\ndesccount=2\r\ndesc0=A table\r\n"
                              "desc1=two lines\r\ntagcount=3\r\ntag0=<TABLE>\r\ntag1=" +
                                  kSel +
                                  "\r\ntag2=</TABLE>\r\n\r\n[bold]\r\nshortcut=\r\n"
                                  "desccount=0\r\ntagcount=1\r\ntag0=<B>" +
                                  kSel + "</B>\r\n");

    const UserTagList again(path);
    const UserTagIndex index = again.index();
    EXPECT_EQ(index.names, (std::vector<std::string>{"bold", "Table"}));
    EXPECT_EQ(index.shortcuts, (std::vector<std::string>{"", "tbl"}));
    const UserTag table = again.read("TABLE");
    EXPECT_EQ(table.description, (std::vector<std::string>{"A table", "two lines"}));
    EXPECT_EQ(table.lines, (std::vector<std::string>{"<TABLE>", kSel, "</TABLE>"}));
    EXPECT_TRUE(again.read("missing").lines.empty());
}

TEST_F(UserTagListTest, RenamingRemovesTheOldSectionAndReusingANameReplacesIt) {
    UserTagList list(path);
    list.write({"old", "o", {}, {"1", "2", "3"}}, "");
    list.write({"other", "x", {}, {"x"}}, "");
    list.write({"new", "n", {}, {"1"}}, "old");
    list.write({"OTHER", "y", {}, {"y"}}, "");
    const UserTagList again(path);
    EXPECT_EQ(again.index().names, (std::vector<std::string>{"new", "OTHER"}));
    EXPECT_EQ(fileText(path).find("[old]"), std::string::npos);
    EXPECT_EQ(fileText(path).find("tag2"), std::string::npos) << "no stale lines";
    list.erase("new");
    EXPECT_EQ(UserTagList(path).index().names, (std::vector<std::string>{"OTHER"}));
}

TEST_F(UserTagListTest, IndentedAndQuotedLinesComeBackAsTheyWere) {
    const std::vector<std::string> lines = {
        "<UL>", "  <LI>" + kSel, "\t</LI>  ", "\"quoted\"", "'single'", "\"", "", "</UL>"};
    UserTagList(path).write({"list", " sc ", {"  indented description"}, lines}, "");
    const UserTag tag = UserTagList(path).read("list");
    EXPECT_EQ(tag.lines, lines);
    EXPECT_EQ(tag.shortcut, " sc ");
    EXPECT_EQ(tag.description[0], "  indented description");
    // Lines written without quotes by hand read as they always did.
    writeText(path, "[t]\r\ntagcount=2\r\ntag0=  <B>  \r\ntag1=\"<I>\"\r\n");
    EXPECT_EQ(UserTagList(path).read("t").lines, (std::vector<std::string>{"<B>", "<I>"}));
}

TEST_F(UserTagListTest, NoLengthCutsALongTagOrALongList) {
    const std::string longLine(5000, 'w');
    UserTagList list(path);
    std::vector<std::string> names;
    {
        std::string text;
        for (int i = 0; i < 1000; ++i) {
            const std::string name = "tag number " + std::to_string(1000 + i);
            names.push_back(name);
            text += "[" + name + "]\r\nshortcut=s" + std::to_string(i) +
                    "\r\ntagcount=1\r\ntag0=" + name + "\r\n";
        }
        writeText(path, text);
    }
    UserTagList(path).write({names.back(), "s999", {}, {longLine}}, names.back());
    const UserTagList again(path);
    const UserTagIndex index = again.index();
    EXPECT_EQ(index.names, names);
    EXPECT_EQ(index.shortcuts.back(), "s999");
    EXPECT_EQ(again.read(names.back()).lines, (std::vector<std::string>{longLine}));
    EXPECT_EQ(again.read(names.front()).lines, (std::vector<std::string>{names.front()}));
}

TEST_F(UserTagListTest, ADamagedFileReadsWithoutCrashingOrRunningAway) {
    // A tag line broken across lines, a count far beyond the lines there are, lone CRs,
    // and bytes from the Windows character set.
    writeText(path, "[broken]\r\ntagcount=2000000000\r\ntag0=<B>\r\nrest of it</B>\r\n"
                    "desccount=-4\r\n[cr]\rtagcount=1\rtag0=x\r\n[legacy]\r\n"
                    "shortcut=\xE9t\xE9\r\ntagcount=1\r\ntag0=\xAB"
                    "seltext\xBB\r\n");
    const UserTagList list(path);
    const UserTag broken = list.read("broken");
    EXPECT_LE(broken.lines.size(), 3U);
    EXPECT_EQ(broken.lines.at(0), "<B>");
    EXPECT_TRUE(broken.description.empty());
    EXPECT_NO_THROW((void)list.read("cr"));
    const UserTag legacy = list.read("legacy");
    EXPECT_EQ(legacy.shortcut, "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(legacy.lines, (std::vector<std::string>{kSel}));
}

TEST_F(UserTagListTest, SectionsNamedInTheWindowsCharacterSetAreFoundByTheirUtf8Names) {
    writeText(path, "[caf\xE9]\r\ntagcount=1\r\ntag0=<P>\r\n[z]\r\n");
    UserTagList list(path);
    EXPECT_EQ(list.index().names, (std::vector<std::string>{"caf\xC3\xA9", "z"}));
    EXPECT_EQ(list.read("CAF\xC3\xA9").lines, (std::vector<std::string>{"<P>"}));
    list.write({"caf\xC3\xA9s", "", {}, {"<Q>"}}, "caf\xC3\xA9");
    EXPECT_EQ(UserTagList(path).index().names, (std::vector<std::string>{"caf\xC3\xA9s", "z"}));
}

TEST_F(UserTagListTest, AFailedWriteSaysSoAndChangesNothing) {
    UserTagList list(path);
    list.write({"kept", "", {}, {"a"}}, "");
    const std::string before = fileText(path);
    EXPECT_THROW(list.write({"bad]name", "", {}, {"b"}}, "kept"), VelloranError);
    EXPECT_EQ(list.index().names, (std::vector<std::string>{"kept"}));

    UserTagList unwritable(dir.file("missing-folder/mine.vul"));
    try {
        unwritable.write({"t", "", {}, {"x"}}, "");
        FAIL() << "wrote into a missing folder";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Unable to write to " + dir.file("missing-folder/mine.vul"));
    }
    EXPECT_TRUE(unwritable.index().names.empty()) << "what is held stays what the file holds";
    EXPECT_EQ(fileText(path), before);
}
